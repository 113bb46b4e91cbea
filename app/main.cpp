// Start-up of the window program: one window, run until it closes.
#include <QApplication>

#include "app/MainForm.h"
#include "app/WindowIcon.h"
#include "platform/FileSystem.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tervaline"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tervaline"));
    // The message boxes and dialogs carry the window's icon too.
    QApplication::setWindowIcon(tervaline::app::WindowIcon());
    tervaline::app::TMainForm mainForm(tervaline::platform::ProgramFolder());
    mainForm.show();
    return QApplication::exec();
}

// Start-up of the window program: one window, run until it closes.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

#include "app/MainForm.h"
#include "app/WindowIcon.h"
#include "platform/FileSystem.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file that grows past the size the user allows fails that file, which
    // is named, not the whole salvage.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tervaline"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tervaline"));
    // The message boxes and dialogs carry the window's icon too.
    QApplication::setWindowIcon(tervaline::app::WindowIcon());
    // What only the toolkit writes (the open-file dialog's columns and menus)
    // follows the desktop's language where its translations are installed;
    // the language file's texts take the place of the rest.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }
    tervaline::app::TMainForm mainForm(tervaline::platform::ProgramFolder());
    mainForm.show();
    return QApplication::exec();
}

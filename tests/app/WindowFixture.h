// What the window tests share: dialogs that answer without a user, a gate
// that holds a scan at its first find, and waiting on the event loop.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/UserDialogs.h"

namespace tervaline::app {
class TMainForm;
}

namespace tervaline::testing {

struct TShownMessage {
    QString Kind;  // "error", "information" or "question"
    QString Caption;
    QString Text;
};

class TRecordingDialogs final : public app::TUserDialogs {
public:
    void ShowError(QWidget*, const QString& caption, const QString& text) override {
        Shown.push_back({"error", caption, text});
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override {
        Shown.push_back({"information", caption, text});
    }
    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override {
        Shown.push_back({"question", caption, text});
        Asking = true;
        Dismissed = false;
        if (WhileAsking) WhileAsking();
        Asking = false;
        return Dismissed ? false : Answer;
    }
    void DismissQuestion() override {
        if (Asking) Dismissed = true;
    }
    std::optional<QString> ChooseFile(QWidget*, const QString& fileName,
                                      const QStringList& nameFilters) override {
        OfferedFile = fileName;
        OfferedFilters = nameFilters;
        return Chosen;
    }

    std::vector<TShownMessage> Shown;
    bool Answer = false;
    // Runs while a question is open, as the event loop would.
    std::function<void()> WhileAsking;
    bool Asking = false;
    bool Dismissed = false;
    std::optional<QString> Chosen;
    QString OfferedFile;
    QStringList OfferedFilters;
};

// Holds the worker inside its first find notification, after the file is
// written, until opened or until a stop is requested.
struct TScanGate {
    std::atomic<bool> Open{false};
    std::atomic<int> Arrived{0};
};
void HoldAtFirstFind(app::TMainForm& form, TScanGate& gate);

// Processes events until Done holds; false after TimeoutMs.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

// Waits until the window is idle again after a scan.
bool WaitForScanEnd(app::TMainForm& form);

}  // namespace tervaline::testing

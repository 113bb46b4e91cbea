// What the window tests share: dialogs that answer without a user, a gate
// that holds a scan at its first find, a settings folder of their own, and
// waiting on the event loop.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/UserDialogs.h"
#include "tests/support/TempDir.h"
#include "ui/MainWindowModel.h"

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

// Holds each scan the factory makes inside its first find notification,
// after the file is written, until opened or until a stop is requested.
struct TScanGate {
    std::atomic<bool> Open{false};
    std::atomic<int> Arrived{0};
};
ui::TMainWindowModel::TScanFactory HoldAtFirstFind(TScanGate& gate);

// Points the user's settings folder at a folder of its own for its lifetime,
// so that no test reads or writes the choices of whoever runs it.
class TOwnSettingsFolder {
public:
    TOwnSettingsFolder();
    ~TOwnSettingsFolder();

private:
    TTempDir folder_;
    std::string saved_;
    bool had_;
};

// Processes events until Done holds; false after TimeoutMs.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

}  // namespace tervaline::testing

#include "ui/MainWindowModel.h"

#include <algorithm>
#include <utility>

#include "engine/SalvageRecording.h"
#include "platform/FileSystem.h"
#include "platform/StoreSource.h"
#include "platform/PathSyntax.h"
#include "ui/LanguageFile.h"
#include "ui/OutputFolder.h"
#include "ui/RememberedChoices.h"
#include "ui/ScanSummary.h"
#include "ui/StartRequest.h"

namespace tervaline::ui {

namespace {

constexpr auto kSyntax = platform::NativePathSyntax();

bool IsRunning(TScanPhase phase) { return phase == TScanPhase::Scanning || phase == TScanPhase::Stopping; }

std::unique_ptr<platform::TThread> MakeEngineScan(platform::TDispatcher& dispatcher, engine::TScanSettings settings,
                                                  engine::TScanEvents events) {
    return std::make_unique<engine::TDBXScanThread>(dispatcher, std::move(settings), std::move(events));
}

// A refusal before the worker existed reads like one the worker made.
engine::TScanOutcome NotStartedOutcome(const std::string& reason) {
    engine::TScanOutcome outcome;
    outcome.Started = false;
    outcome.FailureText = reason;
    return outcome;
}

}  // namespace

struct TMainWindowModel::TState {
    TState(platform::TDispatcher& dispatcher, TEnvironment environment)
        : Dispatcher(dispatcher), Env(std::move(environment)) {
        if (!Env.Clock) Env.Clock = [] { return std::chrono::steady_clock::now(); };
        if (!Env.MakeScan) Env.MakeScan = MakeEngineScan;
    }

    platform::TDispatcher& Dispatcher;
    TEnvironment Env;
    TLanguage Language;
    TRememberedChoices Remembered;

    std::string Store;
    TOutputFolderChoice Output;
    std::string Trash;
    engine::TScanMode Mode = engine::TScanMode::Shallow;
    std::string BufferText;
    bool WriteMbox = false;
    bool MboxAll = false;
    bool HashStore = false;

    TScanPhase Phase = TScanPhase::Idle;
    TStatusView EndStatus;
    std::string OpenFolder;
    std::vector<TUserMessage> Messages;
    std::optional<TFocusTarget> Focus;

    // The scans of the present Start: those still to run, the one running,
    // and those that ended.
    std::vector<engine::TScanSettings> Waiting;
    std::size_t ScanCount = 0;
    std::unique_ptr<platform::TThread> Worker;
    // The worker whose end is being handled: it may not be destroyed inside
    // its own notification, so it waits here for the next one to end.
    std::unique_ptr<platform::TThread> Ended;
    TFinishedScan Current;
    std::vector<TFinishedScan> Finished;
    std::uint64_t FoundSoFar = 0;
    std::chrono::steady_clock::time_point StartedAt;

    bool Asking = false;
    bool EndedWhileAsking = false;
    bool Closing = false;
    // Calls posted by a worker's threads check this before they touch the
    // model, which may be gone by the time they run.
    std::shared_ptr<TState*> Self = std::make_shared<TState*>(this);

    std::function<void()>* OnChanged = nullptr;

    void Changed() const {
        if (OnChanged != nullptr && *OnChanged) (*OnChanged)();
    }

    int OverallPermille() const {
        if (ScanCount == 0) return 0;
        const std::size_t done = Finished.size();
        return static_cast<int>((done * kFullBar + static_cast<std::size_t>(Current.Permille)) / ScanCount);
    }

    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Env.Clock() - StartedAt);
    }

    void Remember() {
        Remembered.StoreFolder = platform::DirectoryExists(Store)
                                     ? platform::ExcludeTrailingDelimiter(kSyntax, Store)
                                     : platform::ExtractFileDir(kSyntax, Store);
        Remembered.OutputFolder = Output.ChosenByUser() ? Output.Shown() : std::string();
        Remembered.Mode = Mode;
        if (auto buffer = TBufferSize::Parse(BufferText)) Remembered.Buffer = *buffer;
        if (Env.SettingsFile.empty()) return;
        try {
            WriteRememberedChoices(Env.SettingsFile, Remembered);
        } catch (const platform::EFileError&) {
            // Choices that cannot be kept cost the user some typing next
            // time, never this salvage.
        }
    }

    void StartNext() {
        engine::TScanSettings settings = std::move(Waiting.front());
        Waiting.erase(Waiting.begin());
        Current = TFinishedScan{};
        Current.StoreName = platform::ExtractFileName(kSyntax, settings.Source);
        Current.StoreSize = platform::StoreSizeOrZero(settings.Source);
        std::weak_ptr<TState*> self = Self;
        // Finds and progress come on the scan's own threads; posted on the
        // channel that carries its end, they arrive in order and before it.
        engine::TScanEvents events;
        events.Found = [this, self](const engine::TFoundMessage&) {
            Dispatcher.Post([self] {
                if (auto state = self.lock()) (*state)->Found();
            });
        };
        events.Unwritten = [this, self](const engine::TUnwrittenMessage& message) {
            Dispatcher.Post([self, message] {
                if (auto state = self.lock()) (*state)->Unwritten(message);
            });
        };
        events.Progress = [this, self](const engine::TScanProgress& progress) {
            Dispatcher.Post([self, permille = progress.Permille()] {
                if (auto state = self.lock()) (*state)->Progress(permille);
            });
        };
        events.Done = [self](const engine::TScanOutcome& outcome) {
            if (auto state = self.lock()) (*state)->Done(outcome);
        };
        try {
            Worker = Env.MakeScan(Dispatcher, std::move(settings), std::move(events));
        } catch (const platform::EFileError& e) {
            Done(NotStartedOutcome(e.what()));
            return;
        }
        Worker->Start();
    }

    void Found() {
        ++FoundSoFar;
        Changed();
    }

    void Unwritten(const engine::TUnwrittenMessage& message) {
        if (Current.Unwritten.size() < kListedUnwritten) Current.Unwritten.push_back(message);
    }

    void Progress(int permille) {
        // Reports may come less often than finds, never backwards.
        Current.Permille = std::max(Current.Permille, std::clamp(permille, 0, kFullBar));
        Changed();
    }

    void Done(const engine::TScanOutcome& outcome) {
        Ended = std::move(Worker);
        Current.Outcome = outcome;
        if (outcome.ReachedEnd) Current.Permille = kFullBar;
        Finished.push_back(std::move(Current));
        Current = TFinishedScan{};
        if (Asking) EndedWhileAsking = true;
        if (!Waiting.empty() && Phase == TScanPhase::Scanning && !Asking) {
            StartNext();
            Changed();
            return;
        }
        Waiting.clear();
        const TScanSummary summary = SummaryOf(Finished, Elapsed(), Language.Texts);
        // The bar of a folder's scans shows how far all of them came.
        EndStatus = summary.Status;
        if (Finished.size() > 1 && EndStatus.Permille != kFullBar && EndStatus.Permille != 0) {
            EndStatus.Permille = static_cast<int>((Finished.size() - 1) * kFullBar +
                                                  static_cast<std::size_t>(Finished.back().Permille)) /
                                 static_cast<int>(ScanCount);
        }
        Phase = TScanPhase::Done;
        Focus = TFocusTarget::Start;
        // A window on its way out says nothing more.
        if (!Asking) Messages.insert(Messages.end(), summary.Messages.begin(), summary.Messages.end());
        Changed();
    }

    void StopAndWait() {
        Waiting.clear();
        if (!Worker) return;
        // The chain being carved is written whole; the end's notification,
        // still on its way, is dropped with the worker.
        Worker->RequestStop();
        Worker->WaitFor();
        Worker.reset();
    }
};

TMainWindowModel::TMainWindowModel(platform::TDispatcher& dispatcher, TEnvironment environment)
    : state_(std::make_unique<TState>(dispatcher, std::move(environment))) {
    TState& s = *state_;
    s.OnChanged = &OnChanged;
    const std::string programFolder =
        s.Env.ProgramFolder.empty() ? std::string() : platform::IncludeTrailingDelimiter(kSyntax, s.Env.ProgramFolder);
    try {
        s.Language = ReadLanguage(FindLanguageFile(programFolder));
    } catch (const EBadLanguage& e) {
        s.Language = TLanguage{};
        s.Messages.push_back({TMessageKind::Error, e.what()});
    }
    std::string notice;
    s.Language = DrawableLanguage(std::move(s.Language), s.Env.CanDraw, &notice);
    if (!notice.empty()) s.Messages.push_back({TMessageKind::Information, notice});

    s.Remembered = ReadRememberedChoices(s.Env.SettingsFile);
    s.Trash = s.Language.Texts.DefaultTrashFolder;
    s.Mode = s.Remembered.Mode;
    s.BufferText = std::to_string(s.Remembered.Buffer.Kilobytes());
    s.Output.Choose(s.Remembered.OutputFolder);
}

TMainWindowModel::~TMainWindowModel() {
    state_->OnChanged = nullptr;
    state_->StopAndWait();
}

const TInterfaceTexts& TMainWindowModel::Texts() const { return state_->Language.Texts; }
const TWindowFont& TMainWindowModel::Font() const { return state_->Language.Font; }
const std::string& TMainWindowModel::LanguageFile() const { return state_->Language.Path; }

const std::string& TMainWindowModel::StorePath() const { return state_->Store; }
const std::string& TMainWindowModel::OutputFolder() const { return state_->Output.Shown(); }
const std::string& TMainWindowModel::TrashName() const { return state_->Trash; }
const std::string& TMainWindowModel::TrashBase() const { return state_->Output.Shown(); }
engine::TScanMode TMainWindowModel::Mode() const { return state_->Mode; }
const std::string& TMainWindowModel::BufferText() const { return state_->BufferText; }
bool TMainWindowModel::WriteMbox() const { return state_->WriteMbox; }
bool TMainWindowModel::MboxAll() const { return state_->MboxAll; }
bool TMainWindowModel::HashStore() const { return state_->HashStore; }

void TMainWindowModel::SetStorePath(const std::string& path) {
    TState& s = *state_;
    if (IsRunning(s.Phase) || path == s.Store) return;
    s.Store = path;
    s.Output.StoreChanged(path);
    s.Changed();
}

void TMainWindowModel::SetOutputFolder(const std::string& folder) {
    TState& s = *state_;
    if (IsRunning(s.Phase) || folder == s.Output.Shown()) return;
    s.Output.Choose(folder);
    s.Changed();
}

void TMainWindowModel::DropOnOutputFolder(const std::string& path) {
    TState& s = *state_;
    if (IsRunning(s.Phase)) return;
    s.Output.Drop(path);
    s.Changed();
}

void TMainWindowModel::SetTrashName(const std::string& name) {
    if (IsRunning(state_->Phase)) return;
    state_->Trash = name;
}

void TMainWindowModel::SetMode(engine::TScanMode mode) {
    if (IsRunning(state_->Phase)) return;
    state_->Mode = mode;
}

void TMainWindowModel::SetBufferText(const std::string& text) {
    if (IsRunning(state_->Phase)) return;
    state_->BufferText = text;
}

void TMainWindowModel::SetWriteMbox(bool on) {
    if (!IsRunning(state_->Phase)) state_->WriteMbox = on;
}
void TMainWindowModel::SetMboxAll(bool on) {
    if (!IsRunning(state_->Phase)) state_->MboxAll = on;
}
void TMainWindowModel::SetHashStore(bool on) {
    if (!IsRunning(state_->Phase)) state_->HashStore = on;
}

void TMainWindowModel::Start() {
    TState& s = *state_;
    if (IsRunning(s.Phase) || s.Closing) return;
    const TStartInput input{s.Store,     s.Output.Shown(), s.Trash,     s.Mode,
                            s.BufferText, s.WriteMbox,     s.MboxAll,   s.HashStore};
    TStartDecision decision = DecideStart(input, s.Language.Texts);
    if (auto* refusal = std::get_if<TStartRefusal>(&decision)) {
        s.Messages.push_back({TMessageKind::Error, refusal->Text});
        s.Focus = refusal->Box == TInputBox::Store ? TFocusTarget::StoreBox : TFocusTarget::BufferBox;
        s.Changed();
        return;
    }
    TScanPlan& plan = std::get<TScanPlan>(decision);
    s.Remember();
    s.Trash = plan.Trash;
    s.OpenFolder = plan.OutputFolder;
    s.Waiting = std::move(plan.Scans);
    s.ScanCount = s.Waiting.size();
    s.Finished.clear();
    s.FoundSoFar = 0;
    s.EndStatus = TStatusView{};
    s.StartedAt = s.Env.Clock();
    s.Phase = TScanPhase::Scanning;
    // Disabling the focused Start would hand the focus on to Close, where a
    // Space meant for the next scan would end the program.
    s.Focus = TFocusTarget::Abort;
    s.StartNext();
    s.Changed();
}

void TMainWindowModel::Abort() {
    TState& s = *state_;
    if (s.Phase != TScanPhase::Scanning) return;
    s.Phase = TScanPhase::Stopping;
    s.Waiting.clear();
    if (s.Worker) s.Worker->RequestStop();
    s.Changed();
}

TCloseStep TMainWindowModel::RequestClose() {
    TState& s = *state_;
    if (IsRunning(s.Phase)) {
        s.Asking = true;
        s.EndedWhileAsking = false;
        return TCloseStep::AskToStop;
    }
    return TCloseStep::Close;
}

TStopQuestion TMainWindowModel::StopQuestion() const { return StopQuestionOf(state_->Language.Texts); }

bool TMainWindowModel::AnswerStopQuestion(bool stop) {
    TState& s = *state_;
    s.Asking = false;
    if (!stop && !s.EndedWhileAsking) return false;
    s.Closing = true;
    s.StopAndWait();
    return true;
}

bool TMainWindowModel::StopQuestionMoot() const { return state_->Asking && state_->EndedWhileAsking; }

void TMainWindowModel::OpenFolderFailed() {
    TState& s = *state_;
    s.Messages.push_back({TMessageKind::Error, s.Language.Texts.OpenFailed + std::string(kParagraph) + s.OpenFolder});
    s.Changed();
}

TScanPhase TMainWindowModel::Phase() const { return state_->Phase; }

TControlStates TMainWindowModel::Controls() const {
    const TState& s = *state_;
    TControlStates states = ControlStatesOf(s.Phase, !s.OpenFolder.empty() && platform::DirectoryExists(s.OpenFolder));
    // A build that writes no report has nothing its choices could change.
    states.ScanOptions = states.ScanOptions && engine::SalvageRecordingBuilt();
    return states;
}

TStatusView TMainWindowModel::Status() const {
    const TState& s = *state_;
    if (!IsRunning(s.Phase)) return s.EndStatus;
    TRunningStatus running;
    running.Found = s.FoundSoFar;
    running.Permille = s.OverallPermille();
    running.Elapsed = s.Elapsed();
    running.Store = s.Current.StoreName;
    running.Index = static_cast<int>(s.Finished.size()) + 1;
    running.Count = static_cast<int>(s.ScanCount);
    TStatusView view = RunningStatusView(running, s.Language.Texts);
    if (s.FoundSoFar == 0 && running.Permille == 0) view.Line1 = s.Language.Texts.NowScan + "...";
    return view;
}

const std::string& TMainWindowModel::OpenFolderPath() const { return state_->OpenFolder; }

std::string TMainWindowModel::StorePickerStart() const {
    const TState& s = *state_;
    return s.Store.empty() ? s.Remembered.StoreFolder : s.Store;
}

std::string TMainWindowModel::OutputPickerStart() const {
    const TState& s = *state_;
    // A folder the scan has yet to make is shown by the nearest one there is.
    std::string folder = NearestExistingFolder(OutputFolderFor(kSyntax, s.Store, s.Output.Shown()));
    return folder.empty() ? NearestExistingFolder(s.Remembered.StoreFolder) : folder;
}

std::vector<TUserMessage> TMainWindowModel::TakeMessages() { return std::exchange(state_->Messages, {}); }

std::optional<TFocusTarget> TMainWindowModel::TakeFocus() { return std::exchange(state_->Focus, std::nullopt); }

}  // namespace tervaline::ui

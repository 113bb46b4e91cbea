// The main window. Its controls are Qt widgets created with the window as
// their parent, which deletes them with itself: that is the one ownership
// scheme behind every `new` in this file.
#include "app/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "app/LanguageFile.h"
#include "app/OpenDialogFilter.h"
#include "components/AnsiText.h"
#include "components/DropEdit.h"
#include "components/FoldrDlg.h"
#include "components/IniGT.h"
#include "engine/DbxScan.h"
#include "platform/FileSystem.h"
#include "platform/PathSyntax.h"

namespace tervaline::app {

using components::AnsiToQString;
using components::QStringToAnsi;
using components::TDropEdit;
using engine::TDBXScanThread;

namespace {

constexpr auto kSyntax = platform::NativePathSyntax();
const QString kCaption = QStringLiteral("Tervaline");

// Faces that carry the Japanese glyphs of the window's own face, for
// systems that do not have it.
const QStringList kJapaneseFallbackFaces = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};

constexpr components::TColor clBtnFace = components::kSystemColorFlag + 15;

// The layout is laid out in pixels for a 96 dpi screen, so font sizes in
// points are turned into pixels at that resolution, whatever the screen.
int PixelsOfPoints(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

components::TFontAttributes InitialWindowFont() {
    components::TFontAttributes font;
    font.Name = QStringToAnsi(QStringLiteral("ＭＳ Ｐゴシック"));
    font.Size = 9;  // 12 pixels
    font.Style = 0;
    font.Color = components::clWindowText;
    font.Charset = components::SHIFTJIS_CHARSET;
    return font;
}

QFont ToWindowQFont(const components::TFontAttributes& attributes) {
    QFont font;
    font.setFamilies(WindowFontFamilies(AnsiToQString(attributes.Name)));
    font.setPixelSize(PixelsOfPoints(attributes.Size > 0 ? attributes.Size : 9));
    // Every attribute is set, so that a control given this font keeps all
    // of it when the window's font changes later.
    font.setBold((attributes.Style & components::fsBold) != 0);
    font.setItalic((attributes.Style & components::fsItalic) != 0);
    font.setUnderline((attributes.Style & components::fsUnderline) != 0);
    font.setStrikeOut((attributes.Style & components::fsStrikeOut) != 0);
    return font;
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->setText(text);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QRect& bounds, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(bounds);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

std::uint64_t FileSizeOf(const std::string& path) { return platform::FileSizeOrZero(path); }

QStringList WindowFontFamilies(const QString& face) {
    QStringList families;
    if (!face.isEmpty()) families.append(face);
    for (const QString& fallback : kJapaneseFallbackFaces) {
        if (!families.contains(fallback, Qt::CaseInsensitive)) families.append(fallback);
    }
    return families;
}

TMainForm::TMainForm(std::string appDir, TUserDialogs* dialogs, QWidget* parent)
    : QWidget(parent), AppDir(std::move(appDir)), dialogs_(dialogs) {
    if (dialogs_ == nullptr) {
        ownDialogs_ = std::make_unique<TQtUserDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    CreateControls();
    FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::CreateControls() {
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(382, 257);
    move(320, 287);
    QPalette face = palette();
    face.setColor(QPalette::Window, components::ToQColor(clBtnFace, face));
    setPalette(face);
    setAutoFillBackground(true);

    windowFont_ = InitialWindowFont();
    setFont(ToWindowQFont(windowFont_));

    lblFile = MakeLabel(this, 16, 8, QStringLiteral("&Input File :"));
    btnFile = MakeButton(this, {288, 20, 83, 25}, QStringLiteral("&Browse File"));
    lblFolder = MakeLabel(this, 16, 48, QStringLiteral("&Output Folder :"));
    btnFolder = MakeButton(this, {288, 60, 83, 25}, QStringLiteral("Browse &Folder"));
    lblTrash = MakeLabel(this, 16, 88, QStringLiteral("&Trash Folder :"));
    lblDelimit = MakeLabel(this, 0, 107, QString());
    lblDelimit->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // The separator of the paths the two boxes beside it join.
    SetRightAlignedLabelText(lblDelimit, 291, QString(QChar::fromLatin1(platform::PathDelimiter(kSyntax))));
    edtTrash = new QLineEdit(QStringLiteral("trash"), this);
    edtTrash->setGeometry(296, 104, 73, 20);

    rdgMode = new QGroupBox(QStringLiteral("Scan &Mode :"), this);
    rdgMode->setGeometry(15, 134, 202, 41);
    rdgModeItem0 = new QRadioButton(QStringLiteral("Shallow Mode"), rdgMode);
    rdgModeItem1 = new QRadioButton(QStringLiteral("Bottom Mode"), rdgMode);
    rdgModeItem0->setChecked(true);
    // Closer marks leave both items room in the frame's two columns.
    rdgMode->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
    LayOutModeItems();

    lblBuffer = MakeLabel(this, 0, 152, QString());
    lblBuffer->setAlignment(Qt::AlignRight | Qt::AlignTop);
    SetRightAlignedLabelText(lblBuffer, 296, QStringLiteral("B&uffer :"));
    cmbBuffer = new QComboBox(this);
    cmbBuffer->setEditable(true);
    cmbBuffer->setInsertPolicy(QComboBox::NoInsert);
    cmbBuffer->addItems({"1", "5", "10", "50", "100", "500", "1000", "5000"});
    cmbBuffer->setCurrentIndex(2);
    cmbBuffer->setGeometry(301, 149, 48, 20);
    // A typed text is no list item: only picking from the list selects one.
    connect(cmbBuffer->lineEdit(), &QLineEdit::textEdited, this, [this] { bufferEdited_ = true; });
    connect(cmbBuffer, &QComboBox::activated, this, [this] { bufferEdited_ = false; });
    connect(cmbBuffer, &QComboBox::currentIndexChanged, this, [this] { bufferEdited_ = false; });
    lblBuffer->setBuddy(cmbBuffer);
    SetRightAlignedLabelText(lblBuffer, 296, lblBuffer->text());
    lblUnit = MakeLabel(this, 352, 152, QStringLiteral("KB"));

    lblStatusFix = MakeLabel(this, 16, 186, QStringLiteral("Status :"));
    lblStatus1 = MakeLabel(this, 60, 186, QString());
    lblStatus2 = MakeLabel(this, 184, 186, QString());

    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(16, 202, 353, 16);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    btnStart = MakeButton(this, {136, 226, 75, 25}, QStringLiteral("&Start"));
    btnAbort = MakeButton(this, {216, 226, 75, 25}, QStringLiteral("&Abort"));
    btnAbort->setEnabled(false);
    btnClose = MakeButton(this, {296, 226, 75, 25}, QStringLiteral("&Close"));
    // A font of its own: later changes of the window's font pass it by.
    btnClose->setFont(ToWindowQFont(windowFont_));

    connect(btnFile, &QPushButton::clicked, this, [this] { btnFileClick(); });
    connect(btnFolder, &QPushButton::clicked, this, [this] { btnFolderClick(); });
    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, btnClose, &QPushButton::click);
}

void TMainForm::FormCreate() {
    // AppDir came with the constructor: the program's folder, or a test's.
    if (!AppDir.empty()) AppDir = platform::IncludeTrailingDelimiter(kSyntax, AppDir);
    DefaultTrash = QStringLiteral("trash");
    Closing = false;
    SetLabelText(lblStatus1, QString());
    SetLabelText(lblStatus2, QString());

    edtFile = new TDropEdit(this);
    edtFile->OnFilenameChange = [this](TDropEdit&) { edtFileFilenameChange(); };
    edtFile->setGeometry(16, 24, 265, 20);
    edtFile->SetFileName({});
    lblFile->setBuddy(edtFile);

    edtFolder = new TDropEdit(this);
    edtFolder->OnFileDrop = [this](TDropEdit&) { edtFolderFileDrop(); };
    edtFolder->OnFilenameChange = [this](TDropEdit&) { edtFolderFilenameChange(); };
    edtFolder->setGeometry(16, 64, 265, 20);
    edtFolder->SetFileName({});
    lblFolder->setBuddy(edtFolder);

    edtTrashBase = new TDropEdit(this);
    edtTrashBase->setGeometry(16, 104, 265, 20);
    edtTrashBase->setFocusPolicy(Qt::ClickFocus);
    edtTrashBase->setReadOnly(true);
    edtTrashBase->SetColor(clBtnFace);
    edtTrashBase->SetFileName({});
    lblTrash->setBuddy(edtTrash);
    // With a focus target the access-key mark is no longer drawn: resize.
    for (QLabel* label : {lblFile, lblFolder, lblTrash}) label->adjustSize();

    QWidget* order[] = {edtFile, btnFile, edtFolder, btnFolder, edtTrash, rdgModeItem0,
                        rdgModeItem1, cmbBuffer, btnStart, btnAbort, btnClose};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    FolderDlg = &platform::TComponent::MakeOwned<components::TFolderDlg>(components_, this);
    FolderDlg->SetComment("Select Output Folder");

    Ini = &platform::TComponent::MakeOwned<components::TIniGT>(components_);
    Ini->SetDefaultDir(components::ddApplication);

    try {
        LoadLanguage();
    } catch (const components::EConvertError& e) {
        // The rest of the language file is not applied: the font is read
        // first and only applied whole, so the built-in texts and font stay.
        dialogs_->ShowError(this, kCaption, QString::fromUtf8(e.what()));
    }
}

void TMainForm::FormDestroy() {
    Closing = true;
    StopAndReleaseWorker();
    // Losing the focus while the boxes are taken down must not call back
    // into a window that is going away.
    for (TDropEdit* box : {edtFile, edtFolder, edtTrashBase}) {
        if (box != nullptr) {
            box->OnFilenameChange = nullptr;
            box->OnFileDrop = nullptr;
            box->OnChange = nullptr;
        }
    }
}

void TMainForm::StopAndReleaseWorker() {
    if (ScanThread == nullptr) return;
    // Waiting for the body means the chain being carved is written whole;
    // running the posted calls then delivers OnDone, after which the worker
    // releases itself. Closing is set, so nothing of the window changes.
    ScanThread->RequestStop();
    ScanThread->WaitFor();
    dispatcher_.RunPending();
}

void TMainForm::LayOutModeItems() {
    // Two columns; the toolkit's radio marks are wider than the layout
    // allowed for, so a first item that needs more room pushes the second
    // column right rather than being cut off.
    const int inner = rdgMode->width() - 8;
    const int column = inner / 2;
    const int top = 16;
    const int width0 = std::max(column, rdgModeItem0->sizeHint().width());
    rdgModeItem0->setGeometry(4, top, std::min(width0, inner), 20);
    const int left1 = 4 + std::min(width0, inner - column / 2);
    rdgModeItem1->setGeometry(left1, top, std::max(0, 4 + inner - left1), 20);
}

void TMainForm::SetLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

void TMainForm::SetRightAlignedLabelText(QLabel* label, int rightEdge, const QString& text) {
    SetLabelText(label, text);
    label->move(rightEdge - label->width(), label->y());
}

void TMainForm::ApplyWindowFont(const components::TFontAttributes& font) {
    setFont(ToWindowQFont(font));
    QPalette colours = palette();
    const QColor text = components::ToQColor(font.Color, QApplication::palette());
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Text, text);
    setPalette(colours);
    // Labels size themselves to their text in the new font.
    for (QLabel* label : {lblFile, lblFolder, lblTrash, lblUnit, lblStatusFix, lblStatus1, lblStatus2}) {
        label->adjustSize();
    }
    SetRightAlignedLabelText(lblDelimit, 291, lblDelimit->text());
    SetRightAlignedLabelText(lblBuffer, 296, lblBuffer->text());
    LayOutModeItems();
}

int TMainForm::SelectedBufferItem() const { return bufferEdited_ ? -1 : cmbBuffer->currentIndex(); }

std::string TMainForm::FindLanguageFile() const { return app::FindLanguageFile(AppDir); }

void TMainForm::LoadLanguage() {
    Ini->SetFileName(FindLanguageFile());
    if (Ini->FileName().empty()) return;

    const TLanguageEncoding encoding = TLanguageEncoding::OfFile(Ini->ResolvedPath());
    const std::string section(kLanguageSection);
    auto read = [&](const char* key, const QString& current) {
        return encoding.Decode(Ini->ReadString(section, key, encoding.Encode(current)));
    };

    components::TFontAttributes font = windowFont_;
    font.Name = encoding.Encode(AnsiToQString(windowFont_.Name));
    Ini->ReadFont(section, "Font", font);
    font.Name = QStringToAnsi(encoding.Decode(font.Name));
    windowFont_ = font;
    ApplyWindowFont(windowFont_);

    cmbBuffer->lineEdit()->deselect();

    SetLabelText(lblFile, read("InputFile", lblFile->text()));
    btnFile->setText(read("BrowseFile", btnFile->text()));
    OpenDialogFilter = read("Filter", OpenDialogFilter);
    SetLabelText(lblFolder, read("OutputFolder", lblFolder->text()));
    btnFolder->setText(read("BrowseFolder", btnFolder->text()));
    FolderDlg->SetComment(QStringToAnsi(read("SelectFolder", AnsiToQString(FolderDlg->Comment()))));
    SetLabelText(lblTrash, read("TrashFolder", lblTrash->text()));
    edtTrash->setText(read("DefaultTrashFolder", edtTrash->text()));
    DefaultTrash = edtTrash->text();
    rdgMode->setTitle(read("ScanMode", rdgMode->title()));
    const QString shallow = read("ShallowMode", rdgModeItem0->text());
    const QString bottom = read("BottomMode", rdgModeItem1->text());
    rdgModeItem0->setText(shallow);
    rdgModeItem1->setText(bottom);
    LayOutModeItems();
    SetLabelText(lblStatusFix, read("Status", lblStatusFix->text()));
    SetRightAlignedLabelText(lblBuffer, 296, read("Buffer", lblBuffer->text()));
    lblStatus1->move(lblStatusFix->x() + lblStatusFix->width() + 10, lblStatus1->y());
    btnStart->setText(read("Start", btnStart->text()));
    btnAbort->setText(read("Abort", btnAbort->text()));
    btnClose->setText(read("Close", btnClose->text()));
    Texts.NoFile = read("NoFile", Texts.NoFile);
    Texts.NowScan = read("NowScan", Texts.NowScan);
    Texts.CanStop = read("CanStop", Texts.CanStop);
    Texts.FoundData = read("FoundData", Texts.FoundData);
    Texts.FilesFound = read("FilesFound", Texts.FilesFound);
    Texts.HexPrefix = read("HexPrefix", Texts.HexPrefix);
}

void TMainForm::btnFileClick() {
    const auto chosen = dialogs_->ChooseFile(this, AnsiToQString(edtFile->FileName()),
                                             ToQtNameFilters(OpenDialogFilter));
    if (chosen) edtFile->SetFileName(QStringToAnsi(*chosen));
}

void TMainForm::btnFolderClick() {
    FolderDlg->SetFolderPath(edtFolder->FileName());
    if (FolderDlg->Execute()) edtFolder->SetFileName(FolderDlg->FolderPath());
}

void TMainForm::edtFileFilenameChange() {
    if (edtFolder->FileName().empty()) {
        edtFolder->SetFileName(platform::RemoveFileExt(kSyntax, edtFile->FileName()));
        return;
    }
    // A sibling of the present output folder, named after the new store; a
    // folder given with a trailing separator is itself the parent.
    const std::string base = platform::ExtractFileDir(kSyntax, edtFolder->FileName() + ".tmp");
    const std::string name =
        platform::RemoveFileExt(kSyntax, platform::ExtractFileName(kSyntax, edtFile->FileName()));
    edtFolder->SetFileName(platform::JoinPath(kSyntax, base, name));
}

void TMainForm::edtFolderFileDrop() {
    if (!platform::DirectoryExists(edtFolder->FileName())) {
        edtFolder->SetFileName(platform::ExtractFileDir(kSyntax, edtFolder->FileName()));
    }
}

void TMainForm::edtFolderFilenameChange() { edtTrashBase->SetFileName(edtFolder->FileName()); }

void TMainForm::btnStartClick() {
    const std::string path = edtFile->FileName();
    if (!platform::FileExists(path)) {
        dialogs_->ShowError(this, kCaption,
                            Texts.NoFile + QStringLiteral("\r\n\r\n\"") + AnsiToQString(path) + u'"');
        return;
    }
    if (edtTrash->text().isEmpty()) edtTrash->setText(DefaultTrash);
    std::string out = edtFolder->FileName();
    if (out.empty()) out = platform::RemoveFileExt(kSyntax, path);

    SetLabelText(lblStatus1, Texts.NowScan + QStringLiteral("..."));
    SetLabelText(lblStatus2, QString());
    progressScale_ = TProgressScale(FileSizeOf(path));
    ProgressBar->setMaximum(progressScale_.Maximum());
    btnStart->setEnabled(false);
    btnAbort->setEnabled(true);
    FoundCount = 0;

    auto worker = std::make_unique<TDBXScanThread>(dispatcher_, kSyntax);
    worker->Parent = &components_;
    // Finds are raised on the worker's writer thread and progress on its
    // search thread; posting both on the channel that also carries OnDone
    // keeps each in order and both ahead of it.
    worker->OnFound = [this](TDBXScanThread&, std::uint64_t address) {
        dispatcher_.Post([this, address] { ScanFound(address); });
    };
    worker->OnProgress = [this](TDBXScanThread&, std::uint64_t position) {
        dispatcher_.Post([this, position] { ScanProgress(position); });
    };
    worker->OnDone = [this](platform::TThread& sender) { ScanDone(TDBXScanThread::OutcomeOf(sender)); };
    engine::TScanSettings settings;
    settings.Source = path;
    settings.Output = out;
    settings.Trash = QStringToAnsi(edtTrash->text());
    settings.Mode = rdgModeItem0->isChecked() ? engine::TScanMode::Shallow : engine::TScanMode::Bottom;
    std::int32_t items = 1;
    if (const int item = SelectedBufferItem(); item >= 0) {
        items = components::StrToInt(QStringToAnsi(cmbBuffer->itemText(item))).value_or(1);
    }
    settings.BufferSize = items << 10;
    settings.ProgressSteps = 35;
    engine::ApplyScanSettings(*worker, settings);
    if (OnScanCreated) OnScanCreated(*worker);
    ScanThread = platform::TThread::StartFreeOnDone(std::move(worker));
}

void TMainForm::btnAbortClick() {
    if (ScanThread != nullptr) ScanThread->RequestStop();
}

void TMainForm::btnCloseClick() { close(); }

void TMainForm::FormCloseQuery(bool& canClose) {
    if (btnAbort->isEnabled() && !dialogs_->AskYesNo(this, kCaption, Texts.CanStop)) {
        canClose = false;
        return;
    }
    Closing = true;
    btnAbortClick();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    StopAndReleaseWorker();
    event->accept();
}

void TMainForm::ScanFound(std::uint64_t address) {
    // After a confirmed close the window is on its way out and keeps what
    // it shows.
    if (Closing) return;
    SetLabelText(lblStatus1, Texts.FoundData + QStringLiteral(" :"));
    lblStatus2->move(lblStatus1->x() + lblStatus1->width() + 10, lblStatus2->y());
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04llX", static_cast<unsigned long long>(address));
    SetLabelText(lblStatus2, Texts.HexPrefix + QString::fromLatin1(digits));
    ++FoundCount;
}

void TMainForm::ScanProgress(std::uint64_t position) {
    if (Closing) return;
    ProgressBar->setValue(progressScale_.Position(position));
}

void TMainForm::ScanDone(const engine::TScanOutcome& outcome) {
    ScanThread = nullptr;
    if (Closing) return;
    SetLabelText(lblStatus1, QString::number(FoundCount) + u' ' + Texts.FilesFound);
    SetLabelText(lblStatus2, QString());
    ProgressBar->setValue(0);
    btnStart->setEnabled(true);
    btnAbort->setEnabled(false);
    ShowScanOutcome(outcome);
}

void TMainForm::ShowScanOutcome(const engine::TScanOutcome& outcome) {
    if (!outcome.FailureText.empty()) {
        dialogs_->ShowError(this, kCaption,
                            QStringLiteral("The scan ended early:\r\n\r\n") + AnsiToQString(outcome.FailureText));
    } else if (outcome.Unwritten > 0) {
        dialogs_->ShowError(this, kCaption, AnsiToQString(engine::DescribeUnwritten(outcome)));
    }
}

}  // namespace tervaline::app

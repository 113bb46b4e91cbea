// The main window. Its controls are Qt widgets created with the window as
// their parent, which deletes them with itself: that is the one ownership
// scheme behind every `new` in this file.
#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <utility>

#include "app/CaptionFit.h"
#include "app/LanguageFile.h"
#include "app/OpenDialogFilter.h"
#include "app/WindowIcon.h"
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

constexpr int kLargestBufferKB = 5000;

// The mode frame's width in the layout; it grows, never shrinks, when its
// items need more room.
constexpr int kModeFrameWidth = 202;
// Margin inside the mode frame, and room between two of its items, so that
// one item's mark never touches the text before it.
constexpr int kModeInset = 4;
constexpr int kModeItemGap = 6;
// The items stand in one row below the frame's title. Those that need more
// room than one row gives stand in two lower ones, and the frame reaches
// down to just above the status line.
struct TModeRows {
    int FrameHeight;
    int Top;
    int Height;
};
constexpr TModeRows kModeRows[] = {{41, 16, 20}, {49, 17, 15}};
// Least room kept between two controls side by side.
constexpr int kControlGap = 4;
// The gap the status line keeps between its two parts.
constexpr int kStatusGap = 10;
// The messages an error box lists one by one; the rest it counts.
constexpr std::size_t kListedUnwritten = 20;

const QString kParagraph = QStringLiteral("\r\n\r\n");

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

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

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

std::optional<int> BufferKilobytes(const QString& text) {
    const QString digits = text.trimmed();
    // More digits than this are over the limit whatever they say.
    if (digits.isEmpty() || digits.size() > 9) return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        // Any decimal digit, so that full-width digits typed through an
        // input method count as well.
        if (!c.isDigit()) return std::nullopt;
        value = value * 10 + c.digitValue();
    }
    if (value < 1 || value > kLargestBufferKB) return std::nullopt;
    return value;
}

QString ElapsedText(std::int64_t milliseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(0, milliseconds) / 1000;
    const auto twoDigits = [](std::int64_t n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); };
    if (seconds < 3600) return QString::number(seconds / 60) + u':' + twoDigits(seconds % 60);
    return QString::number(seconds / 3600) + u':' + twoDigits(seconds / 60 % 60) + u':' + twoDigits(seconds % 60);
}

std::string OutputFolderFor(const std::string& store, const std::string& typed) {
    const std::string folder = typed.empty() ? engine::DefaultOutputFolder(kSyntax, store) : typed;
    if (platform::HasDrivePart(kSyntax, folder)) return folder;
    return platform::ExtractFilePath(kSyntax, store) + folder;
}

std::string NearestExistingFolder(const std::string& path) {
    if (!platform::HasDrivePart(kSyntax, path)) return {};
    std::string folder = path;
    while (!platform::DirectoryExists(folder)) {
        std::string parent = platform::ExtractFileDir(kSyntax, folder);
        if (parent.empty() || parent == folder) return {};
        folder = std::move(parent);
    }
    return folder;
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
    setWindowIcon(WindowIcon());
    setFixedSize(382, 257);
    CentreOnScreen();
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
    rdgModeItem2 = new QRadioButton(QStringLiteral("Deep Mode"), rdgMode);
    rdgModeItem0->setChecked(true);
    // Closer marks leave the items more room in the frame.
    rdgMode->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));

    lblBuffer = MakeLabel(this, 0, 152, QString());
    lblBuffer->setAlignment(Qt::AlignRight | Qt::AlignTop);
    SetRightAlignedLabelText(lblBuffer, 296, QStringLiteral("B&uffer :"));
    cmbBuffer = new QComboBox(this);
    cmbBuffer->setEditable(true);
    cmbBuffer->setInsertPolicy(QComboBox::NoInsert);
    cmbBuffer->addItems({"1", "5", "10", "50", "100", "500", "1000", "5000"});
    cmbBuffer->setCurrentIndex(2);
    cmbBuffer->setGeometry(301, 149, 48, 20);
    // The box is narrow: a longer number is shown smaller rather than cut.
    connect(cmbBuffer, &QComboBox::currentTextChanged, this, [this] { FitComboText(*cmbBuffer, font()); });
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
    closeFont_ = ToWindowQFont(windowFont_);
    btnClose->setFont(closeFont_);

    // In the corner the buttons leave free, below the progress bar.
    lblOpenFolder = new QLabel(this);
    lblOpenFolder->setTextFormat(Qt::RichText);
    lblOpenFolder->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblOpenFolder->move(16, 231);
    lblOpenFolder->hide();
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    connect(lblOpenFolder, &QLabel::linkActivated, this, [this] { OpenOutputFolder(); });

    // A choice few scans need, kept out of the fixed layout's way.
    actMbox = new QAction(QStringLiteral("Also write an &mbox file"), this);
    actMbox->setCheckable(true);
    addAction(actMbox);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(btnFile, &QPushButton::clicked, this, [this] { btnFileClick(); });
    connect(btnFolder, &QPushButton::clicked, this, [this] { btnFolderClick(); });
    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, btnClose, &QPushButton::click);
    // Enter in a box starts as Start does; a disabled Start ignores it.
    connect(edtTrash, &QLineEdit::returnPressed, btnStart, &QPushButton::click);
    connect(cmbBuffer->lineEdit(), &QLineEdit::returnPressed, btnStart, &QPushButton::click);
}

void TMainForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    move(screen->availableGeometry().center() - rect().center());
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
    for (TDropEdit* box : {edtFile, edtFolder}) {
        connect(box, &QLineEdit::returnPressed, btnStart, &QPushButton::click);
    }
    // With a focus target the access-key mark is no longer drawn: resize.
    for (QLabel* label : {lblFile, lblFolder, lblTrash}) label->adjustSize();

    QWidget* order[] = {edtFile,      btnFile,      edtFolder,    btnFolder, edtTrash, rdgModeItem0,
                        rdgModeItem1, rdgModeItem2, cmbBuffer,    btnStart,  btnAbort, btnClose,
                        lblOpenFolder};
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
        // Of the font's keys only the colour is read with a conversion that
        // can fail.
        const QString text = ReadLanguageText("BadLanguage", Texts.BadLanguage)
                                 .arg(AnsiToQString(Ini->ResolvedPath()), QStringLiteral("Font.Color"));
        dialogs_->ShowError(this, kCaption, text + kParagraph + QString::fromUtf8(e.what()));
    }
    ApplyDialogTexts();
    FitCaptions();
}

void TMainForm::ApplyDialogTexts() {
    dialogs_->Texts = Texts.Dialogs;
    FolderDlg->SetButtonCaptions(QStringToAnsi(Texts.Dialogs.Ok), QStringToAnsi(Texts.Dialogs.Cancel));
    lblOpenFolder->setText(QStringLiteral("<a href=\"folder\">%1</a>").arg(Texts.OpenFolder.toHtmlEscaped()));
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

void TMainForm::FitCaptions() {
    const QFont base = font();
    FitLabel(*lblFile, base, btnFile->x() - kControlGap - lblFile->x());
    FitLabel(*lblFolder, base, btnFolder->x() - kControlGap - lblFolder->x());
    FitLabel(*lblTrash, base, edtTrashBase->geometry().right() + 1 - lblTrash->x());
    FitLabel(*lblUnit, base, width() - kControlGap - lblUnit->x());
    // The status caption may take up to half of the status line.
    FitLabel(*lblStatusFix, base, ProgressBar->width() / 2);
    // The status text keeps its place unless its caption has grown into it.
    const int captionEnd = lblStatusFix->geometry().right() + 1;
    if (lblStatus1->x() <= captionEnd) lblStatus1->move(captionEnd + kStatusGap, lblStatus1->y());
    const int bufferRight = lblBuffer->geometry().right() + 1;
    FitLabel(*lblBuffer, base, bufferRight - (rdgMode->x() + kModeFrameWidth + kControlGap));
    lblBuffer->move(bufferRight - lblBuffer->width(), lblBuffer->y());
    LayOutModeItems();
    for (QPushButton* button : {btnFile, btnFolder, btnStart, btnAbort}) FitButton(*button, base);
    FitButton(*btnClose, closeFont_);
    FitComboText(*cmbBuffer, base);
    FitLabel(*lblOpenFolder, base, btnStart->x() - kControlGap - lblOpenFolder->x());
    FitStatusLine();
}

engine::TScanMode TMainForm::SelectedScanMode() const {
    if (rdgModeItem2->isChecked()) return engine::TScanMode::Deep;
    if (rdgModeItem1->isChecked()) return engine::TScanMode::Bottom;
    return engine::TScanMode::Shallow;
}

void TMainForm::LayOutModeItems() {
    const QList<QRadioButton*> radios = rdgMode->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    const std::vector<QWidget*> items(radios.begin(), radios.end());
    const int count = static_cast<int>(radios.size());
    if (count == 0) return;
    const QFont base = font();
    // The frame may grow to the right into the room the buffer label leaves.
    const int widest = std::max(kModeFrameWidth, lblBuffer->x() - kControlGap - rdgMode->x());
    auto columnsOf = [count](int rows) { return (count + rows - 1) / rows; };
    // Widths the columns need, the items filling the rows one after another.
    auto columnWidths = [&](int rows) {
        std::vector<int> widths(static_cast<std::size_t>(columnsOf(rows)), 0);
        for (int i = 0; i < count; ++i) {
            int& width = widths[static_cast<std::size_t>(i % columnsOf(rows))];
            width = std::max(width, radios[i]->sizeHint().width());
        }
        return widths;
    };
    auto frameWidth = [&](const std::vector<int>& widths) {
        return std::accumulate(widths.begin(), widths.end(), 0) +
               kModeItemGap * (static_cast<int>(widths.size()) - 1) + 2 * kModeInset;
    };
    // One row while the items fit it in the window's font; else the number
    // of rows that needs the least shrinking, the fewer on a tie.
    int rows = 1;
    int bestPixels = 0;
    for (int candidate = 1; candidate <= std::min<int>(count, std::size(kModeRows)); ++candidate) {
        FitFont(items, base, [&] { return frameWidth(columnWidths(candidate)) <= widest; });
        const int pixels = radios.front()->font().pixelSize();
        if (pixels > bestPixels) {
            bestPixels = pixels;
            rows = candidate;
        }
        if (pixels == base.pixelSize()) break;
    }
    QFont chosen = base;
    chosen.setPixelSize(bestPixels);
    for (QRadioButton* radio : radios) radio->setFont(chosen);

    const std::vector<int> wanted = columnWidths(rows);
    const int width = std::clamp(frameWidth(wanted), kModeFrameWidth, widest);
    const TModeRows& layout = kModeRows[rows - 1];
    rdgMode->resize(width, layout.FrameHeight);
    const int gaps = kModeItemGap * (static_cast<int>(wanted.size()) - 1);
    const std::vector<int> shares = ShareWidth(wanted, width - 2 * kModeInset - gaps);
    for (int i = 0; i < count; ++i) {
        const int column = i % columnsOf(rows);
        int left = kModeInset;
        for (int c = 0; c < column; ++c) left += shares[static_cast<std::size_t>(c)] + kModeItemGap;
        radios[i]->setGeometry(left, layout.Top + i / columnsOf(rows) * layout.Height,
                               shares[static_cast<std::size_t>(column)], layout.Height);
    }
    // The frame's own font only draws its title; each item has its own.
    FitFont({rdgMode}, base, [&] { return CaptionWidth(rdgMode->font(), rdgMode->title()) + 4 * kModeInset <= width; });
}

void TMainForm::FitStatusLine() {
    const int right = ProgressBar->geometry().right() + 1;
    FitFont({lblStatus1, lblStatus2}, font(), [&] {
        lblStatus1->adjustSize();
        lblStatus2->adjustSize();
        if (lblStatus2->text().isEmpty()) return lblStatus1->geometry().right() + 1 <= right;
        lblStatus2->move(lblStatus1->x() + lblStatus1->width() + kStatusGap, lblStatus2->y());
        return lblStatus2->geometry().right() + 1 <= right;
    });
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
}

std::string TMainForm::FindLanguageFile() const { return app::FindLanguageFile(AppDir); }

QString TMainForm::ReadLanguageText(const char* key, const QString& current) const {
    return languageEncoding_.Decode(
        Ini->ReadString(kLanguageSection, key, languageEncoding_.Encode(current)));
}

void TMainForm::LoadLanguage() {
    Ini->SetFileName(FindLanguageFile());
    if (Ini->FileName().empty()) return;

    languageEncoding_ = TLanguageEncoding::OfFile(Ini->ResolvedPath());
    auto read = [this](const char* key, const QString& current) { return ReadLanguageText(key, current); };

    components::TFontAttributes font = windowFont_;
    font.Name = languageEncoding_.Encode(AnsiToQString(windowFont_.Name));
    Ini->ReadFont(kLanguageSection, "Font", font);
    font.Name = QStringToAnsi(languageEncoding_.Decode(font.Name));
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
    const QString deep = read("DeepMode", rdgModeItem2->text());
    rdgModeItem0->setText(shallow);
    rdgModeItem1->setText(bottom);
    rdgModeItem2->setText(deep);
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
    Texts.ScanFailed = read("ScanFailed", Texts.ScanFailed);
    Texts.Unwritten = read("Unwritten", Texts.Unwritten);
    Texts.UnwrittenOne = read("UnwrittenOne", Texts.UnwrittenOne);
    Texts.UnwrittenMore = read("UnwrittenMore", Texts.UnwrittenMore);
    Texts.WrittenBeside = read("WrittenBeside", Texts.WrittenBeside);
    Texts.WrittenBesideOne = read("WrittenBesideOne", Texts.WrittenBesideOne);
    Texts.LeftoversRemoved = read("LeftoversRemoved", Texts.LeftoversRemoved);
    Texts.Unreadable = read("Unreadable", Texts.Unreadable);
    Texts.NoSignature = read("NoSignature", Texts.NoSignature);
    Texts.BadBuffer = read("BadBuffer", Texts.BadBuffer);
    Texts.BadLanguage = read("BadLanguage", Texts.BadLanguage);
    Texts.MailTrash = read("MailTrash", Texts.MailTrash);
    Texts.Finished = read("Finished", Texts.Finished);
    Texts.Stopped = read("Stopped", Texts.Stopped);
    Texts.OpenFolder = read("OpenFolder", Texts.OpenFolder);
    Texts.OpenFailed = read("OpenFailed", Texts.OpenFailed);
    Texts.ReportFailed = read("ReportFailed", Texts.ReportFailed);
    actMbox->setText(read("WriteMbox", actMbox->text()));
    Texts.Dialogs.Ok = read("OK", Texts.Dialogs.Ok);
    Texts.Dialogs.Yes = read("Yes", Texts.Dialogs.Yes);
    Texts.Dialogs.No = read("No", Texts.Dialogs.No);
    Texts.Dialogs.Cancel = read("Cancel", Texts.Dialogs.Cancel);
    Texts.Dialogs.Open = read("Open", Texts.Dialogs.Open);
    Texts.Dialogs.LookIn = read("LookIn", Texts.Dialogs.LookIn);
    Texts.Dialogs.FileName = read("FileName", Texts.Dialogs.FileName);
    Texts.Dialogs.FileType = read("FileType", Texts.Dialogs.FileType);
}

void TMainForm::btnFileClick() {
    const auto chosen = dialogs_->ChooseFile(this, AnsiToQString(edtFile->FileName()),
                                             ToQtNameFilters(OpenDialogFilter));
    if (chosen) edtFile->SetFileName(QStringToAnsi(*chosen));
}

void TMainForm::btnFolderClick() {
    // A folder the scan has yet to make is shown by the nearest one there is.
    const std::string folder = OutputFolderFor(edtFile->FileName(), edtFolder->FileName());
    FolderDlg->SetFolderPath(NearestExistingFolder(folder));
    if (FolderDlg->Execute()) edtFolder->SetFileName(FolderDlg->FolderPath());
}

void TMainForm::edtFileFilenameChange() {
    const std::string folder = engine::DefaultOutputFolder(kSyntax, edtFile->FileName());
    if (edtFolder->FileName().empty()) {
        edtFolder->SetFileName(folder);
        return;
    }
    // A sibling of the present output folder, named after the new store; a
    // folder given with a trailing separator is itself the parent.
    const std::string base = platform::ExtractFileDir(kSyntax, edtFolder->FileName() + ".tmp");
    const std::string name = platform::ExtractFileName(kSyntax, folder);
    edtFolder->SetFileName(platform::JoinPath(kSyntax, base, name));
}

void TMainForm::edtFolderFileDrop() {
    if (!platform::DirectoryExists(edtFolder->FileName())) {
        edtFolder->SetFileName(platform::ExtractFileDir(kSyntax, edtFolder->FileName()));
    }
}

void TMainForm::edtFolderFilenameChange() { edtTrashBase->SetFileName(edtFolder->FileName()); }

void TMainForm::btnStartClick() {
    // What a box shows is what counts, though it still has the focus.
    edtFile->TakeShownText();
    edtFolder->TakeShownText();
    const std::string path = edtFile->FileName();
    if (!platform::FileExists(path)) {
        dialogs_->ShowError(this, kCaption, Texts.NoFile + kParagraph + Quoted(AnsiToQString(path)));
        return;
    }
    const std::optional<int> kilobytes = BufferKilobytes(cmbBuffer->currentText());
    if (!kilobytes) {
        RefuseBuffer();
        return;
    }
    if (edtTrash->text().isEmpty()) edtTrash->setText(DefaultTrash);
    const std::string out = OutputFolderFor(path, edtFolder->FileName());
    const std::int32_t bufferBytes = *kilobytes << 10;
    ShowScanStarted(out);

    // Finds are raised on the worker's writer thread and progress on its
    // search thread; posting both on the channel that also carries Done
    // keeps each in order and both ahead of it.
    engine::TScanEvents events;
    events.Found = [this](const engine::TFoundMessage& found) {
        const bool inTrash = found.Place == engine::TMessagePlace::Trash;
        dispatcher_.Post([this, address = found.Address, inTrash] { ScanFound(address, inTrash); });
    };
    events.Unwritten = [this](const engine::TUnwrittenMessage& unwritten) {
        dispatcher_.Post([this, unwritten] { ScanUnwritten(unwritten); });
    };
    events.Progress = [this](const engine::TScanProgress& progress) {
        dispatcher_.Post([this, progress] { ScanProgress(progress); });
    };
    events.Done = [this](const engine::TScanOutcome& outcome) { ScanDone(outcome); };
    if (WrapScanEvents) WrapScanEvents(events);
    engine::TScanSettings settings;
    settings.Source = path;
    settings.Output = out;
    settings.Trash = QStringToAnsi(edtTrash->text());
    settings.Mode = SelectedScanMode();
    settings.BufferSize = bufferBytes;
    // The report is always written; the mbox file lies beside it.
    settings.Report = true;
    if (actMbox->isChecked()) settings.Mbox = engine::DefaultMboxPath(kSyntax, out, path);
    auto worker = std::make_unique<TDBXScanThread>(dispatcher_, std::move(settings), std::move(events), kSyntax);
    if (OnScanCreated) OnScanCreated(*worker);
    ScanThread = platform::TThread::StartFreeOnDone(std::move(worker));
}

void TMainForm::RefuseBuffer() {
    dialogs_->ShowError(this, kCaption, Texts.BadBuffer + kParagraph + Quoted(cmbBuffer->currentText()));
    cmbBuffer->setFocus();
    cmbBuffer->lineEdit()->selectAll();
}

void TMainForm::ShowScanStarted(const std::string& outputDir) {
    SetLabelText(lblStatus1, Texts.NowScan + QStringLiteral("..."));
    SetLabelText(lblStatus2, QString());
    FitStatusLine();
    lblOpenFolder->hide();
    ProgressBar->setMaximum(1000);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    btnAbort->setEnabled(true);
    // Disabling the focused Start would hand the focus on to Close, where a
    // Space meant for the next scan would end the program.
    btnAbort->setFocus();
    btnStart->setEnabled(false);
    FoundCount = 0;
    TrashCount = 0;
    Unwritten.clear();
    stopRequested_ = false;
    outputDir_ = outputDir;
    scanTimer_.start();
}

void TMainForm::btnAbortClick() {
    if (ScanThread == nullptr) return;
    stopRequested_ = true;
    ScanThread->RequestStop();
}

void TMainForm::btnCloseClick() { close(); }

bool TMainForm::ConfirmStop() {
    askingToStop_ = true;
    stopQuestionDismissed_ = false;
    const bool yes = dialogs_->AskYesNo(this, kCaption, Texts.CanStop);
    askingToStop_ = false;
    return yes || stopQuestionDismissed_;
}

void TMainForm::FormCloseQuery(bool& canClose) {
    if (btnAbort->isEnabled() && !ConfirmStop()) {
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

void TMainForm::ScanFound(std::uint64_t address, bool inTrash) {
    // After a confirmed close the window is on its way out and keeps what
    // it shows.
    if (Closing) return;
    SetLabelText(lblStatus1, Texts.FoundData + QStringLiteral(" :"));
    lblStatus2->move(lblStatus1->x() + lblStatus1->width() + kStatusGap, lblStatus2->y());
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04llX", static_cast<unsigned long long>(address));
    SetLabelText(lblStatus2, Texts.HexPrefix + QString::fromLatin1(digits));
    FitStatusLine();
    ++FoundCount;
    if (inTrash) ++TrashCount;
}

void TMainForm::ScanUnwritten(const engine::TUnwrittenMessage& message) {
    if (Unwritten.size() < kListedUnwritten) Unwritten.push_back(message);
}

void TMainForm::ScanProgress(const engine::TScanProgress& progress) {
    if (Closing) return;
    ProgressBar->setValue(progress.Permille());
}

void TMainForm::ScanDone(const engine::TScanOutcome& outcome) {
    ScanThread = nullptr;
    // A close waiting on its question goes ahead: there is no scan left to stop.
    if (askingToStop_) {
        stopQuestionDismissed_ = true;
        dialogs_->DismissQuestion();
    }
    if (Closing) return;
    // A stop that came once the scan had reached the end lost nothing.
    ShowScanEnd(stopRequested_ && !outcome.ReachedEnd, scanTimer_.elapsed());
    btnStart->setEnabled(true);
    if (focusWidget() == btnAbort) btnStart->setFocus();
    btnAbort->setEnabled(false);
    ShowScanOutcome(outcome);
}

void TMainForm::ShowScanEnd(bool stopped, std::int64_t elapsedMs) {
    SetLabelText(lblStatus1, QString::number(FoundCount) + u' ' + Texts.FilesFound);
    SetLabelText(lblStatus2, Texts.MailTrash.arg(FoundCount - TrashCount).arg(TrashCount));
    FitStatusLine();
    // The bar says how the scan ended and how long it took; after a stop it
    // stays where the scan got to.
    const QString elapsed = ElapsedText(elapsedMs);
    if (stopped) {
        const int percent = static_cast<int>(100LL * ProgressBar->value() / std::max(1, ProgressBar->maximum()));
        ProgressBar->setFormat(Texts.Stopped.arg(QString::number(percent), elapsed));
    } else {
        ProgressBar->setValue(0);
        ProgressBar->setFormat(Texts.Finished.arg(elapsed));
    }
    ProgressBar->setTextVisible(true);
    lblOpenFolder->setToolTip(AnsiToQString(outputDir_));
    lblOpenFolder->setVisible(!outputDir_.empty() && platform::DirectoryExists(outputDir_));
}

void TMainForm::OpenOutputFolder() {
    const QString folder = AnsiToQString(outputDir_);
    if (OpenUrl(QUrl::fromLocalFile(folder))) return;
    dialogs_->ShowError(this, kCaption, Texts.OpenFailed + kParagraph + folder);
}

void TMainForm::ShowScanOutcome(const engine::TScanOutcome& outcome) {
    if (!outcome.FailureText.empty()) {
        dialogs_->ShowError(this, kCaption, Texts.ScanFailed + kParagraph + AnsiToQString(outcome.FailureText));
    } else if (outcome.Unwritten > 0) {
        const std::uint64_t count = outcome.Unwritten;
        QStringList lines;
        for (const engine::TUnwrittenMessage& message : Unwritten) {
            char digits[24];
            std::snprintf(digits, sizeof digits, "%08llX", static_cast<unsigned long long>(message.Address));
            lines << Texts.HexPrefix + QString::fromLatin1(digits) + QStringLiteral(": ") +
                         AnsiToQString(message.Reason);
        }
        if (count > Unwritten.size()) lines << Texts.UnwrittenMore.arg(count - Unwritten.size());
        dialogs_->ShowError(this, kCaption,
                            (count == 1 ? Texts.UnwrittenOne : Texts.Unwritten.arg(count)) + kParagraph +
                                lines.join(QStringLiteral("\r\n")));
    } else if (!outcome.ReportFailure.empty()) {
        dialogs_->ShowError(this, kCaption, Texts.ReportFailed + kParagraph + AnsiToQString(outcome.ReportFailure));
    }
    // What else the user should know goes in one box, a paragraph each.
    QStringList notes;
    if (outcome.WrittenBeside == 1) notes << Texts.WrittenBesideOne;
    if (outcome.WrittenBeside > 1) notes << Texts.WrittenBeside.arg(outcome.WrittenBeside);
    if (outcome.LeftoversRemoved > 0) notes << Texts.LeftoversRemoved.arg(outcome.LeftoversRemoved);
    if (outcome.UnreadableBytes > 0) {
        notes << Texts.Unreadable.arg(outcome.UnreadableBytes).arg(static_cast<qulonglong>(outcome.Unreadable.size()));
    }
    if (outcome.ReachedEnd && outcome.Carved == 0 && !outcome.StoreSignature) notes << Texts.NoSignature;
    if (!notes.isEmpty()) dialogs_->ShowInformation(this, kCaption, notes.join(kParagraph));
}

}  // namespace tervaline::app

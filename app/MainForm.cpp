// The main window. Its controls are Qt widgets created with the window as
// their parent, which deletes them with itself: that is the one ownership
// scheme behind every `new` in this file.
#include "app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

#include "app/CaptionFit.h"
#include "app/OpenDialogFilter.h"
#include "app/WindowIcon.h"
#include "components/DropEdit.h"
#include "components/Font.h"
#include "components/FoldrDlg.h"
#include "platform/PathSyntax.h"
#include "ui/BufferSize.h"
#include "ui/RememberedChoices.h"
#include "ui/WindowLayout.h"

namespace tervaline::app {

using components::TDropEdit;

namespace {

constexpr auto kSyntax = platform::NativePathSyntax();
const QString kCaption = QString::fromUtf8(ui::kWindowCaption.data(), static_cast<qsizetype>(ui::kWindowCaption.size()));

// Faces that carry the Japanese glyphs of the window's own face, for
// systems that do not have it.
const QStringList kJapaneseFallbackFaces = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};

constexpr components::TColor clBtnFace = components::kSystemColorFlag + 15;

using ui::kControlGap;
using ui::kModeFrameWidth;
using ui::kModeInset;
using ui::kModeItemGap;
using ui::kModeRows;
using ui::TModeRows;
using ui::kStatusGap;

// The layout is laid out in pixels for a 96 dpi screen, so font sizes in
// points are turned into pixels at that resolution, whatever the screen.
int PixelsOfPoints(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

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

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string U(const QString& text) { return text.toStdString(); }

QFont ToWindowQFont(const ui::TWindowFont& attributes) {
    QFont font;
    font.setFamilies(WindowFontFamilies(Q(attributes.Face)));
    font.setPixelSize(PixelsOfPoints(attributes.Points > 0 ? attributes.Points : 9));
    // Every attribute is set, so that a control given this font keeps all
    // of it when the window's font changes later.
    font.setBold((attributes.Style & ui::kBoldStyle) != 0);
    font.setItalic((attributes.Style & ui::kItalicStyle) != 0);
    font.setUnderline((attributes.Style & ui::kUnderlineStyle) != 0);
    font.setStrikeOut((attributes.Style & ui::kStrikeOutStyle) != 0);
    return font;
}

// A bar's format takes %p, %v and %m for numbers of its own.
QString LiteralBarFormat(const std::string& text) { return Q(text).replace(u'%', QStringLiteral("%%")); }

}  // namespace

QStringList WindowFontFamilies(const QString& face) {
    QStringList families;
    if (!face.isEmpty()) families.append(face);
    for (const QString& fallback : kJapaneseFallbackFaces) {
        if (!families.contains(fallback, Qt::CaseInsensitive)) families.append(fallback);
    }
    return families;
}

bool CanDrawText(std::string_view utf8) {
    // The toolkit draws a character missing from the chosen face with any
    // installed face that has it, so one that has it is enough.
    static std::map<char32_t, bool> known;
    const QStringList families = QFontDatabase::families();
    for (const char32_t c : QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4()) {
        if (c < 0x80) continue;
        auto found = known.find(c);
        if (found == known.end()) {
            const bool drawable = std::any_of(families.begin(), families.end(), [c](const QString& family) {
                return QFontMetrics(QFont(family)).inFontUcs4(c);
            });
            found = known.emplace(c, drawable).first;
        }
        if (!found->second) return false;
    }
    return true;
}

TMainForm::TMainForm(std::string appDir, TUserDialogs* dialogs, QWidget* parent,
                     ui::TMainWindowModel::TScanFactory makeScan)
    : QWidget(parent), dialogs_(dialogs) {
    if (dialogs_ == nullptr) {
        ownDialogs_ = std::make_unique<TQtUserDialogs>();
        dialogs_ = ownDialogs_.get();
    }
    CreateControls();
    ui::TMainWindowModel::TEnvironment environment;
    environment.ProgramFolder = std::move(appDir);
    environment.SettingsFile = ui::RememberedChoicesPath();
    environment.CanDraw = CanDrawText;
    environment.MakeScan = std::move(makeScan);
    model_ = std::make_unique<ui::TMainWindowModel>(dispatcher_, std::move(environment));
    ApplyLanguage();
    ConnectControls();
    model_->OnChanged = [this] { Refresh(); };
    Refresh();
}

TMainForm::~TMainForm() {
    // Losing the focus while the boxes are taken down must not call back
    // into a window that is going away.
    for (TDropEdit* box : {edtFile, edtFolder, edtTrashBase}) {
        box->OnFilenameChange = nullptr;
        box->OnFileDrop = nullptr;
    }
    model_.reset();
}

void TMainForm::ApplyLanguage() {
    const ui::TInterfaceTexts& t = model_->Texts();
    const QFont windowFont = ToWindowQFont(model_->Font());
    setFont(windowFont);
    QPalette colours = palette();
    const QColor text = components::ToQColor(model_->Font().Color, QApplication::palette());
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::Text, text);
    setPalette(colours);
    cmbBuffer->lineEdit()->deselect();

    SetLabelText(lblFile, Q(t.InputFile));
    btnFile->setText(Q(t.BrowseFile));
    SetLabelText(lblFolder, Q(t.OutputFolder));
    btnFolder->setText(Q(t.BrowseFolder));
    FolderDlg->SetComment(t.SelectFolder);
    FolderDlg->SetButtonCaptions(t.Ok, t.Cancel);
    SetLabelText(lblTrash, Q(t.TrashFolder));
    for (QLabel* label : {lblUnit, lblStatus1, lblStatus2}) label->adjustSize();
    SetRightAlignedLabelText(lblDelimit, 291, lblDelimit->text());
    rdgMode->setTitle(Q(t.ScanMode));
    rdgModeItem0->setText(Q(t.ShallowMode));
    rdgModeItem1->setText(Q(t.BottomMode));
    rdgModeItem2->setText(Q(t.DeepMode));
    SetLabelText(lblStatusFix, Q(t.Status));
    SetRightAlignedLabelText(lblBuffer, 296, Q(t.Buffer));
    // A language file's status caption sets where the status text starts.
    if (!model_->LanguageFile().empty()) {
        lblStatus1->move(lblStatusFix->x() + lblStatusFix->width() + kStatusGap, lblStatus1->y());
    }
    btnStart->setText(Q(t.Start));
    btnAbort->setText(Q(t.Abort));
    btnClose->setText(Q(t.Close));
    lblOpenFolder->setText(QStringLiteral("<a href=\"folder\">%1</a>").arg(Q(t.OpenFolder).toHtmlEscaped()));
    actMbox->setText(Q(t.WriteMbox));
    actMboxAll->setText(Q(t.MboxAll));
    actHashStore->setText(Q(t.HashStore));
    dialogs_->Texts = {Q(t.Ok), Q(t.Yes), Q(t.No), Q(t.Cancel), Q(t.Open), Q(t.LookIn), Q(t.FileName), Q(t.FileType)};

    // The model's starting values: the trash name and the remembered choices.
    edtTrash->setText(Q(model_->TrashName()));
    cmbBuffer->setEditText(Q(model_->BufferText()));
    const engine::TScanMode mode = model_->Mode();
    (mode == engine::TScanMode::Deep     ? rdgModeItem2
     : mode == engine::TScanMode::Bottom ? rdgModeItem1
                                         : rdgModeItem0)
        ->setChecked(true);
    FitCaptions();
}

void TMainForm::ConnectControls() {
    edtFile->OnFilenameChange = [this](TDropEdit& box) {
        if (!refreshing_) model_->SetStorePath(box.FileName());
    };
    edtFolder->OnFilenameChange = [this](TDropEdit& box) {
        if (!refreshing_) model_->SetOutputFolder(box.FileName());
    };
    edtFolder->OnFileDrop = [this](TDropEdit& box) { model_->DropOnOutputFolder(box.FileName()); };
    connect(edtTrash, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!refreshing_) model_->SetTrashName(U(text));
    });
    connect(cmbBuffer, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!refreshing_) model_->SetBufferText(U(text));
        // The box is narrow: a longer number is shown smaller rather than cut.
        FitComboText(*cmbBuffer, font());
    });
    const std::pair<QRadioButton*, engine::TScanMode> modes[] = {{rdgModeItem0, engine::TScanMode::Shallow},
                                                                 {rdgModeItem1, engine::TScanMode::Bottom},
                                                                 {rdgModeItem2, engine::TScanMode::Deep}};
    for (const auto& [radio, mode] : modes) {
        connect(radio, &QRadioButton::toggled, this, [this, mode](bool on) {
            if (on && !refreshing_) model_->SetMode(mode);
        });
    }
    connect(actMbox, &QAction::toggled, this, [this](bool on) { model_->SetWriteMbox(on); });
    connect(actMboxAll, &QAction::toggled, this, [this](bool on) { model_->SetMboxAll(on); });
    connect(actHashStore, &QAction::toggled, this, [this](bool on) { model_->SetHashStore(on); });
    connect(btnFile, &QPushButton::clicked, this, [this] { BrowseStore(); });
    connect(btnFolder, &QPushButton::clicked, this, [this] { BrowseOutput(); });
    connect(btnStart, &QPushButton::clicked, this, [this] { StartClicked(); });
    connect(btnAbort, &QPushButton::clicked, this, [this] { model_->Abort(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
    connect(lblOpenFolder, &QLabel::linkActivated, this, [this] { OpenOutputFolder(); });
    // Enter in a box starts as Start does; a disabled Start ignores it.
    for (QLineEdit* box : {static_cast<QLineEdit*>(edtFile), static_cast<QLineEdit*>(edtFolder), edtTrash,
                           cmbBuffer->lineEdit()}) {
        connect(box, &QLineEdit::returnPressed, btnStart, &QPushButton::click);
    }
}

void TMainForm::Refresh() {
    refreshing_ = true;
    const ui::TControlStates states = model_->Controls();
    edtFile->setEnabled(states.StoreBox);
    btnFile->setEnabled(states.BrowseStore);
    edtFolder->setEnabled(states.OutputBox);
    btnFolder->setEnabled(states.BrowseOutput);
    edtTrash->setEnabled(states.TrashBox);
    rdgMode->setEnabled(states.ModeChoice);
    cmbBuffer->setEnabled(states.BufferBox);
    for (QAction* action : {actMbox, actMboxAll, actHashStore}) action->setEnabled(states.ScanOptions);
    btnStart->setEnabled(states.Start);
    btnAbort->setEnabled(states.Abort);
    btnClose->setEnabled(states.Close);
    lblOpenFolder->setVisible(states.OpenFolder);
    lblOpenFolder->setToolTip(Q(model_->OpenFolderPath()));

    if (edtFile->FileName() != model_->StorePath()) edtFile->SetFileName(model_->StorePath());
    if (edtFolder->FileName() != model_->OutputFolder()) edtFolder->SetFileName(model_->OutputFolder());
    if (edtTrashBase->FileName() != model_->TrashBase()) edtTrashBase->SetFileName(model_->TrashBase());
    if (U(edtTrash->text()) != model_->TrashName()) edtTrash->setText(Q(model_->TrashName()));

    ShowStatus(model_->Status());
    refreshing_ = false;

    if (asking_ && model_->StopQuestionMoot()) dialogs_->DismissQuestion();
    ApplyFocus();
    ShowMessages();
}

void TMainForm::ShowStatus(const ui::TStatusView& status) {
    SetLabelText(lblStatus1, Q(status.Line1));
    SetLabelText(lblStatus2, Q(status.Line2));
    FitStatusLine();
    ProgressBar->setRange(0, ui::kFullBar);
    ProgressBar->setValue(status.Permille);
    ProgressBar->setFormat(LiteralBarFormat(status.BarText));
    ProgressBar->setTextVisible(!status.BarText.empty());
}

void TMainForm::ApplyFocus() {
    const std::optional<ui::TFocusTarget> target = model_->TakeFocus();
    if (!target) return;
    switch (*target) {
        case ui::TFocusTarget::StoreBox:
            edtFile->setFocus();
            break;
        case ui::TFocusTarget::BufferBox:
            cmbBuffer->setFocus();
            cmbBuffer->lineEdit()->selectAll();
            break;
        case ui::TFocusTarget::Abort:
            btnAbort->setFocus();
            break;
        case ui::TFocusTarget::Start:
            btnStart->setFocus();
            break;
    }
}

void TMainForm::ShowMessages() {
    for (const ui::TUserMessage& message : model_->TakeMessages()) {
        if (message.Kind == ui::TMessageKind::Error) {
            dialogs_->ShowError(this, kCaption, Q(message.Text));
        } else {
            dialogs_->ShowInformation(this, kCaption, Q(message.Text));
        }
    }
}

void TMainForm::BrowseStore() {
    const auto chosen =
        dialogs_->ChooseFile(this, Q(model_->StorePickerStart()), ToQtNameFilters(Q(model_->Texts().Filter)));
    if (chosen) model_->SetStorePath(U(*chosen));
}

void TMainForm::BrowseOutput() {
    FolderDlg->SetFolderPath(model_->OutputPickerStart());
    if (FolderDlg->Execute()) model_->SetOutputFolder(FolderDlg->FolderPath());
}

void TMainForm::StartClicked() {
    // What a box shows is what counts, though it still has the focus.
    edtFile->TakeShownText();
    edtFolder->TakeShownText();
    model_->Start();
}

void TMainForm::OpenOutputFolder() {
    if (!OpenUrl(QUrl::fromLocalFile(Q(model_->OpenFolderPath())))) model_->OpenFolderFailed();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Only an Esc no control took closes the window: one meant for an open
    // drop-down goes to the drop-down, which keeps the keyboard while open,
    // and never takes the window and what was typed with it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnClose->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (model_->RequestClose() == ui::TCloseStep::AskToStop) {
        const ui::TStopQuestion question = model_->StopQuestion();
        asking_ = true;
        const bool stop = dialogs_->AskYesNo(this, kCaption, Q(question.Text));
        asking_ = false;
        if (!model_->AnswerStopQuestion(stop)) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

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

    setFont(ToWindowQFont(ui::TWindowFont{}));

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
    for (int kilobytes : ui::BufferChoices()) cmbBuffer->addItem(QString::number(kilobytes));
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
    closeFont_ = ToWindowQFont(ui::TWindowFont{});
    btnClose->setFont(closeFont_);

    // In the corner the buttons leave free, below the progress bar.
    lblOpenFolder = new QLabel(this);
    lblOpenFolder->setTextFormat(Qt::RichText);
    lblOpenFolder->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblOpenFolder->move(16, 231);
    lblOpenFolder->hide();
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    actMbox = new QAction(this);
    actMboxAll = new QAction(this);
    actHashStore = new QAction(this);
    for (QAction* action : {actMbox, actMboxAll, actHashStore}) {
        action->setCheckable(true);
        addAction(action);
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);

    edtFile = new TDropEdit(this);
    edtFile->setGeometry(16, 24, 265, 20);
    lblFile->setBuddy(edtFile);
    edtFolder = new TDropEdit(this);
    edtFolder->setGeometry(16, 64, 265, 20);
    lblFolder->setBuddy(edtFolder);
    edtTrashBase = new TDropEdit(this);
    edtTrashBase->setGeometry(16, 104, 265, 20);
    edtTrashBase->setFocusPolicy(Qt::ClickFocus);
    edtTrashBase->setReadOnly(true);
    edtTrashBase->SetColor(clBtnFace);
    lblTrash->setBuddy(edtTrash);
    // With a focus target the access-key mark is no longer drawn: resize.
    for (QLabel* label : {lblFile, lblFolder, lblTrash}) label->adjustSize();

    QWidget* order[] = {edtFile,      btnFile,      edtFolder,    btnFolder, edtTrash, rdgModeItem0,
                        rdgModeItem1, rdgModeItem2, cmbBuffer,    btnStart,  btnAbort, btnClose,
                        lblOpenFolder};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    FolderDlg = &platform::TComponent::MakeOwned<components::TFolderDlg>(components_, this);
}


void TMainForm::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    move(screen->availableGeometry().center() - rect().center());
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
    const std::vector<int> shares = ui::ShareWidth(wanted, width - 2 * kModeInset - gaps);
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


}  // namespace tervaline::app

#include "components/DropEdit.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

#include <utility>

#include "components/AnsiText.h"
#include "components/MinimizeFileName.h"

namespace tervaline::components {

namespace {

constexpr TColor clWindow = kSystemColorFlag + 5;

// Room kept free beside the compacted text, so that it never touches the frame.
constexpr int kWidthMargin = 10;

std::vector<std::string> LocalFilesOf(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths.push_back(QStringToAnsi(url.toLocalFile()));
    }
    return paths;
}

// Focus that leaves with the whole window (another program, a popup menu)
// comes back to the same box, so the box keeps showing what it showed.
bool MovesWithinWindow(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

std::string MinimizeFileName(std::string_view name, const QFontMetrics& metrics, int maxWidth) {
    return MinimizeFileName(
        platform::NativePathSyntax(), name,
        [&metrics](std::string_view text) { return metrics.horizontalAdvance(AnsiToQString(text)); },
        maxWidth);
}

TDropEdit::TDropEdit(QWidget* parent) : QLineEdit(parent), color_(clWindow) {
    setAcceptDrops(true);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) OnChange(*this);
    });
}

void TDropEdit::SetAutoMinimize(bool value) {
    autoMinimize_ = value;
    SetFileName(fileName_);
}

bool TDropEdit::ShowsCompactForm() const {
    if (!autoMinimize_) return false;
    const QWidget* form = window();
    if (form == this) return false;
    if (losingFocus_) return true;
    return form->focusWidget() != this;
}

void TDropEdit::SetFileName(std::string value) {
    const std::string previous = std::exchange(fileName_, std::move(value));
    // The application's default font, not the box's own, as the compacted
    // form has always been measured.
    minFileName_ = MinimizeFileName(fileName_, QFontMetrics(QApplication::font()),
                                    contentsRect().width() - kWidthMargin);
    showingCompact_ = ShowsCompactForm();
    setText(AnsiToQString(showingCompact_ ? minFileName_ : fileName_));
    // A path too long for the box can be read whole without entering it.
    setToolTip(minFileName_ != fileName_ ? AnsiToQString(fileName_) : QString());
    if (previous != fileName_ && OnFilenameChange) OnFilenameChange(*this);
}

void TDropEdit::TakeShownText() {
    if (showingCompact_) return;
    std::string shown = QStringToAnsi(text());
    if (shown != fileName_) SetFileName(std::move(shown));
}

void TDropEdit::SetColor(TColor value) {
    color_ = value;
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ToQColor(value, colors));
    setPalette(colors);
}

void TDropEdit::DropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    SetFileName(paths.front());
    if (OnFileDrop) OnFileDrop(*this);
}

void TDropEdit::PutCaretAtEnd() {
    deselect();
    setCursorPosition(static_cast<int>(text().size()));
}

void TDropEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!autoMinimize_) return;
    // Coming back with its window, the box still shows the full text and
    // perhaps an edit in progress; the compacted form, as on the window's
    // first activation, must give way all the same.
    if (!MovesWithinWindow(event->reason()) && !showingCompact_) return;
    showingCompact_ = false;
    setText(AnsiToQString(fileName_));
    PutCaretAtEnd();
    if (event->reason() == Qt::MouseFocusReason) focusedByClick_ = true;
}

void TDropEdit::focusOutEvent(QFocusEvent* event) {
    if (MovesWithinWindow(event->reason())) {
        TFlagScope leaving(losingFocus_);
        SetFileName(QStringToAnsi(text()));
    }
    QLineEdit::focusOutEvent(event);
}

void TDropEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (autoMinimize_ && focusedByClick_) {
        PutCaretAtEnd();
        focusedByClick_ = false;
    }
}

void TDropEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFilesOf(event->mimeData()).empty()) {
        event->acceptProposedAction();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TDropEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFilesOf(event->mimeData()).empty()) {
        event->acceptProposedAction();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TDropEdit::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = LocalFilesOf(event->mimeData());
    if (paths.empty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    DropFiles(paths);
    event->acceptProposedAction();
}

}  // namespace tervaline::components

// TDropEdit: a one-line box holding one full file or folder path. It takes
// the first of the files dropped on it from the desktop, and while it is not
// the focused control of its window it shows the path compacted to its width,
// with the full path as its tooltip.
#pragma once

#include <QFontMetrics>
#include <QLineEdit>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "components/Font.h"

namespace tervaline::components {

// Name compacted in the native path syntax, measured with Metrics.
std::string MinimizeFileName(std::string_view name, const QFontMetrics& metrics, int maxWidth);

class TDropEdit : public QLineEdit {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TDropEdit& sender)>;

    explicit TDropEdit(QWidget* parent = nullptr);

    // The box got the focus from a mouse press; the press itself must then
    // leave the caret at the end of the full path.
    bool FocusedByClick() const { return focusedByClick_; }

    bool AutoMinimize() const { return autoMinimize_; }
    void SetAutoMinimize(bool value);

    const std::string& FileName() const { return fileName_; }
    // Recomputes MinFileName for the present width, shows the form that
    // fits the focus state, and fires OnFilenameChange when the name differs
    // byte for byte from the previous one.
    void SetFileName(std::string value);
    const std::string& MinFileName() const { return minFileName_; }

    // Takes a path still being typed as FileName at once, as leaving the box
    // would, for a command that acts while the focus stays here. A box that
    // shows its compacted form holds nothing typed and keeps its name.
    void TakeShownText();

    TColor Color() const { return color_; }
    void SetColor(TColor value);

    // Takes the first of Paths as FileName and then fires OnFileDrop; an
    // empty list changes nothing. A read-only box takes a drop too.
    void DropFiles(const std::vector<std::string>& paths);

    TNotifyEvent OnChange;  // the shown text changed
    TNotifyEvent OnFileDrop;
    TNotifyEvent OnFilenameChange;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool ShowsCompactForm() const;
    void PutCaretAtEnd();

    bool focusedByClick_ = false;
    bool autoMinimize_ = true;
    bool losingFocus_ = false;
    bool showingCompact_ = false;
    std::string fileName_;
    std::string minFileName_;
    TColor color_;
};

}  // namespace tervaline::components

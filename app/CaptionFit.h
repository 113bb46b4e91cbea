// Fitting captions into the room the window's fixed layout leaves them. A
// caption too wide for its control is drawn a pixel smaller at a time in the
// same face, rather than cut, so that a fallback font or a longer language
// still shows every letter.
#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace tervaline::app {

// Smaller than this a caption is no longer legible; it is left as it is.
inline constexpr int kSmallestCaptionPixels = 8;

// Width Caption needs in Font, an access-key mark not counted.
int CaptionWidth(const QFont& font, const QString& caption);

// Gives every one of Controls the font Base, or Base a pixel smaller at a
// time, until Fits holds or the smallest legible size is reached.
void FitFont(const std::vector<QWidget*>& controls, const QFont& base, const std::function<bool()>& fits);

// The caption between the button's bevels, with a pixel or two to spare.
void FitButton(QPushButton& button, const QFont& base);
// The text an editable combo box shows inside its edit field; its list
// keeps Base.
void FitComboText(QComboBox& box, const QFont& base);
// The label sized to its text, no wider than Room.
void FitLabel(QLabel& label, const QFont& base, int room);


}  // namespace tervaline::app

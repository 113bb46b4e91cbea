#include "app/CaptionFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>


namespace tervaline::app {

namespace {

// Room kept free on either side of a caption so that it does not touch a
// bevel or a frame.
constexpr int kCaptionPadding = 2;

int PixelsOf(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize(); }

}  // namespace

int CaptionWidth(const QFont& font, const QString& caption) {
    return QFontMetrics(font).size(Qt::TextShowMnemonic, caption).width();
}

void FitFont(const std::vector<QWidget*>& controls, const QFont& base, const std::function<bool()>& fits) {
    QFont font = base;
    for (int pixels = PixelsOf(base);; --pixels) {
        font.setPixelSize(pixels);
        for (QWidget* control : controls) control->setFont(font);
        if (pixels <= kSmallestCaptionPixels || fits()) return;
    }
}

void FitButton(QPushButton& button, const QFont& base) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = button.rect();
    const int room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width() - 2 * kCaptionPadding;
    FitFont({&button}, base, [&] { return CaptionWidth(button.font(), button.text()) <= room; });
}

void FitComboText(QComboBox& box, const QFont& base) {
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = box.isEditable();
    const int field = box.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &box).width();
    // The line edit in the field keeps a margin of its own on either side.
    const int room = field - 2 * kCaptionPadding;
    FitFont({&box}, base, [&] { return QFontMetrics(box.font()).horizontalAdvance(box.currentText()) <= room; });
    box.view()->setFont(base);
}

void FitLabel(QLabel& label, const QFont& base, int room) {
    FitFont({&label}, base, [&] {
        label.adjustSize();
        return label.width() <= room;
    });
    label.adjustSize();
}

}  // namespace tervaline::app

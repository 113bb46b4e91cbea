#include "app/WindowIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tervaline::app {

namespace {

// Drawn on a 64-unit square and scaled to Size.
QPixmap IconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // The store: a dark box with a crack down its front.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2F, 0x4F, 0x7F));
    painter.drawRoundedRect(QRectF(4, 26, 56, 34), 5, 5);
    QPainterPath crack;
    crack.moveTo(30, 26);
    crack.lineTo(36, 36);
    crack.lineTo(28, 46);
    crack.lineTo(34, 60);
    painter.setPen(QPen(QColor(0xF2, 0xC1, 0x4E), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(crack);

    // The letter, coming out of it whole.
    const QRectF letter(12, 6, 40, 28);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.5));
    painter.setBrush(Qt::white);
    painter.drawRect(letter);
    QPainterPath flap;
    flap.moveTo(letter.topLeft());
    flap.lineTo(letter.center().x(), letter.top() + 16);
    flap.lineTo(letter.topRight());
    painter.drawPath(flap);
    return pixmap;
}

}  // namespace

QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(IconPixmap(size));
    return icon;
}

}  // namespace tervaline::app

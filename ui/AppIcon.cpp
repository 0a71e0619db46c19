#include "ui/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    painter.scale(unit, unit);

    // Pins on the left and right edge of the chip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB0, 0xB8, 0xC0));
    for (int i = 0; i < 4; ++i) {
        painter.drawRect(QRectF(2, 8 + i * 5, 4, 2));
        painter.drawRect(QRectF(26, 8 + i * 5, 4, 2));
    }
    // The chip body.
    painter.setBrush(QColor(0x1F, 0x4E, 0x79));
    painter.drawRoundedRect(QRectF(6, 4, 20, 24), 3, 3);
    // A memory card half inserted at the top.
    painter.setBrush(QColor(0xF2, 0xA9, 0x00));
    painter.drawRect(QRectF(11, 1, 10, 9));
    painter.setBrush(QColor(0x1F, 0x4E, 0x79));
    for (int i = 0; i < 4; ++i)
        painter.drawRect(QRectF(12.5 + i * 2, 2, 1, 3));
    // A "Q" on the chip.
    painter.setPen(QPen(Qt::white, 2.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(11, 13, 10, 10));
    painter.drawLine(QPointF(18, 20), QPointF(22, 25));
    return pixmap;
}

} // namespace

QIcon QuillixIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace pv {

namespace {

// A grid page in front of two pages fanned out behind it: one workbook becoming several.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    const QRectF page(unit * 1, unit * 4, unit * 10, unit * 11);
    const QColor shades[] = {QColor(0xf2, 0xc1, 0x8d), QColor(0xd9, 0x7a, 0x2b),
                             QColor(0x6b, 0x3a, 0x12)};
    for (int i = 0; i < 3; ++i) {
        const QRectF sheet = page.translated(unit * 2 * (2 - i), -unit * 1.5 * (2 - i));
        painter.setPen(QPen(shades[2], std::max(1.0, unit * 0.5)));
        painter.setBrush(i == 2 ? QColor(Qt::white) : shades[i]);
        painter.drawRoundedRect(sheet, unit, unit);
    }
    // The front page's grid.
    painter.setPen(QPen(shades[1], std::max(1.0, unit * 0.4)));
    for (int row = 1; row < 4; ++row) {
        const qreal y = page.top() + page.height() * row / 4;
        painter.drawLine(QPointF(page.left() + unit, y), QPointF(page.right() - unit, y));
    }
    const qreal x = page.left() + page.width() / 3;
    painter.drawLine(QPointF(x, page.top() + unit), QPointF(x, page.bottom() - unit));
    return pixmap;
}

}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace pv

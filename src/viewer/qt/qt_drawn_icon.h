#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

/// An icon drawn by the program at 16, 24, 32 and 48 pixels, so it looks the
/// same whatever icon theme the desktop has: draw(painter, size) paints one
/// size on a transparent, antialiased pixmap.
template <class Draw>
QIcon DrawnIcon(Draw draw)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, static_cast<double>(size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

#include "viewer/qt/qt_focus_frame.h"

#include <QAbstractItemView>
#include <QPainter>

void FocusFrameDelegate::Install(QAbstractItemView *view)
{
    view->setItemDelegate(new FocusFrameDelegate(view));
}

void FocusFrameDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_HasFocus))
        return;
    // The text colour stands out from the base colour around the item and
    // from the highlight of a chosen item alike.
    const QColor line = option.palette.color(QPalette::Text);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(line, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    // A two-pixel line drawn on the item's edge lies inside it.
    painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    painter->restore();
}

#include "viewer/qt/qt_control_strip.h"

#include <QApplication>
#include <QScrollBar>

#include <algorithm>

ControlStrip::ControlStrip(QWidget *row, QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("ControlStrip"));
    setFrameShape(QFrame::NoFrame);
    // Only the controls in it take the focus.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setWidget(row);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && widget() && widget()->isAncestorOf(now))
            ensureWidgetVisible(now, 8, 0);
    });
}

int ControlStrip::NeededHeight() const
{
    const QWidget *row = widget();
    if (!row)
        return 0;
    // The row is never squeezed below its least width; below that it scrolls.
    const bool narrow = width() < std::max(row->minimumSizeHint().width(), row->minimumWidth());
    return row->sizeHint().height() + (narrow ? horizontalScrollBar()->sizeHint().height() : 0);
}

QSize ControlStrip::sizeHint() const
{
    const QWidget *row = widget();
    return {row ? row->sizeHint().width() : 0, NeededHeight()};
}

QSize ControlStrip::minimumSizeHint() const
{
    return {horizontalScrollBar()->sizeHint().height() * 4, NeededHeight()};
}

void ControlStrip::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    if (height() != NeededHeight())
        updateGeometry();
}

#include "viewer/qt/qt_status_panel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

StatusPanel::StatusPanel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

QString StatusPanel::Shown() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize StatusPanel::minimumSizeHint() const
{
    // Each panel keeps room for about eight letters, so that every one of
    // them stays readable when the bar is short; the rest elides.
    const QMargins margins = contentsMargins();
    const int least = std::min(fontMetrics().horizontalAdvance(text()), fontMetrics().averageCharWidth() * 8);
    return {least + margins.left() + margins.right() + 2 * frameWidth(), QLabel::minimumSizeHint().height()};
}

bool StatusPanel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && Shown() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void StatusPanel::paintEvent(QPaintEvent *event)
{
    // The frame as a label draws it, then the text, shortened to fit.
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    painter.drawText(contentsRect(), static_cast<int>(alignment()), Shown());
}

#include "viewer/chart/qt_chart_view.h"

#include <QApplication>
#include <QChart>
#include <QKeyEvent>
#include <QLegend>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <cmath>

namespace {

// One notch of the wheel zooms by a quarter; a key press by a half.
constexpr double WheelFactor = 1.25;
// The arrow keys move the picture by a tenth of its size.
constexpr double KeyStep = 0.1;
// A smaller rectangle is taken for a click.
constexpr int LeastRectangle = 4;

} // namespace

ChartView::ChartView(QChart *chart, QWidget *parent) : QChartView(chart, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
}

bool ChartView::OnLegend(QPoint position) const
{
    const QLegend *legend = chart()->legend();
    if (!legend || !legend->isVisible())
        return false;
    const QPointF inChart = chart()->mapFromScene(mapToScene(position));
    return legend->geometry().contains(inChart);
}

void ChartView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    emit ZoomAtRequested(event->position(), std::pow(WheelFactor, notches));
    event->accept();
}

void ChartView::mousePressEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    if (m_drag != Drag::None || OnLegend(position)
        || (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton)) {
        QChartView::mousePressEvent(event);
        return;
    }
    const bool pan = event->button() == Qt::MiddleButton || (event->modifiers() & Qt::ShiftModifier);
    m_drag = pan ? Drag::Pan : Drag::Zoom;
    m_origin = m_last = position;
    if (m_drag == Drag::Pan)
        viewport()->setCursor(Qt::ClosedHandCursor);
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    switch (m_drag) {
    case Drag::None:
        if (event->buttons() == Qt::NoButton)
            emit PointerMoved(position);
        QChartView::mouseMoveEvent(event);
        return;
    case Drag::Pan:
        emit PanRequested(QPointF(position - m_last));
        break;
    case Drag::Zoom:
        if ((position - m_origin).manhattanLength() >= QApplication::startDragDistance()) {
            if (!m_band)
                m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
            m_band->setGeometry(QRect(m_origin, position).normalized());
            m_band->show();
        }
        break;
    }
    m_last = position;
    event->accept();
}

void ChartView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag == Drag::None) {
        QChartView::mouseReleaseEvent(event);
        return;
    }
    if (m_drag == Drag::Zoom && m_band && m_band->isVisible()) {
        const QRect rect = m_band->geometry();
        if (rect.width() >= LeastRectangle && rect.height() >= LeastRectangle)
            emit ZoomToRectRequested(QRectF(rect));
    }
    EndDrag();
    event->accept();
}

void ChartView::EndDrag()
{
    m_drag = Drag::None;
    if (m_band)
        m_band->hide();
    viewport()->unsetCursor();
}

void ChartView::keyPressEvent(QKeyEvent *event)
{
    const QSizeF size = viewport()->size();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        emit ZoomInRequested();
        break;
    case Qt::Key_Minus:
        emit ZoomOutRequested();
        break;
    case Qt::Key_0:
    case Qt::Key_Home:
        emit ResetRequested();
        break;
    // An arrow looks that way: the picture moves the other way.
    case Qt::Key_Left:
        emit PanRequested(QPointF(size.width() * KeyStep, 0));
        break;
    case Qt::Key_Right:
        emit PanRequested(QPointF(-size.width() * KeyStep, 0));
        break;
    case Qt::Key_Up:
        emit PanRequested(QPointF(0, size.height() * KeyStep));
        break;
    case Qt::Key_Down:
        emit PanRequested(QPointF(0, -size.height() * KeyStep));
        break;
    case Qt::Key_Escape:
        if (m_drag != Drag::None) {
            EndDrag();
            break;
        }
        QChartView::keyPressEvent(event);
        return;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

#pragma once

#include <QChartView>
#include <QPoint>
#include <QPointF>
#include <QRectF>

class QRubberBand;

/// The picture of a chart window, explored with the mouse and the keys. It
/// only says what the user asked for; the chart window does it:
/// - the wheel zooms about the pointer;
/// - a rectangle dragged with the left button zooms into it (Escape drops it);
/// - a drag with the middle button, or with Shift and the left button, moves
///   the picture;
/// - "+" and "-" zoom in and out, "0" and Home go back to the whole chart,
///   the arrow keys move the picture.
/// A press on the legend goes to the legend, which shows and hides lines.
class ChartView final : public QChartView {
    Q_OBJECT
public:
    explicit ChartView(QChart *chart, QWidget *parent = nullptr);

signals:
    /// factor above 1 closer, below 1 farther; position in viewport pixels.
    void ZoomAtRequested(QPointF position, double factor);
    void ZoomToRectRequested(QRectF rect);
    /// The picture dragged by pixels (right and down positive).
    void PanRequested(QPointF pixels);
    void ZoomInRequested();
    void ZoomOutRequested();
    void ResetRequested();
    /// The pointer over the picture without a button held, for the tooltip.
    void PointerMoved(QPoint position);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Drag { None, Zoom, Pan };
    bool OnLegend(QPoint position) const;
    void EndDrag();

    QRubberBand *m_band = nullptr;
    Drag m_drag = Drag::None;
    QPoint m_origin;
    QPoint m_last;
};

#pragma once

#include "core/views/chart_series.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QAction;
class QCategoryAxis;
class QChart;
class QChartView;
class QGraphicsSimpleTextItem;
class QIODevice;
class QLineSeries;
class QMenu;
class QPainter;
class QScatterSeries;
class QToolBar;
class QValueAxis;

/// The child window that draws a chart: one line per series across the
/// quarters, oldest first, broken where a value is withheld or blank. The
/// chart's data come in whole; the window draws, saves, copies and prints
/// the picture when asked (the main window's commands decide when and where).
class frmChart final : public QWidget {
    Q_OBJECT
public:
    explicit frmChart(tarvel::ChartData data, QWidget *parent = nullptr);

    const tarvel::ChartData &Data() const { return m_data; }
    QChart *Chart() const { return m_chart; }

    /// The picture as the window shows it, at the chart's size on screen.
    QImage Image() const;
    /// The size of the picture on screen, in pixels.
    QSize PictureSize() const;
    /// Writes the picture as PNG or as SVG (titled with the caption) to
    /// device; false when it could not be written.
    bool WritePng(QIODevice &device) const;
    bool WriteSvg(QIODevice &device) const;
    /// Draws the picture into target, as large as fits, its shape kept.
    void Render(QPainter &painter, const QRectF &target) const;

    /// The values drawn for series i (one per quarter label, nullopt where
    /// the line has a gap), read back from the drawn lines.
    std::vector<std::optional<double>> DrawnValues(int series) const;
    /// The withheld values drawn as marked points (unsuppressed mode).
    int MarkedPointCount() const;
    /// The tooltip of series i at quarter index (0 = oldest): the series,
    /// the quarter and the value as the grid shows it.
    QString ToolTipText(int series, int index) const;
    /// The quarter labels the x axis shows now (thinned to fit).
    QStringList AxisLabels() const;
    /// The y axis title: the table's unit, when known.
    QString ValueAxisTitle() const;
    /// What a screen reader says of the picture: the title, the quarters
    /// and the lines drawn.
    QString SpokenSummary() const;
    /// How line i is drawn: its colour, dash pattern and point mark.
    QColor LineColour(int series) const;
    Qt::PenStyle LineStyle(int series) const;
    QImage LineMark(int series) const;

    QChartView *chtView = nullptr;
    QToolBar *tbrChart = nullptr;
    QAction *cmdSaveChart = nullptr;
    QAction *cmdCopyChart = nullptr;
    QAction *cmdPrintChart = nullptr;

signals:
    void SaveRequested();
    void CopyRequested();
    void PrintRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    /// Which colour, dash pattern and mark line i takes (indexes of the lists).
    struct SeriesLook {
        int colour;
        int style;
        int mark;
    };
    static SeriesLook LookOf(int series);
    /// The first drawn piece of line i, or nullptr.
    const QLineSeries *FirstPiece(int series) const;
    void AddSeries();
    /// The colours of the window's palette on the picture and its lines.
    void ApplyPalette();
    void SetValueRange();
    /// Labels as many quarters as fit the plot's width without overlap.
    void ThinQuarterLabels();
    void PlaceMarking();
    void ShowContextMenu(const QPoint &position);

    tarvel::ChartData m_data;
    QChart *m_chart = nullptr;
    QCategoryAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
    QScatterSeries *m_marked = nullptr;
    QGraphicsSimpleTextItem *m_marking = nullptr;
    /// The drawn pieces of each series: one line per run of points.
    std::vector<QList<QLineSeries *>> m_pieces;
    int m_labelStep = 0;
};

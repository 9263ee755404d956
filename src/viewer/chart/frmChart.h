#pragma once

#include "core/views/chart_scale.h"
#include "core/views/chart_series.h"

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ChartView;
class QAbstractAxis;
class QAction;
class QCategoryAxis;
class QChart;
class QChartView;
class QGraphicsSimpleTextItem;
class QIODevice;
class QLegendMarker;
class QLineSeries;
class QMenu;
class QPainter;
class QScatterSeries;
class QToolButton;
class QValueAxis;
class ToolStrip;

/// The child window that draws a chart: one line per series across the
/// quarters, oldest first, broken where a value is withheld or blank. The
/// chart's data come in whole; the window draws them, and zooms, moves,
/// shows or hides lines and switches to a logarithmic value axis when
/// asked. Saving, copying, printing and exporting are the main window's
/// commands: the window gives them the picture and the points.
class frmChart final : public QWidget {
    Q_OBJECT
public:
    /// The size of a point's mark, in pixels.
    static constexpr int MarkSize = 9;

    explicit frmChart(tarvel::ChartData data, QWidget *parent = nullptr);

    const tarvel::ChartData &Data() const { return m_data; }
    QChart *Chart() const { return m_chart; }

    /// The picture as the window shows it, at the chart's size on screen.
    QImage Image() const;
    /// The picture drawn pixels large: laid out for that shape with its
    /// text as large as on screen, then scaled to fit. Null for an empty size.
    /// The window's own chart stays as it is.
    QImage Image(QSize pixels) const;
    /// The size of the picture on screen, in pixels.
    QSize PictureSize() const;
    /// Writes the picture as PNG (pixels large; the size on screen when
    /// pixels is empty) or as SVG (titled with the caption) to device;
    /// false when it could not be written.
    bool WritePng(QIODevice &device, QSize pixels = {}) const;
    bool WriteSvg(QIODevice &device) const;
    /// Draws the picture into target (a page), laid out for target's shape
    /// with its text as large, beside the lines, as on screen. The window's
    /// own chart stays as it is.
    void Render(QPainter &painter, const QRectF &target) const;
    /// The page the picture fits best: landscape when it is wider than tall.
    QPageLayout::Orientation PageOrientation() const;
    /// The points drawn, as CSV (the lines shown, every quarter).
    std::string DataCsv() const;

    /// The values drawn for series i (one per quarter label, nullopt where
    /// the line has a gap or is hidden), read back from the drawn lines.
    std::vector<std::optional<double>> DrawnValues(int series) const;
    /// Where point index (0 = oldest) of series i is drawn, in the picture's
    /// pixels; nullopt for a gap or a hidden line.
    std::optional<QPointF> PointPosition(int series, int index) const;
    /// The plot area in the picture's pixels.
    QRectF PlotRect() const;
    /// The withheld values drawn as marked points (unsuppressed mode).
    int MarkedPointCount() const;
    /// The tooltip of series i at quarter index (0 = oldest): the series,
    /// the quarter and the value as the grid shows it.
    QString ToolTipText(int series, int index) const;
    /// The tooltip for the pointer at position (picture pixels): that of
    /// the nearest point of the quarter under the pointer when it is within
    /// a few pixels of it; empty elsewhere.
    QString ToolTipAt(QPoint position) const;
    /// The quarter labels the x axis shows now (thinned to fit).
    QStringList AxisLabels() const;
    /// The labels of the value axis now, lowest first.
    QStringList ValueAxisLabels() const;
    /// The y axis title: the table's unit, when known, and the scale.
    QString ValueAxisTitle() const;
    /// What a screen reader says of the picture: the title, the quarters
    /// and the lines drawn.
    QString SpokenSummary() const;
    /// How line i is drawn: its colour, dash pattern and point mark.
    QColor LineColour(int series) const;
    Qt::PenStyle LineStyle(int series) const;
    QImage LineMark(int series) const;
    /// The legend entry of series i.
    QLegendMarker *LegendMarker(int series) const;
    /// The window size that shows the bar's commands, the legend's full
    /// names and the axis titles whole.
    QSize PreferredSize() const;

    // Exploring: the whole chart until zoomed; zoom and pan stay inside it.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    /// Zooms by factor (above 1 closer) about position (picture pixels).
    void ZoomAt(QPointF position, double factor);
    /// Zooms into a rectangle of the picture (pixels).
    void ZoomToRect(const QRectF &rect);
    /// Moves the picture by pixels, as when it is dragged.
    void Pan(QPointF pixels);
    bool IsZoomed() const { return m_viewX || m_viewY; }
    /// The quarters shown (0 = oldest; the ends leave room for the marks).
    tarvel::AxisRange QuarterRange() const;
    /// The values shown, low to high (values, also on a logarithmic axis).
    tarvel::AxisRange ValueRange() const;
    void SetLogScale(bool on);
    bool LogScale() const { return m_log; }
    void SetSeriesShown(int series, bool shown);
    bool SeriesShown(int series) const;

    ChartView *chtView = nullptr;
    ToolStrip *tbrChart = nullptr;
    QAction *cmdSaveChart = nullptr;
    QAction *cmdCopyChart = nullptr;
    QAction *cmdPrintChart = nullptr;
    QAction *cmdExportData = nullptr;
    QAction *cmdZoomIn = nullptr;
    QAction *cmdZoomOut = nullptr;
    QAction *cmdResetZoom = nullptr;
    QAction *cmdLogScale = nullptr;
    QToolButton *cmdLines = nullptr; ///< its menu shows and hides each line
    QMenu *mnuLines = nullptr;

signals:
    void SaveRequested();
    void CopyRequested();
    void PrintRequested();
    void ExportDataRequested();

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
    /// This chart (its lines shown, scale and part zoomed into) drawn off
    /// screen by a window of its own, laid out at size.
    std::unique_ptr<frmChart> LaidOutCopy(QSizeF size) const;
    /// Draws a copy laid out for target's shape into target.
    void RenderLaidOut(QPainter &painter, const QRectF &target) const;
    void CreateCommands();
    /// The first drawn piece of line i, or nullptr.
    const QLineSeries *FirstPiece(int series) const;
    /// The value as drawn on the value axis (its logarithm on a
    /// logarithmic one); nullopt for a value that axis cannot show.
    std::optional<double> Drawn(const std::optional<double> &value) const;
    /// Draws every line anew for the scale (the legend follows).
    void BuildSeries();
    /// The withheld values of the lines shown, ringed.
    void FillMarked();
    /// The legend: one entry per line, a hidden line's struck through.
    void StyleLegend();
    /// Below the plot when every name fits in one row, beside it otherwise.
    void PlaceLegend();
    /// The colours of the window's palette on the picture and its lines.
    void ApplyPalette();
    /// The whole chart's ranges for the lines shown and the plot's size.
    void FindFullRanges();
    /// Puts the ranges shown on the axes and labels them.
    void ApplyRanges();
    void LabelValueAxis(tarvel::AxisRange range);
    /// Labels as many quarters as fit the plot's width without overlap.
    void ThinQuarterLabels();
    /// The value axis title, broken in two at a comma when it is longer
    /// than the plot is high.
    void FitValueTitle();
    void PlaceMarking();
    /// Tells a screen reader what the picture shows now.
    void Describe();
    void ShowToolTip(QPoint position);
    void ShowContextMenu(const QPoint &position);
    void OnPlotAreaChanged();
    tarvel::AxisRange ViewX() const { return m_viewX.value_or(m_fullX); }
    tarvel::AxisRange ViewY() const { return m_viewY.value_or(m_fullY); }
    QAbstractAxis *ValueAxis() const;

    tarvel::ChartData m_data;
    QChart *m_chart = nullptr;
    QCategoryAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;       // the linear value axis
    QCategoryAxis *m_logAxisY = nullptr; // the logarithmic one: labels at the logarithms
    QScatterSeries *m_marked = nullptr;
    QGraphicsSimpleTextItem *m_marking = nullptr;
    /// The drawn pieces of each series: one line per run of points.
    std::vector<QList<QLineSeries *>> m_pieces;
    std::vector<bool> m_shown;
    QList<QAction *> m_lineActions;
    bool m_log = false;
    bool m_leftOut = false; // some values are not above zero: the log axis cannot show them
    QString m_unit;
    tarvel::AxisRange m_fullX;
    tarvel::AxisRange m_fullY; // drawn units: values, or their logarithms
    std::optional<tarvel::AxisRange> m_viewX;
    std::optional<tarvel::AxisRange> m_viewY;
    QSizeF m_plotSize;
    bool m_arranging = false; // the plot's size is being followed: no new round
};

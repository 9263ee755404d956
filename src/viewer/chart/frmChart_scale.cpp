// The chart window's ranges: the whole chart, the part zoomed into, the
// logarithmic value axis, the axes' labels and titles, and finding the
// point under the pointer.
#include "viewer/chart/frmChart.h"

#include "viewer/chart/qt_chart_view.h"
#include "viewer/qt/qt_text.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Quarters between two labels: every quarter, every second, then whole
// years and multiples of them, so labels keep to the same quarter.
constexpr std::array<int, 12> LabelSteps{1, 2, 4, 8, 12, 20, 40, 60, 80, 100, 200, 400};
// From a point's centre to the plot's edge at least: its mark, ringed in
// unsuppressed mode, is drawn whole.
constexpr double MarkRoom = (frmChart::MarkSize + 6) / 2.0 + 2;
// The tooltip of a point shows within this many pixels of it.
constexpr double HoverRoom = 8;
// A key or button zooms by half as much again.
constexpr double KeyFactor = 1.5;
// Zoomed in at most to three quarters, or to this share of the values.
constexpr double LeastQuarterSpan = 2;
constexpr double LeastValueShare = 1e-4;
// Beyond a label's text, its share of the quarter axis holds the axis's
// padding on either side and a little more.
constexpr double LabelShareRoom = 10;
// Guesses for the plot's size until it is laid out.
constexpr double GuessWidth = 400;
constexpr double GuessHeight = 250;

// The digits a round number needs after the point (at most six).
int DecimalsOf(double value)
{
    int decimals = 0;
    double scaled = std::fabs(value);
    while (decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-6 * std::max(1.0, scaled)) {
        scaled *= 10;
        ++decimals;
    }
    return decimals;
}

} // namespace

QAbstractAxis *frmChart::ValueAxis() const
{
    return m_log ? static_cast<QAbstractAxis *>(m_logAxisY) : m_axisY;
}

void frmChart::FindFullRanges()
{
    const QRectF plot = m_chart->plotArea();
    const double width = plot.width() > 1 ? plot.width() : GuessWidth;
    const double height = plot.height() > 1 ? plot.height() : GuessHeight;
    const int count = static_cast<int>(m_data.Labels.size());
    if (count > 1) {
        const double room = MarkRoom * (count - 1) / std::max(width - 2 * MarkRoom, 1.0);
        m_fullX = {-room, count - 1 + room};
    } else {
        m_fullX = {-1, 1};
    }

    double lowest = std::numeric_limits<double>::max();
    double highest = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < m_data.Series.size(); ++i) {
        if (!m_shown[i])
            continue;
        for (const tarvel::ChartPoint &point : m_data.Series[i].Points) {
            if (const std::optional<double> drawn = Drawn(point.Value)) {
                lowest = std::min(lowest, *drawn);
                highest = std::max(highest, *drawn);
            }
        }
    }
    m_fullY = lowest <= highest
        ? tarvel::ValueAxisRange(lowest, highest, MarkRoom / std::max(height - 2 * MarkRoom, 1.0), m_log)
        : tarvel::AxisRange{0, 1};

    // A part zoomed into stays, moved inside the whole where it must.
    for (auto [view, full] : {std::pair{&m_viewX, m_fullX}, std::pair{&m_viewY, m_fullY}}) {
        if (*view) {
            **view = tarvel::PanRange(**view, full, 0);
            if (**view == full)
                view->reset();
        }
    }
}

void frmChart::ApplyRanges()
{
    const tarvel::AxisRange x = ViewX();
    const tarvel::AxisRange y = ViewY();
    m_axisX->setRange(x.Low, x.High);
    if (m_log)
        m_logAxisY->setRange(y.Low, y.High);
    else
        m_axisY->setRange(y.Low, y.High);
    LabelValueAxis(y);
    ThinQuarterLabels();
    Describe();
}

void frmChart::LabelValueAxis(tarvel::AxisRange range)
{
    // As many labels as stand two and a half label heights apart on the
    // plot's height: a tall chart is labelled more finely.
    const double height = m_chart->plotArea().height() > 1 ? m_chart->plotArea().height() : GuessHeight;
    const double labelHeight = QFontMetricsF(ValueAxis()->labelsFont()).height();
    const int most = std::max(2, static_cast<int>(height / (2.5 * labelHeight)));
    if (!m_log) {
        const double step = tarvel::NiceStep(range.Span(), most);
        m_axisY->setTickInterval(step);
        m_axisY->setLabelFormat(QStringLiteral("%.%1f").arg(DecimalsOf(step)));
        return;
    }
    QStringList labels;
    std::vector<double> positions;
    for (const double value : tarvel::LogAxisTicks(range, most)) {
        labels << m_chart->locale().toString(value, 'f', DecimalsOf(value));
        positions.push_back(std::log10(value));
    }
    if (labels == m_logAxisY->categoriesLabels())
        return;
    for (const QString &label : m_logAxisY->categoriesLabels())
        m_logAxisY->remove(label);
    // The first label must lie above the start to be kept.
    m_logAxisY->setStartValue(std::min(range.Low, positions.empty() ? range.Low : positions.front()) - 1);
    for (std::size_t i = 0; i < positions.size(); ++i)
        m_logAxisY->append(labels[static_cast<qsizetype>(i)], positions[i]);
}

void frmChart::ThinQuarterLabels()
{
    // Only the quarters in view are labelled: the axis gives each label an
    // equal share of its width whatever the label's place, and puts a label
    // outside its range at the plot's edge.
    const int count = static_cast<int>(m_data.Labels.size());
    const tarvel::AxisRange view = ViewX();
    const int first = std::max(0, static_cast<int>(std::ceil(view.Low - 1e-9)));
    const int last = std::min(count - 1, static_cast<int>(std::floor(view.High + 1e-9)));
    double width = m_chart->plotArea().width();
    if (width <= 1)
        width = GuessWidth;
    const QFontMetricsF metrics(m_axisX->labelsFont());
    const double textWidth = metrics.horizontalAdvance(QStringLiteral("0000.0"));
    const double labelWidth = textWidth + metrics.horizontalAdvance(QStringLiteral("00"));
    const double perQuarter = width / std::max(view.Span(), 1e-9);
    // Labels on the multiples of a step, so that they keep to the same
    // quarters while the view moves: far enough apart, and each share of
    // the axis wide enough for a whole label.
    const auto labelsAt = [first, last](int step) { return last < first ? 0 : last / step - (first + step - 1) / step + 1; };
    int step = LabelSteps.back();
    for (const int candidate : LabelSteps) {
        if (candidate * perQuarter >= labelWidth && width / (labelsAt(candidate) + 1) >= textWidth + LabelShareRoom) {
            step = candidate;
            break;
        }
    }
    QStringList wanted;
    std::vector<int> quarters;
    for (int k = (first + step - 1) / step * step; k <= last; k += step) {
        wanted << Latin1(m_data.Labels[static_cast<std::size_t>(k)]);
        quarters.push_back(k);
    }
    if (wanted == m_axisX->categoriesLabels())
        return;
    for (const QString &label : m_axisX->categoriesLabels())
        m_axisX->remove(label);
    // The start lies a step before the first label, outside the view.
    m_axisX->setStartValue(quarters.empty() ? view.Low - 1 : quarters.front() - step);
    for (std::size_t i = 0; i < quarters.size(); ++i)
        m_axisX->append(wanted[static_cast<qsizetype>(i)], quarters[i]);
}

QString frmChart::ValueAxisTitle() const
{
    if (!m_log)
        return m_unit;
    const QString scale = m_leftOut ? QStringLiteral("logarithmic scale; values of zero or less not drawn")
                                    : QStringLiteral("logarithmic scale");
    return m_unit.isEmpty() ? scale : m_unit + QStringLiteral(" (") + scale + QLatin1Char(')');
}

void frmChart::FitValueTitle()
{
    // The title stands along the plot's height: where it is longer, it is
    // broken after a comma or before a bracket, on as many lines as it takes.
    const QString text = ValueAxisTitle();
    const double room = m_chart->plotArea().height() > 1 ? m_chart->plotArea().height() : GuessHeight;
    const QFontMetricsF metrics(ValueAxis()->titleFont());
    static const QRegularExpression breaks(QStringLiteral("(?<=, )|(?<=; )|(?= \\()"));
    QStringList lines;
    QString line;
    for (const QString &piece : text.split(breaks, Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && metrics.horizontalAdvance((line + piece).trimmed()) > room) {
            lines << line.trimmed().toHtmlEscaped();
            line.clear();
        }
        line += piece;
    }
    if (!line.isEmpty())
        lines << line.trimmed().toHtmlEscaped();
    const QString title = lines.join(QStringLiteral("<br>"));
    if (ValueAxis()->titleText() != title)
        ValueAxis()->setTitleText(title);
}

void frmChart::OnPlotAreaChanged()
{
    PlaceMarking();
    const QSizeF size = m_chart->plotArea().size();
    if (m_arranging
        || (std::fabs(size.width() - m_plotSize.width()) < 0.5 && std::fabs(size.height() - m_plotSize.height()) < 0.5))
        return;
    m_arranging = true;
    m_plotSize = size;
    FindFullRanges();
    ApplyRanges();
    FitValueTitle();
    m_arranging = false;
}

void frmChart::Describe()
{
    if (!chtView)
        return;
    // A screen reader names the picture and says what it draws.
    const QString summary = SpokenSummary();
    chtView->setAccessibleDescription(summary);
    chtView->viewport()->setAccessibleDescription(summary);
}

QRectF frmChart::PlotRect() const
{
    return chtView->viewportTransform().mapRect(m_chart->mapRectToScene(m_chart->plotArea()));
}

tarvel::AxisRange frmChart::QuarterRange() const
{
    return ViewX();
}

tarvel::AxisRange frmChart::ValueRange() const
{
    const tarvel::AxisRange y = ViewY();
    return m_log ? tarvel::AxisRange{std::pow(10.0, y.Low), std::pow(10.0, y.High)} : y;
}

QStringList frmChart::AxisLabels() const
{
    return m_axisX->categoriesLabels();
}

QStringList frmChart::ValueAxisLabels() const
{
    if (m_log)
        return m_logAxisY->categoriesLabels();
    // The linear axis labels the multiples of its interval in its range.
    QStringList labels;
    const double step = m_axisY->tickInterval();
    const int decimals = DecimalsOf(step);
    for (double k = std::ceil(m_axisY->min() / step - 1e-9); k * step <= m_axisY->max() + 1e-9 * step; ++k)
        labels << m_chart->locale().toString(k * step, 'f', decimals);
    return labels;
}

// ---- zooming and moving --------------------------------------------------------------

void frmChart::ZoomAt(QPointF position, double factor)
{
    const QRectF plot = PlotRect();
    if (plot.isEmpty())
        return;
    const double across = (position.x() - plot.left()) / plot.width();
    const double up = (plot.bottom() - position.y()) / plot.height();
    m_viewX = tarvel::ZoomRange(ViewX(), m_fullX, factor, across, LeastQuarterSpan);
    m_viewY = tarvel::ZoomRange(ViewY(), m_fullY, factor, up, m_fullY.Span() * LeastValueShare);
    if (m_viewX == m_fullX)
        m_viewX.reset();
    if (m_viewY == m_fullY)
        m_viewY.reset();
    ApplyRanges();
}

void frmChart::ZoomIn()
{
    ZoomAt(PlotRect().center(), KeyFactor);
}

void frmChart::ZoomOut()
{
    ZoomAt(PlotRect().center(), 1 / KeyFactor);
}

void frmChart::ResetZoom()
{
    m_viewX.reset();
    m_viewY.reset();
    ApplyRanges();
}

void frmChart::ZoomToRect(const QRectF &rect)
{
    const QRectF plot = PlotRect();
    const QRectF part = rect.normalized().intersected(plot);
    if (plot.isEmpty() || part.width() < 2 || part.height() < 2)
        return;
    const auto across = [&plot](double x) { return (x - plot.left()) / plot.width(); };
    const auto up = [&plot](double y) { return (plot.bottom() - y) / plot.height(); };
    m_viewX = tarvel::SubRange(ViewX(), m_fullX, across(part.left()), across(part.right()), LeastQuarterSpan);
    m_viewY = tarvel::SubRange(ViewY(), m_fullY, up(part.bottom()), up(part.top()), m_fullY.Span() * LeastValueShare);
    ApplyRanges();
}

void frmChart::Pan(QPointF pixels)
{
    const QRectF plot = PlotRect();
    if (plot.isEmpty() || !IsZoomed())
        return;
    // Dragged right, the picture shows earlier quarters; dragged down, larger values.
    if (m_viewX)
        m_viewX = tarvel::PanRange(*m_viewX, m_fullX, -pixels.x() / plot.width());
    if (m_viewY)
        m_viewY = tarvel::PanRange(*m_viewY, m_fullY, pixels.y() / plot.height());
    ApplyRanges();
}

void frmChart::SetLogScale(bool on)
{
    on = on && m_data.LogScaleAllowed;
    if (on != m_log) {
        QAbstractAxis *before = ValueAxis();
        m_log = on;
        m_chart->removeAxis(before);
        before->setParent(this); // the chart lets it go
        m_chart->addAxis(ValueAxis(), Qt::AlignLeft);
        // The values' part zoomed into means nothing on the other scale.
        m_viewY.reset();
        BuildSeries();
        FindFullRanges();
        ApplyRanges();
        FitValueTitle();
    }
    const QSignalBlocker quiet(cmdLogScale);
    cmdLogScale->setChecked(on);
}

// ---- the point under the pointer -----------------------------------------------------

std::optional<QPointF> frmChart::PointPosition(int series, int index) const
{
    if (!SeriesShown(series) || index < 0 || static_cast<std::size_t>(index) >= m_data.Labels.size())
        return std::nullopt;
    const tarvel::ChartPoint &point = m_data.Series[static_cast<std::size_t>(series)].Points[static_cast<std::size_t>(index)];
    const std::optional<double> drawn = Drawn(point.Value);
    const QLineSeries *piece = FirstPiece(series);
    if (!drawn || !piece)
        return std::nullopt;
    const QPointF inChart = m_chart->mapToPosition(QPointF(index, *drawn), const_cast<QLineSeries *>(piece));
    return chtView->viewportTransform().map(m_chart->mapToScene(inChart));
}

QString frmChart::ToolTipAt(QPoint position) const
{
    const QRectF plot = PlotRect();
    if (plot.isEmpty() || !plot.adjusted(-HoverRoom, -HoverRoom, HoverRoom, HoverRoom).contains(position))
        return {};
    // The quarter under the pointer, then the nearest of its points.
    const tarvel::AxisRange x = ViewX();
    const long index = std::lround(x.Low + (position.x() - plot.left()) / plot.width() * x.Span());
    if (index < 0 || static_cast<std::size_t>(index) >= m_data.Labels.size())
        return {};
    int nearest = -1;
    double best = HoverRoom;
    for (int i = 0; i < static_cast<int>(m_data.Series.size()); ++i) {
        const std::optional<QPointF> at = PointPosition(i, static_cast<int>(index));
        if (!at)
            continue;
        const double distance = std::hypot(at->x() - position.x(), at->y() - position.y());
        if (distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest >= 0 ? ToolTipText(nearest, static_cast<int>(index)) : QString();
}

void frmChart::ShowToolTip(QPoint position)
{
    const QString text = ToolTipAt(position);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(chtView->viewport()->mapToGlobal(position), text, chtView->viewport());
}

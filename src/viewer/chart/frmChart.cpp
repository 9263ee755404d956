// The chart window: its commands, its lines and legend, and its picture.
// Ranges, zooming and the axes' labels: frmChart_scale.cpp.
#include "viewer/chart/frmChart.h"

#include "viewer/qt/qt_text.h"

#include "core/catalog/table_catalog.h"
#include "viewer/chart/qt_chart_view.h"
#include "viewer/qt/qt_tool_strip.h"
#include "viewer/qt/qt_contrast.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QIODevice>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPolygonF>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QStyle>
#include <QSvgGenerator>
#include <QToolButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// Twelve colours told apart easily, one per series a chart may hold.
const std::array<QColor, 12> &SeriesColours()
{
    static const std::array<QColor, 12> colours{
        QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),  QColor(255, 127, 14),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34), QColor(23, 190, 207), QColor(0, 0, 128),    QColor(128, 128, 0),
    };
    return colours;
}

// Lines are told apart by their dash pattern and their point marks as well
// as by colour: the three cycle at different lengths.
constexpr std::array<Qt::PenStyle, 5> LineStyles{Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                                 Qt::DashDotDotLine};
enum class Mark { Circle, Square, Triangle, Diamond, TriangleDown, Cross, Count };
constexpr int MarkSize = frmChart::MarkSize;

// A point mark of a line, drawn three times as large as shown so that it
// stays sharp when scaled, edged in the background colour so that it stands
// out where lines cross.
QImage MarkImage(Mark mark, const QColor &fill, const QColor &edge)
{
    constexpr int side = 3 * MarkSize;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(edge, 3));
    painter.setBrush(fill);
    const QRectF box(2, 2, side - 4, side - 4);
    const QPointF c = box.center();
    switch (mark) {
    case Mark::Circle:
        painter.drawEllipse(box);
        break;
    case Mark::Square:
        painter.drawRect(box.adjusted(2, 2, -2, -2));
        break;
    case Mark::Triangle:
        painter.drawPolygon(QPolygonF({QPointF(c.x(), box.top()), box.bottomRight(), box.bottomLeft()}));
        break;
    case Mark::Diamond:
        painter.drawPolygon(QPolygonF({QPointF(c.x(), box.top()), QPointF(box.right(), c.y()),
                                       QPointF(c.x(), box.bottom()), QPointF(box.left(), c.y())}));
        break;
    case Mark::TriangleDown:
        painter.drawPolygon(QPolygonF({box.topLeft(), box.topRight(), QPointF(c.x(), box.bottom())}));
        break;
    case Mark::Cross:
    case Mark::Count: {
        const double arm = box.width() / 6;
        QPolygonF plus;
        for (const auto &[x, y] : std::initializer_list<std::pair<double, double>>{
                 {-arm, -3 * arm}, {arm, -3 * arm}, {arm, -arm}, {3 * arm, -arm}, {3 * arm, arm}, {arm, arm},
                 {arm, 3 * arm}, {-arm, 3 * arm}, {-arm, arm}, {-3 * arm, arm}, {-3 * arm, -arm}, {-arm, -arm}})
            plus << c + QPointF(x, y);
        painter.drawPolygon(plus);
        break;
    }
    }
    return image;
}

QColor Mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

const char *const MarkingText = "UNSUPPRESSED - FOR ZUL USE ONLY";
const char *const RingedText = ". Ringed points are withheld values.";

// A hidden line's legend entry is struck through and faded.
constexpr double HiddenFade = 0.45;
// The legend beside the plot takes at most this share of the chart's width.
constexpr double LegendShare = 0.4;
// The smallest window that shows a chart well, and the plot's least width.
constexpr int LeastWidth = 640;
constexpr int LeastHeight = 440;
constexpr int LeastPlotWidth = 420;

} // namespace

frmChart::frmChart(tarvel::ChartData data, QWidget *parent)
    : QWidget(parent), m_data(std::move(data)), m_shown(m_data.Series.size(), true), m_unit(Latin1(m_data.Unit))
{
    // The axis title starts with a capital ("Persons").
    if (!m_unit.isEmpty())
        m_unit[0] = m_unit[0].toUpper();
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(Latin1(m_data.Caption));

    m_chart = new QChart;
    m_chart->setTitle(Latin1(m_data.Title));
    m_chart->setAnimationOptions(QChart::NoAnimation);
    // Values carry a comma between groups of three digits, as in the grid.
    QLocale locale(QLocale::English, QLocale::UnitedStates);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    m_chart->setLocale(locale);
    m_chart->setLocalizeNumbers(true);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->legend()->setShowToolTips(true); // the full text of a shortened entry
    // The legend shows each line's dash pattern and mark, not a colour alone.
    m_chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);

    m_axisX = new QCategoryAxis;
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisX->setStartValue(-1);
    m_axisX->setTitleText(QStringLiteral("Quarter"));
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_axisY = new QValueAxis;
    // Labels at round numbers inside whatever range is shown.
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0);
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    // The logarithmic axis draws the values' logarithms, labelled with the
    // values; it stands in for the linear one while chosen.
    m_logAxisY = new QCategoryAxis(this);
    m_logAxisY->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    BuildSeries();

    if (m_data.Unsuppressed) {
        QString marking = QString::fromLatin1(MarkingText);
        if (m_marked)
            marking += QString::fromLatin1(RingedText);
        m_marking = new QGraphicsSimpleTextItem(marking, m_chart);
        QFont font = m_marking->font();
        font.setBold(true);
        m_marking->setFont(font);
        m_marking->setBrush(Qt::red);
        const double height = QFontMetricsF(font).height();
        QMargins margins = m_chart->margins();
        margins.setTop(margins.top() + static_cast<int>(std::ceil(height)) + 4);
        m_chart->setMargins(margins);
    }

    chtView = new ChartView(m_chart, this);
    chtView->setObjectName(QStringLiteral("chtView"));
    chtView->setRenderHint(QPainter::Antialiasing);
    chtView->setContextMenuPolicy(Qt::CustomContextMenu);
    chtView->setAccessibleName(windowTitle());
    chtView->viewport()->setAccessibleName(windowTitle());
    setFocusProxy(chtView);
    connect(chtView, &QWidget::customContextMenuRequested, this, &frmChart::ShowContextMenu);
    connect(chtView, &ChartView::ZoomAtRequested, this, &frmChart::ZoomAt);
    connect(chtView, &ChartView::ZoomToRectRequested, this, &frmChart::ZoomToRect);
    connect(chtView, &ChartView::PanRequested, this, &frmChart::Pan);
    connect(chtView, &ChartView::ZoomInRequested, this, &frmChart::ZoomIn);
    connect(chtView, &ChartView::ZoomOutRequested, this, &frmChart::ZoomOut);
    connect(chtView, &ChartView::ResetRequested, this, &frmChart::ResetZoom);
    connect(chtView, &ChartView::PointerMoved, this, &frmChart::ShowToolTip);
    connect(m_chart, &QChart::plotAreaChanged, this, &frmChart::OnPlotAreaChanged);
    // The legend's place follows the chart's own size, which the view sets
    // after this window's resize.
    connect(m_chart, &QGraphicsWidget::geometryChanged, this, &frmChart::PlaceLegend);

    CreateCommands();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbrChart);
    layout->addWidget(chtView, 1);

    FindFullRanges();
    ApplyRanges();
    FitValueTitle();
    PlaceLegend();
}

void frmChart::CreateCommands()
{
    // The buttons wrap onto a second row in a narrow window (large text).
    tbrChart = new ToolStrip(this);
    tbrChart->setObjectName(QStringLiteral("tbrChart"));
    const auto add = [this](QAction *&action, const char *name, const QString &text, const QString &tip) {
        action = tbrChart->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(tip);
    };
    add(cmdSaveChart, "cmdSaveChart", QStringLiteral("&Save image..."),
        QStringLiteral("Save the chart as a PNG picture of a size you choose, or as an SVG drawing"));
    add(cmdCopyChart, "cmdCopyChart", QStringLiteral("&Copy image"), QStringLiteral("Copy the chart to the clipboard as a picture"));
    add(cmdPrintChart, "cmdPrintChart", QStringLiteral("&Print..."), QStringLiteral("Print the chart"));
    add(cmdExportData, "cmdExportData", QStringLiteral("&Export data..."),
        QStringLiteral("Save the points drawn as a CSV file: a row per quarter, a column per line shown"));
    tbrChart->AddSeparator();
    add(cmdZoomIn, "cmdZoomIn", QStringLiteral("Zoom &in"), QStringLiteral("Zoom in (Ctrl++, +, the wheel or a dragged rectangle)"));
    add(cmdZoomOut, "cmdZoomOut", QStringLiteral("Zoom &out"), QStringLiteral("Zoom out (Ctrl+-, - or the wheel)"));
    add(cmdResetZoom, "cmdResetZoom", QStringLiteral("&Reset zoom"), QStringLiteral("Show the whole chart again (Ctrl+0 or 0)"));
    add(cmdLogScale, "cmdLogScale", QStringLiteral("&Log scale"),
        QStringLiteral("Draw the values on a logarithmic axis, so a small area is not flat beside a large one"));
    cmdLogScale->setCheckable(true);
    if (!m_data.LogScaleAllowed) {
        // Figures that fall below zero in the normal course have no logarithm.
        cmdLogScale->setEnabled(false);
        cmdLogScale->setToolTip(QStringLiteral("A logarithmic axis cannot show these units, which can be below zero"));
    }
    cmdZoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    cmdZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    cmdResetZoom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    // The keys work wherever the focus is in this window, and only there.
    for (QAction *action : {cmdZoomIn, cmdZoomOut, cmdResetZoom}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }

    mnuLines = new QMenu(QStringLiteral("Li&nes"), this);
    mnuLines->setObjectName(QStringLiteral("mnuLines"));
    for (std::size_t i = 0; i < m_data.Series.size(); ++i) {
        QAction *line = mnuLines->addAction(Latin1(m_data.Series[i].Name));
        line->setCheckable(true);
        line->setChecked(true);
        const int index = static_cast<int>(i);
        connect(line, &QAction::toggled, this, [this, index](bool on) { SetSeriesShown(index, on); });
        m_lineActions.append(line);
    }
    cmdLines = new QToolButton(tbrChart);
    cmdLines->setObjectName(QStringLiteral("cmdLines"));
    cmdLines->setText(QStringLiteral("Lines"));
    cmdLines->setToolTip(QStringLiteral("Show or hide each line (or click its legend entry)"));
    cmdLines->setMenu(mnuLines);
    cmdLines->setPopupMode(QToolButton::InstantPopup);
    tbrChart->AddWidget(cmdLines);

    connect(cmdSaveChart, &QAction::triggered, this, &frmChart::SaveRequested);
    connect(cmdCopyChart, &QAction::triggered, this, &frmChart::CopyRequested);
    connect(cmdPrintChart, &QAction::triggered, this, &frmChart::PrintRequested);
    connect(cmdExportData, &QAction::triggered, this, &frmChart::ExportDataRequested);
    connect(cmdZoomIn, &QAction::triggered, this, &frmChart::ZoomIn);
    connect(cmdZoomOut, &QAction::triggered, this, &frmChart::ZoomOut);
    connect(cmdResetZoom, &QAction::triggered, this, &frmChart::ResetZoom);
    connect(cmdLogScale, &QAction::toggled, this, &frmChart::SetLogScale);

    // The buttons are the window's commands besides its context menu and
    // keys: each is in the Tab order.
    for (QAction *action : tbrChart->actions()) {
        if (QWidget *button = tbrChart->WidgetForAction(action))
            button->setAccessibleName(action->iconText());
    }
    cmdLines->setFocusPolicy(Qt::TabFocus);
    cmdLines->setAutoRaise(true);
    cmdLines->setAccessibleName(cmdLines->text());
}

void frmChart::ShowContextMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addActions({cmdSaveChart, cmdCopyChart, cmdPrintChart, cmdExportData});
    menu.addSeparator();
    menu.addActions({cmdZoomIn, cmdZoomOut, cmdResetZoom, cmdLogScale});
    menu.addSeparator();
    menu.addMenu(mnuLines);
    menu.exec(chtView->mapToGlobal(position));
}

std::optional<double> frmChart::Drawn(const std::optional<double> &value) const
{
    if (!value)
        return std::nullopt;
    if (!m_log)
        return value;
    if (*value <= 0)
        return std::nullopt;
    return std::log10(*value);
}

void frmChart::BuildSeries()
{
    m_chart->removeAllSeries();
    m_pieces.clear();
    m_marked = nullptr;
    m_leftOut = false;
    QAbstractAxis *axisY = ValueAxis();
    for (std::size_t i = 0; i < m_data.Series.size(); ++i) {
        const tarvel::ChartSeries &series = m_data.Series[i];
        const QString name = Latin1(series.Name);

        // A line is drawn in pieces: a withheld or blank value breaks it,
        // and on a logarithmic axis a value not above zero.
        std::vector<QList<QPointF>> runs;
        bool inRun = false;
        for (std::size_t k = 0; k < series.Points.size(); ++k) {
            const std::optional<double> &value = series.Points[k].Value;
            const std::optional<double> drawn = Drawn(value);
            if (!drawn) {
                m_leftOut = m_leftOut || value.has_value();
                inRun = false;
                continue;
            }
            if (!inRun)
                runs.emplace_back();
            inRun = true;
            runs.back().append(QPointF(static_cast<double>(k), *drawn));
        }
        if (runs.empty())
            runs.emplace_back(); // an empty line still names the series in the legend

        QList<QLineSeries *> pieces;
        for (const QList<QPointF> &run : runs) {
            auto *piece = new QLineSeries;
            piece->setName(name);
            piece->append(run);
            // Every point carries the line's mark, so a single quarter
            // between gaps shows too.
            piece->setMarkerSize(MarkSize);
            m_chart->addSeries(piece);
            piece->attachAxis(m_axisX);
            piece->attachAxis(axisY);
            piece->setVisible(m_shown[i]);
            pieces.append(piece);
        }
        m_pieces.push_back(pieces);
        // A click on the line's legend entry hides or shows it.
        const int index = static_cast<int>(i);
        for (QLegendMarker *marker : m_chart->legend()->markers(pieces.front()))
            connect(marker, &QLegendMarker::clicked, this, [this, index] { SetSeriesShown(index, !SeriesShown(index)); });
    }

    if (m_data.Unsuppressed && m_data.HasWithheldPoints()) {
        // Withheld values shown in unsuppressed mode are ringed in red.
        m_marked = new QScatterSeries;
        m_marked->setName(QStringLiteral("Withheld value (unsuppressed)"));
        m_marked->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        m_marked->setMarkerSize(MarkSize + 6); // around the line's own mark
        m_marked->setBrush(Qt::NoBrush);
        m_marked->setPen(QPen(Qt::red, 2));
        m_chart->addSeries(m_marked);
        m_marked->attachAxis(m_axisX);
        m_marked->attachAxis(axisY);
        FillMarked();
    }
    ApplyPalette();
}

void frmChart::FillMarked()
{
    if (!m_marked)
        return;
    QList<QPointF> points;
    for (std::size_t i = 0; i < m_data.Series.size(); ++i) {
        if (!m_shown[i])
            continue;
        const std::vector<tarvel::ChartPoint> &line = m_data.Series[i].Points;
        for (std::size_t k = 0; k < line.size(); ++k) {
            const std::optional<double> drawn = Drawn(line[k].Value);
            if (line[k].Withheld && drawn)
                points.append(QPointF(static_cast<double>(k), *drawn));
        }
    }
    m_marked->replace(points);
}

void frmChart::SetSeriesShown(int series, bool shown)
{
    if (series < 0 || static_cast<std::size_t>(series) >= m_pieces.size() || SeriesShown(series) == shown)
        return;
    const auto index = static_cast<std::size_t>(series);
    m_shown[index] = shown;
    for (QLineSeries *piece : m_pieces[index])
        piece->setVisible(shown);
    if (series < m_lineActions.size()) {
        const QSignalBlocker quiet(m_lineActions[series]);
        m_lineActions[series]->setChecked(shown);
    }
    FillMarked();
    StyleLegend();
    // The value axis fits the lines shown, unless the user zoomed.
    FindFullRanges();
    ApplyRanges();
}

bool frmChart::SeriesShown(int series) const
{
    return series >= 0 && static_cast<std::size_t>(series) < m_shown.size() && m_shown[static_cast<std::size_t>(series)];
}

QLegendMarker *frmChart::LegendMarker(int series) const
{
    const QLineSeries *piece = FirstPiece(series);
    if (!piece)
        return nullptr;
    const QList<QLegendMarker *> markers = m_chart->legend()->markers(const_cast<QLineSeries *>(piece));
    return markers.isEmpty() ? nullptr : markers.front();
}

void frmChart::StyleLegend()
{
    const QPalette colours = palette();
    const QColor ink = colours.color(QPalette::Text);
    const QColor faded = Mix(colours.color(QPalette::Base), ink, 1 - HiddenFade);
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        bool first = true;
        for (QLineSeries *piece : m_pieces[i]) {
            // One entry per line, shown also while the line is hidden (the
            // legend would drop it), so that a click brings the line back.
            for (QLegendMarker *marker : m_chart->legend()->markers(piece)) {
                marker->setVisible(first);
                QFont font = m_chart->legend()->font();
                font.setStrikeOut(!m_shown[i]);
                marker->setFont(font);
                marker->setLabelBrush(m_shown[i] ? ink : faded);
            }
            first = false;
        }
    }
}

void frmChart::PlaceLegend()
{
    // An entry: its mark drawn as a short piece of line, a gap, the name.
    QLegend *legend = m_chart->legend();
    const QFontMetricsF metrics(legend->font());
    const double extra = 2 * metrics.height() + 16;
    double row = 0;
    for (const tarvel::ChartSeries &series : m_data.Series)
        row += metrics.horizontalAdvance(Latin1(series.Name)) + extra;
    if (m_marked)
        row += metrics.horizontalAdvance(m_marked->name()) + extra;
    const QMargins margins = m_chart->margins();
    const double room = m_chart->size().width() - margins.left() - margins.right();
    const Qt::Alignment place = row <= room ? Qt::AlignBottom : Qt::AlignRight;
    if (legend->alignment() != place)
        legend->setAlignment(place);
}

QSize frmChart::PreferredSize() const
{
    const QFontMetricsF metrics(m_chart->legend()->font());
    const double extra = 2 * metrics.height() + 16;
    double row = 0;
    double column = 0;
    int entries = 0;
    QStringList names;
    for (const tarvel::ChartSeries &series : m_data.Series)
        names << Latin1(series.Name);
    if (m_marked)
        names << m_marked->name();
    for (const QString &name : names) {
        const double entry = metrics.horizontalAdvance(name) + extra;
        row += entry;
        column = std::max(column, entry);
        ++entries;
    }
    const QMargins margins = m_chart->margins();
    const int sides = margins.left() + margins.right() + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const double lineHeight = std::max(metrics.height() + 6, MarkSize + 6.0);
    // The value axis title may stand on two lines: the plot as high as its longer half.
    const QFontMetricsF titles(m_axisY->titleFont());
    double title = 0;
    for (const QString &part : m_unit.split(QStringLiteral(", ")))
        title = std::max(title, titles.horizontalAdvance(part + QStringLiteral(", ")));
    const double chrome = tbrChart->sizeHint().height() + margins.top() + margins.bottom()
        + 3 * titles.height() + 4 * metrics.height(); // the chart's title, the quarter axis and its title
    int width = LeastWidth;
    int height = LeastHeight;
    if (row > LeastWidth - sides) {
        // Beside the plot: the names whole, the plot still wide enough.
        width = static_cast<int>(std::ceil(std::max(column / LegendShare, column + LeastPlotWidth + 6 * titles.height())))
            + sides;
        height = std::max(height, static_cast<int>(std::ceil(chrome + entries * lineHeight)));
    }
    height = std::max(height, static_cast<int>(std::ceil(chrome + title + 2 * metrics.height())));
    width = std::max(width, tbrChart->sizeHint().width());
    return {width, height};
}

void frmChart::ApplyPalette()
{
    // The chart takes the window's palette, a dark one too: the picture on
    // the base colour, text and axes in the text colour, the grid faint, and
    // each line's colour made to stand out from the background.
    const QPalette colours = palette();
    const QColor paper = colours.color(QPalette::Base);
    const QColor ink = colours.color(QPalette::Text);
    m_chart->setBackgroundBrush(paper);
    m_chart->setBackgroundPen(QPen(Mix(paper, ink, 0.3)));
    m_chart->setTitleBrush(ink);
    m_chart->legend()->setLabelColor(ink);
    for (QAbstractAxis *axis : std::initializer_list<QAbstractAxis *>{m_axisX, m_axisY, m_logAxisY}) {
        axis->setLabelsColor(ink);
        axis->setTitleBrush(ink);
        axis->setLinePenColor(ink);
        axis->setGridLineColor(Mix(paper, ink, 0.2));
    }
    const auto &hues = SeriesColours();
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        const SeriesLook look = LookOf(static_cast<int>(i));
        const QColor colour = WithContrast(hues[static_cast<std::size_t>(look.colour)], paper);
        const QImage mark = MarkImage(static_cast<Mark>(look.mark), colour, paper);
        for (QLineSeries *piece : m_pieces[i]) {
            piece->setPen(QPen(colour, 2, LineStyles[static_cast<std::size_t>(look.style)]));
            piece->setLightMarker(mark);
        }
    }
    StyleLegend();
}

frmChart::SeriesLook frmChart::LookOf(int series)
{
    return {series % static_cast<int>(SeriesColours().size()), series % static_cast<int>(LineStyles.size()),
            series % static_cast<int>(Mark::Count)};
}

const QLineSeries *frmChart::FirstPiece(int series) const
{
    if (series < 0 || static_cast<std::size_t>(series) >= m_pieces.size())
        return nullptr;
    const QList<QLineSeries *> &pieces = m_pieces[static_cast<std::size_t>(series)];
    return pieces.isEmpty() ? nullptr : pieces.front();
}

QColor frmChart::LineColour(int series) const
{
    const QLineSeries *piece = FirstPiece(series);
    return piece ? piece->pen().color() : QColor();
}

Qt::PenStyle frmChart::LineStyle(int series) const
{
    const QLineSeries *piece = FirstPiece(series);
    return piece ? piece->pen().style() : Qt::NoPen;
}

QImage frmChart::LineMark(int series) const
{
    const QLineSeries *piece = FirstPiece(series);
    return piece ? piece->lightMarker() : QImage();
}

void frmChart::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (!m_chart || !chtView)
        return;
    if (event->type() == QEvent::PaletteChange)
        ApplyPalette();
    if (event->type() == QEvent::FontChange) {
        PlaceLegend();
        FitValueTitle();
    }
}

void frmChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceLegend();
    ThinQuarterLabels();
}

void frmChart::PlaceMarking()
{
    if (!m_marking)
        return;
    m_marking->setPos(m_chart->plotArea().left(), 4);
}

QImage frmChart::Image() const
{
    return chtView->grab().toImage();
}

std::unique_ptr<frmChart> frmChart::LaidOutCopy(QSizeF size) const
{
    auto copy = std::make_unique<frmChart>(m_data);
    copy->setAttribute(Qt::WA_DontShowOnScreen);
    copy->setPalette(palette());
    copy->setFont(font());
    copy->resize(this->size());
    copy->show();
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        if (!m_shown[i])
            copy->SetSeriesShown(static_cast<int>(i), false);
    }
    copy->SetLogScale(m_log);
    copy->m_viewX = m_viewX;
    copy->m_viewY = m_viewY;
    copy->m_chart->resize(size);
    copy->PlaceLegend();
    if (QGraphicsLayout *layout = copy->m_chart->layout())
        layout->activate();
    copy->FindFullRanges();
    copy->ApplyRanges();
    copy->FitValueTitle();
    return copy;
}

void frmChart::RenderLaidOut(QPainter &painter, const QRectF &target) const
{
    // Laid out for the target's shape at the size on screen, then scaled
    // up, so that the text keeps its size beside the lines.
    const QSizeF screen = m_chart->size();
    const double scale = std::min(target.width() / screen.width(), target.height() / screen.height());
    const QSizeF layout(target.width() / scale, target.height() / scale);
    const std::unique_ptr<frmChart> copy = LaidOutCopy(layout);
    painter.fillRect(target, copy->m_chart->backgroundBrush().color());
    copy->chtView->scene()->render(&painter, target, QRectF(copy->m_chart->scenePos(), layout));
}

QImage frmChart::Image(QSize pixels) const
{
    if (pixels.isEmpty() || m_chart->size().isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {}; // more than the memory holds
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    RenderLaidOut(painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}

QSize frmChart::PictureSize() const
{
    return chtView->viewport()->size();
}

QPageLayout::Orientation frmChart::PageOrientation() const
{
    const QSize size = PictureSize();
    return size.width() > size.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}

bool frmChart::WritePng(QIODevice &device, QSize pixels) const
{
    const QImage image = pixels.isEmpty() ? Image() : Image(pixels);
    return !image.isNull() && image.save(&device, "PNG");
}

bool frmChart::WriteSvg(QIODevice &device) const
{
    const QSize size = PictureSize();
    QSvgGenerator generator;
    generator.setOutputDevice(&device);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(Latin1(m_data.Caption));
    generator.setDescription(QStringLiteral("Chart drawn by TARVEL"));
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    chtView->render(&painter, QRectF(QPointF(0, 0), size), chtView->viewport()->rect());
    return painter.end();
}

void frmChart::Render(QPainter &painter, const QRectF &target) const
{
    if (!target.isEmpty() && !m_chart->size().isEmpty())
        RenderLaidOut(painter, target);
}

std::string frmChart::DataCsv() const
{
    return tarvel::ChartCsvText(m_data, m_shown);
}

std::vector<std::optional<double>> frmChart::DrawnValues(int series) const
{
    std::vector<std::optional<double>> values(m_data.Labels.size());
    if (!SeriesShown(series))
        return values;
    for (const QLineSeries *piece : m_pieces[static_cast<std::size_t>(series)]) {
        for (const QPointF &point : piece->points()) {
            const long k = std::lround(point.x());
            if (k >= 0 && static_cast<std::size_t>(k) < values.size())
                values[static_cast<std::size_t>(k)] = m_log ? std::pow(10.0, point.y()) : point.y();
        }
    }
    return values;
}

int frmChart::MarkedPointCount() const
{
    return m_marked ? static_cast<int>(m_marked->count()) : 0;
}

QString frmChart::ToolTipText(int series, int index) const
{
    if (series < 0 || static_cast<std::size_t>(series) >= m_data.Series.size())
        return {};
    const tarvel::ChartSeries &line = m_data.Series[static_cast<std::size_t>(series)];
    if (index < 0 || static_cast<std::size_t>(index) >= line.Points.size())
        return Latin1(line.Name);
    const tarvel::ChartPoint &point = line.Points[static_cast<std::size_t>(index)];
    QString text = Latin1(line.Name) + QLatin1Char('\n') + Latin1(point.Label) + QStringLiteral(": ")
        + Latin1(point.CellText);
    if (point.Withheld && point.Value)
        text += QStringLiteral(" (withheld value)");
    return text;
}

QString frmChart::SpokenSummary() const
{
    QStringList shown;
    QStringList hidden;
    for (std::size_t i = 0; i < m_data.Series.size(); ++i)
        (m_shown[i] ? shown : hidden) << Latin1(m_data.Series[i].Name);
    QString text = Latin1(m_data.Title);
    const auto spoken = [](const std::string &label) {
        const std::string said = tarvel::SpokenQuarterLabel(label);
        return Latin1(said.empty() ? label : said);
    };
    // The quarters in view: all of them until zoomed.
    const int count = static_cast<int>(m_data.Labels.size());
    const tarvel::AxisRange view = ViewX();
    const int first = std::clamp(static_cast<int>(std::ceil(view.Low - 1e-9)), 0, std::max(count - 1, 0));
    const int last = std::clamp(static_cast<int>(std::floor(view.High + 1e-9)), first, std::max(count - 1, 0));
    if (count > 0) {
        text += QStringLiteral(", %1 to %2")
                    .arg(spoken(m_data.Labels[static_cast<std::size_t>(first)]),
                         spoken(m_data.Labels[static_cast<std::size_t>(last)]));
    }
    if (IsZoomed())
        text += QStringLiteral(" (zoomed)");
    if (m_log)
        text += QStringLiteral(", logarithmic value axis");
    text += QStringLiteral(". Lines: ") + shown.join(QStringLiteral("; ")) + QLatin1Char('.');
    if (!hidden.isEmpty())
        text += QStringLiteral(" Hidden: ") + hidden.join(QStringLiteral("; ")) + QLatin1Char('.');
    return text;
}

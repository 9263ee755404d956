#include "viewer/chart/frmChart.h"

#include "viewer/qt/qt_text.h"

#include "core/catalog/table_catalog.h"
#include "viewer/qt/qt_contrast.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFontMetricsF>
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
#include <QSvgGenerator>
#include <QToolBar>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include <array>
#include <cmath>
#include <limits>
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
constexpr int MarkSize = 9;

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

// Quarters between two labels: every quarter, every second, then whole
// years and multiples of them, so labels keep to the same quarter.
constexpr std::array<int, 12> LabelSteps{1, 2, 4, 8, 12, 20, 40, 60, 80, 100, 200, 400};

const char *const MarkingText = "UNSUPPRESSED - FOR ZUL USE ONLY";
const char *const RingedText = ". Ringed points are withheld values.";

} // namespace

frmChart::frmChart(tarvel::ChartData data, QWidget *parent) : QWidget(parent), m_data(std::move(data))
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(Latin1(m_data.Caption));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tbrChart = new QToolBar(this);
    tbrChart->setObjectName(QStringLiteral("tbrChart"));
    tbrChart->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cmdSaveChart = tbrChart->addAction(QStringLiteral("&Save image..."));
    cmdSaveChart->setObjectName(QStringLiteral("cmdSaveChart"));
    cmdSaveChart->setToolTip(QStringLiteral("Save the chart as a PNG or SVG picture"));
    cmdCopyChart = tbrChart->addAction(QStringLiteral("&Copy image"));
    cmdCopyChart->setObjectName(QStringLiteral("cmdCopyChart"));
    cmdCopyChart->setToolTip(QStringLiteral("Copy the chart to the clipboard as a picture"));
    cmdPrintChart = tbrChart->addAction(QStringLiteral("&Print..."));
    cmdPrintChart->setObjectName(QStringLiteral("cmdPrintChart"));
    cmdPrintChart->setToolTip(QStringLiteral("Print the chart"));
    // A toolbar's buttons are left out of the Tab order; these are the
    // window's only commands besides its context menu.
    for (QAction *action : {cmdSaveChart, cmdCopyChart, cmdPrintChart}) {
        if (QWidget *button = tbrChart->widgetForAction(action)) {
            button->setFocusPolicy(Qt::TabFocus);
            button->setAccessibleName(action->iconText());
        }
    }
    connect(cmdSaveChart, &QAction::triggered, this, &frmChart::SaveRequested);
    connect(cmdCopyChart, &QAction::triggered, this, &frmChart::CopyRequested);
    connect(cmdPrintChart, &QAction::triggered, this, &frmChart::PrintRequested);

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
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTitleText(Latin1(m_data.Unit));
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    AddSeries();
    SetValueRange();
    ApplyPalette();

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

    chtView = new QChartView(m_chart, this);
    chtView->setObjectName(QStringLiteral("chtView"));
    chtView->setRenderHint(QPainter::Antialiasing);
    chtView->setContextMenuPolicy(Qt::CustomContextMenu);
    // A screen reader names the picture and says what it draws.
    for (QWidget *picture : {static_cast<QWidget *>(chtView), chtView->viewport()}) {
        picture->setAccessibleName(windowTitle());
        picture->setAccessibleDescription(SpokenSummary());
    }
    setFocusProxy(chtView);
    connect(chtView, &QWidget::customContextMenuRequested, this, &frmChart::ShowContextMenu);
    connect(m_chart, &QChart::plotAreaChanged, this, [this] {
        ThinQuarterLabels();
        PlaceMarking();
    });
    layout->addWidget(tbrChart);
    layout->addWidget(chtView, 1);
    ThinQuarterLabels();
}

void frmChart::AddSeries()
{
    for (std::size_t i = 0; i < m_data.Series.size(); ++i) {
        const tarvel::ChartSeries &series = m_data.Series[i];
        const QString name = Latin1(series.Name);

        // A line is drawn in pieces: a withheld or blank value breaks it.
        std::vector<QList<QPointF>> runs;
        bool inRun = false;
        for (std::size_t k = 0; k < series.Points.size(); ++k) {
            const std::optional<double> &value = series.Points[k].Value;
            if (!value) {
                inRun = false;
                continue;
            }
            if (!inRun)
                runs.emplace_back();
            inRun = true;
            runs.back().append(QPointF(static_cast<double>(k), *value));
        }
        if (runs.empty())
            runs.emplace_back(); // an empty line still names the series in the legend

        QList<QLineSeries *> pieces;
        const int index = static_cast<int>(i);
        for (const QList<QPointF> &run : runs) {
            auto *piece = new QLineSeries;
            piece->setName(name);
            piece->append(run);
            // Every point carries the line's mark, so a single quarter
            // between gaps shows too.
            piece->setMarkerSize(MarkSize);
            m_chart->addSeries(piece);
            piece->attachAxis(m_axisX);
            piece->attachAxis(m_axisY);
            connect(piece, &QLineSeries::hovered, this, [this, index](const QPointF &point, bool state) {
                if (state)
                    QToolTip::showText(QCursor::pos(), ToolTipText(index, static_cast<int>(std::lround(point.x()))),
                                       chtView);
                else
                    QToolTip::hideText();
            });
            // One legend entry per series.
            if (!pieces.isEmpty()) {
                for (QLegendMarker *marker : m_chart->legend()->markers(piece))
                    marker->setVisible(false);
            }
            pieces.append(piece);
        }
        m_pieces.push_back(pieces);
    }

    if (!m_data.Unsuppressed || !m_data.HasWithheldPoints())
        return;
    // Withheld values shown in unsuppressed mode are ringed in red.
    m_marked = new QScatterSeries;
    m_marked->setName(QStringLiteral("Withheld value (unsuppressed)"));
    m_marked->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    m_marked->setMarkerSize(MarkSize + 6); // around the line's own mark
    m_marked->setBrush(Qt::NoBrush);
    m_marked->setPen(QPen(Qt::red, 2));
    for (const tarvel::ChartSeries &series : m_data.Series) {
        for (std::size_t k = 0; k < series.Points.size(); ++k) {
            const tarvel::ChartPoint &point = series.Points[k];
            if (point.Withheld && point.Value)
                m_marked->append(static_cast<double>(k), *point.Value);
        }
    }
    m_chart->addSeries(m_marked);
    m_marked->attachAxis(m_axisX);
    m_marked->attachAxis(m_axisY);
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
    for (QAbstractAxis *axis : std::initializer_list<QAbstractAxis *>{m_axisX, m_axisY}) {
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
    if (event->type() == QEvent::PaletteChange && m_chart && m_axisX && m_axisY)
        ApplyPalette();
}

void frmChart::SetValueRange()
{
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const tarvel::ChartSeries &series : m_data.Series) {
        for (const tarvel::ChartPoint &point : series.Points) {
            if (point.Value) {
                low = std::min(low, *point.Value);
                high = std::max(high, *point.Value);
            }
        }
    }
    if (low > high) {
        low = 0;
        high = 1;
    } else if (low == high) {
        const double margin = std::max(1.0, std::fabs(low) * 0.1);
        low -= margin;
        high += margin;
    }
    m_axisY->setRange(low, high);
    m_axisY->applyNiceNumbers();

    const int count = static_cast<int>(m_data.Labels.size());
    if (count > 1)
        m_axisX->setRange(0, count - 1);
    else
        m_axisX->setRange(-1, 1);
}

void frmChart::ThinQuarterLabels()
{
    const int count = static_cast<int>(m_data.Labels.size());
    if (count == 0)
        return;
    double width = m_chart->plotArea().width();
    if (width <= 0)
        width = 400; // not laid out yet: a guess until the plot has its size
    const QFontMetricsF metrics(m_axisX->labelsFont());
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("0000.0")) + metrics.horizontalAdvance(QStringLiteral("00"));
    const double perQuarter = count > 1 ? width / (count - 1) : width;
    int step = LabelSteps.back();
    for (const int candidate : LabelSteps) {
        if (candidate * perQuarter >= labelWidth) {
            step = candidate;
            break;
        }
    }
    if (step == m_labelStep)
        return;
    m_labelStep = step;
    const QStringList old = m_axisX->categoriesLabels();
    for (const QString &label : old)
        m_axisX->remove(label);
    for (int k = 0; k < count; k += step)
        m_axisX->append(Latin1(m_data.Labels[static_cast<std::size_t>(k)]), k);
}

void frmChart::PlaceMarking()
{
    if (!m_marking)
        return;
    m_marking->setPos(m_chart->plotArea().left(), 4);
}

void frmChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ThinQuarterLabels();
}

void frmChart::ShowContextMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addAction(cmdSaveChart);
    menu.addAction(cmdCopyChart);
    menu.addAction(cmdPrintChart);
    menu.exec(chtView->mapToGlobal(position));
}

QImage frmChart::Image() const
{
    return chtView->grab().toImage();
}

QSize frmChart::PictureSize() const
{
    return chtView->viewport()->size();
}

bool frmChart::WritePng(QIODevice &device) const
{
    const QImage image = Image();
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
    chtView->render(&painter, target, chtView->viewport()->rect(), Qt::KeepAspectRatio);
}

std::vector<std::optional<double>> frmChart::DrawnValues(int series) const
{
    std::vector<std::optional<double>> values(m_data.Labels.size());
    if (series < 0 || static_cast<std::size_t>(series) >= m_pieces.size())
        return values;
    for (const QLineSeries *piece : m_pieces[static_cast<std::size_t>(series)]) {
        for (const QPointF &point : piece->points()) {
            const long k = std::lround(point.x());
            if (k >= 0 && static_cast<std::size_t>(k) < values.size())
                values[static_cast<std::size_t>(k)] = point.y();
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

QStringList frmChart::AxisLabels() const
{
    return m_axisX->categoriesLabels();
}

QString frmChart::SpokenSummary() const
{
    QStringList names;
    for (const tarvel::ChartSeries &series : m_data.Series)
        names << Latin1(series.Name);
    QString text = Latin1(m_data.Title);
    const auto spoken = [](const std::string &label) {
        const std::string said = tarvel::SpokenQuarterLabel(label);
        return Latin1(said.empty() ? label : said);
    };
    if (!m_data.Labels.empty())
        text += QStringLiteral(", %1 to %2").arg(spoken(m_data.Labels.front()), spoken(m_data.Labels.back()));
    return text + QStringLiteral(". Lines: ") + names.join(QStringLiteral("; ")) + QLatin1Char('.');
}

QString frmChart::ValueAxisTitle() const
{
    return m_axisY->titleText();
}

// Exploring a chart window by its own functions and by the mouse and keys
// on its picture: zoom, pan, reset, the logarithmic axis, showing and
// hiding lines from the legend, the legend and axis titles kept readable,
// the tooltip near a point, and pictures made at a chosen size.
#include "viewer/chart/frmChart.h"
#include "viewer/chart/frmChartImage.h"
#include "viewer/chart/qt_chart_view.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QChart>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char *const StateNames[] = {"Alabama",  "Alaska",      "Arizona",     "Arkansas", "California",           "Colorado",
                                  "Connecticut", "Delaware", "District of Columbia", "Florida", "Georgia", "Hawaii"};

// lines areas of one line over quarters quarters, each area's values about
// ten times the one before (so the first is flat beside the last on a
// linear axis), or evenly apart.
tarvel::ChartData AreasChart(int lines, int quarters, bool evenly = false)
{
    tarvel::ChartData data;
    data.Code = "ZR5N";
    data.Title = "ZR5N Personal income - one line";
    data.Caption = "ZR5N Personal income - one line - chart";
    data.Unit = "Millions of dollars, seasonally adjusted at annual rates";
    for (int k = 0; k < quarters; ++k)
        data.Labels.push_back(std::to_string(2000 + k / 4) + "." + std::to_string(k % 4 + 1));
    for (int i = 0; i < lines; ++i) {
        tarvel::ChartSeries series;
        series.Area = i + 2;
        series.Line = 1;
        series.Name = StateNames[i];
        for (int k = 0; k < quarters; ++k) {
            const double value = evenly ? 100000.0 * (i + 1) + 1000.0 * k : std::pow(10.0, i % 4 + 3) * (1 + 0.01 * k);
            series.Points.push_back({k + 1, data.Labels[static_cast<std::size_t>(k)], value, "x", false});
        }
        data.Series.push_back(series);
    }
    return data;
}

// A chart window shown at its preferred size, laid out.
class ExploreTest : public testing::Test {
protected:
    void Show(tarvel::ChartData data)
    {
        chart = std::make_unique<frmChart>(std::move(data));
        chart->resize(chart->PreferredSize());
        chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        QCoreApplication::processEvents();
    }

    QWidget *Picture() const { return chart->chtView->viewport(); }

    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {})
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
        QMouseEvent event(type, at, Picture()->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                          held, modifiers);
        QApplication::sendEvent(Picture(), &event);
    }

    void Drag(QPointF from, QPointF to, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {})
    {
        Mouse(QEvent::MouseButtonPress, from, button, modifiers);
        Mouse(QEvent::MouseMove, (from + to) / 2, button, modifiers);
        Mouse(QEvent::MouseMove, to, button, modifiers);
        Mouse(QEvent::MouseButtonRelease, to, button, modifiers);
    }

    void Wheel(QPointF at, int notches)
    {
        QWheelEvent event(at, Picture()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Picture(), &event);
    }

    /// The quarter (0 = oldest) drawn at x in the picture.
    double QuarterAt(double x) const
    {
        const QRectF plot = chart->PlotRect();
        const tarvel::AxisRange range = chart->QuarterRange();
        return range.Low + (x - plot.left()) / plot.width() * range.Span();
    }

    /// The text items of the legend and axis titles on the picture.
    QStringList Texts() const
    {
        QStringList texts;
        for (QGraphicsItem *item : chart->chtView->scene()->items()) {
            if (!item->isVisible())
                continue;
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                texts << text->toPlainText();
            else if (auto *simple = dynamic_cast<QGraphicsSimpleTextItem *>(item))
                texts << simple->text();
        }
        return texts;
    }

    /// Clicks the legend entry named name on the picture.
    bool ClickLegendEntry(const QString &name)
    {
        const QLegend *legend = chart->Chart()->legend();
        for (QGraphicsItem *item : chart->chtView->scene()->items()) {
            auto *text = dynamic_cast<QGraphicsTextItem *>(item);
            if (!text || !legend->isAncestorOf(text) || text->toPlainText() != name)
                continue;
            const QPoint at = chart->chtView->mapFromScene(text->sceneBoundingRect().center());
            Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
            Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton);
            return true;
        }
        return false;
    }

    std::unique_ptr<frmChart> chart;
};

TEST_F(ExploreTest, WheelRectanglePanAndResetZoomAndStayInsideTheChart)
{
    Show(AreasChart(3, 40));
    const tarvel::AxisRange wholeX = chart->QuarterRange();
    const tarvel::AxisRange wholeY = chart->ValueRange();
    const QRectF plot = chart->PlotRect();
    ASSERT_FALSE(plot.isEmpty());
    EXPECT_FALSE(chart->IsZoomed());
    // Where the mouse is, is known to the pixel.
    const double pixel = 1.5 * wholeX.Span() / plot.width();

    // The wheel zooms about the pointer: the quarter under it stays there.
    const QPointF pointer(plot.left() + plot.width() * 0.3, plot.center().y());
    const double before = QuarterAt(pointer.x());
    Wheel(pointer, 2);
    EXPECT_TRUE(chart->IsZoomed());
    EXPECT_NEAR(QuarterAt(pointer.x()), before, 1e-6);
    EXPECT_NEAR(chart->QuarterRange().Span(), wholeX.Span() / (1.25 * 1.25), 1e-6);
    EXPECT_LT(chart->ValueRange().Span(), wholeY.Span());
    // Farther out than the whole chart it does not go.
    Wheel(pointer, -10);
    EXPECT_FALSE(chart->IsZoomed());
    EXPECT_EQ(chart->QuarterRange(), wholeX);

    // A dragged rectangle: its quarters fill the plot.
    const double left = plot.left() + plot.width() * 0.5;
    const double right = plot.left() + plot.width() * 0.75;
    const double from = QuarterAt(left);
    const double to = QuarterAt(right);
    Drag(QPointF(right, plot.top() + 10), QPointF(left, plot.bottom() - 10), Qt::LeftButton);
    EXPECT_NEAR(chart->QuarterRange().Low, from, pixel);
    EXPECT_NEAR(chart->QuarterRange().High, to, pixel);

    // Shift with the left button, or the middle button, drags the picture:
    // dragged right, earlier quarters come in; never past the first.
    const tarvel::AxisRange zoomed = chart->QuarterRange();
    Drag(plot.center(), plot.center() + QPointF(plot.width() / 10, 0), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_NEAR(chart->QuarterRange().Low, zoomed.Low - zoomed.Span() / 10, pixel);
    EXPECT_NEAR(chart->QuarterRange().Span(), zoomed.Span(), 1e-6);
    for (int i = 0; i < 20; ++i)
        Drag(plot.center(), plot.center() + QPointF(plot.width() / 2, 0), Qt::MiddleButton);
    EXPECT_DOUBLE_EQ(chart->QuarterRange().Low, wholeX.Low);
    EXPECT_NEAR(chart->QuarterRange().Span(), zoomed.Span(), 1e-6);

    // The keys: Right looks later, "-" farther out, "0" the whole chart.
    chart->chtView->setFocus();
    QTest::keyClick(chart->chtView, Qt::Key_Right);
    EXPECT_GT(chart->QuarterRange().Low, wholeX.Low);
    QTest::keyClick(chart->chtView, Qt::Key_Plus);
    EXPECT_NEAR(chart->QuarterRange().Span(), zoomed.Span() / 1.5, 1e-6);
    QTest::keyClick(chart->chtView, Qt::Key_0);
    EXPECT_FALSE(chart->IsZoomed());

    // The bar's commands do the same; the screen reader hears it is zoomed.
    chart->cmdZoomIn->trigger();
    EXPECT_NEAR(chart->QuarterRange().Span(), wholeX.Span() / 1.5, 1e-6);
    EXPECT_TRUE(chart->SpokenSummary().contains(QStringLiteral("(zoomed)")));
    chart->cmdZoomOut->trigger();
    chart->cmdZoomIn->trigger();
    chart->cmdResetZoom->trigger();
    EXPECT_EQ(chart->QuarterRange(), wholeX);
    EXPECT_EQ(chart->ValueRange(), wholeY);
    EXPECT_FALSE(chart->SpokenSummary().contains(QStringLiteral("(zoomed)")));

    // Unzoomed, a drag moves nothing; a click zooms nothing.
    Drag(plot.center(), plot.center() + QPointF(50, 50), Qt::MiddleButton);
    Drag(plot.center(), plot.center() + QPointF(1, 1), Qt::LeftButton);
    EXPECT_FALSE(chart->IsZoomed());
}

// Whatever is in view, at any window size: the quarter axis labels only
// quarters in view, each whole (never "199..."), under the plot, several of
// them, and none where the plot ends unless its quarter is there.
TEST_F(ExploreTest, QuarterLabelsAreWholeAndInViewWhenZoomedOrMoved)
{
    Show(AreasChart(3, 120));
    const QRegularExpression label(QStringLiteral("^\\d{4}\\.[1-4]$"));
    const auto check = [this, &label](const std::string &state) {
        QCoreApplication::processEvents();
        const QRectF plot = chart->PlotRect();
        const tarvel::AxisRange view = chart->QuarterRange();
        int shown = 0;
        for (QGraphicsItem *item : chart->chtView->scene()->items()) {
            auto *text = dynamic_cast<QGraphicsTextItem *>(item);
            const QRectF box = chart->chtView->viewportTransform().mapRect(item->sceneBoundingRect());
            // The quarter axis's labels stand in the band just under the plot.
            if (!text || !text->isVisible() || box.top() < plot.bottom() || box.top() > plot.bottom() + box.height())
                continue;
            const QString said = text->toPlainText();
            ASSERT_TRUE(label.match(said).hasMatch()) << state << ": \"" << said.toStdString() << "\"";
            ++shown;
            const int k = static_cast<int>(std::find(chart->Data().Labels.begin(), chart->Data().Labels.end(),
                                                     said.toStdString()) - chart->Data().Labels.begin());
            EXPECT_GE(k, view.Low - 1e-6) << state << " " << said.toStdString();
            EXPECT_LE(k, view.High + 1e-6) << state << " " << said.toStdString();
            const double x = plot.left() + (k - view.Low) / view.Span() * plot.width();
            EXPECT_NEAR(box.center().x(), x, 2) << state << " " << said.toStdString();
        }
        EXPECT_GE(shown, 2) << state;
    };
    for (const QSize size : {QSize(700, 460), QSize(790, 790), QSize(1400, 600)}) {
        chart->resize(size);
        chart->ResetZoom();
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        check(at + " whole");
        for (int i = 1; i <= 6; ++i) {
            chart->ZoomIn();
            check(at + " zoomed " + std::to_string(i));
        }
        for (int i = 0; i < 5; ++i) {
            chart->Pan(QPointF(-chart->PlotRect().width() / 3.7, 0));
            check(at + " moved " + std::to_string(i));
        }
        chart->ZoomAt(chart->PlotRect().topLeft() + QPointF(3, 3), 1.5);
        check(at + " at the left edge");
    }

    // A small chart of four quarters labels every one.
    Show(AreasChart(2, 4));
    chart->resize(420, 360);
    check("four quarters");
    EXPECT_EQ(chart->AxisLabels().size(), 4) << chart->PlotRect().width();
}

TEST_F(ExploreTest, LogScaleDrawsTheSameValuesAndStartsWhereTheDataStartAsLinearDoes)
{
    Show(AreasChart(4, 12));
    const auto lowestAndHighest = [this] {
        double low = HUGE_VAL;
        double high = -HUGE_VAL;
        for (int i = 0; i < 4; ++i) {
            for (const std::optional<double> &value : chart->DrawnValues(i)) {
                low = std::min(low, *value);
                high = std::max(high, *value);
            }
        }
        return std::pair{low, high};
    };
    const auto [low, high] = lowestAndHighest();
    ASSERT_DOUBLE_EQ(low, 1000);

    for (const bool log : {false, true, false}) {
        chart->cmdLogScale->setChecked(log);
        EXPECT_EQ(chart->LogScale(), log);
        const auto [drawnLow, drawnHigh] = lowestAndHighest();
        EXPECT_NEAR(drawnLow, low, 1e-6) << log;
        EXPECT_NEAR(drawnHigh, high, 1e-6 * high) << log;
        // Both scales start just below the lowest value (room for its mark),
        // never at zero, and end just above the highest.
        const tarvel::AxisRange values = chart->ValueRange();
        EXPECT_LT(values.Low, low) << log;
        EXPECT_GT(values.High, high) << log;
        if (log) {
            EXPECT_GT(values.Low, low / 2);
            EXPECT_LT(values.High, high * 2);
        } else {
            EXPECT_GT(values.Low, low - (high - low) / 10);
            EXPECT_LT(values.High, high + (high - low) / 10);
        }
        // The first and last points, and their marks, lie inside the plot.
        const QRectF plot = chart->PlotRect();
        for (int i = 0; i < 4; ++i) {
            for (const int k : {0, 11}) {
                const std::optional<QPointF> at = chart->PointPosition(i, k);
                ASSERT_TRUE(at) << i << " " << k;
                EXPECT_TRUE(plot.adjusted(frmChart::MarkSize / 2.0, frmChart::MarkSize / 2.0, -frmChart::MarkSize / 2.0,
                                          -frmChart::MarkSize / 2.0)
                                .contains(*at))
                    << log << " line " << i << " quarter " << k;
            }
        }
    }

    chart->SetLogScale(true);
    EXPECT_TRUE(chart->cmdLogScale->isChecked());
    EXPECT_EQ(chart->ValueAxisTitle(), QStringLiteral("Millions of dollars, seasonally adjusted at annual rates "
                                                      "(logarithmic scale)"));
    // Labelled at round values: 1, 2 or 5 times a power of ten.
    const QStringList labels = chart->ValueAxisLabels();
    ASSERT_GE(labels.size(), 3);
    EXPECT_TRUE(labels.contains(QStringLiteral("10,000")) && labels.contains(QStringLiteral("100,000")))
        << labels.join(QStringLiteral(" ")).toStdString();
    // The small line is no longer flat: it spans as much height as the large one.
    const auto height = [this](int line) { return chart->PointPosition(line, 0)->y() - chart->PointPosition(line, 11)->y(); };
    EXPECT_NEAR(height(0), height(3), 1);
    EXPECT_TRUE(chart->SpokenSummary().contains(QStringLiteral("logarithmic value axis")));

    // A tall chart is labelled more finely than a short one, the labels
    // never crowding each other.
    chart->SetLogScale(false);
    const double labelHeight = QFontMetricsF(chart->Chart()->axes(Qt::Vertical).front()->labelsFont()).height();
    for (const int tall : {440, 900}) {
        chart->resize(700, tall);
        QCoreApplication::processEvents();
        const int count = static_cast<int>(chart->ValueAxisLabels().size());
        EXPECT_GE(count, tall > 800 ? 8 : 4) << tall;
        EXPECT_GE(chart->PlotRect().height() / (count - 1), 2 * labelHeight) << tall;
    }
}

TEST_F(ExploreTest, LogScaleLeavesOutValuesOfZeroOrLessAndSaysSo)
{
    tarvel::ChartData data = AreasChart(2, 6);
    data.Series[1].Points[2].Value = 0;
    data.Series[1].Points[3].Value = -5;
    Show(data);
    chart->SetLogScale(true);
    const std::vector<std::optional<double>> drawn = chart->DrawnValues(1);
    EXPECT_FALSE(drawn[2]);
    EXPECT_FALSE(drawn[3]);
    EXPECT_TRUE(drawn[4]);
    EXPECT_TRUE(chart->ValueAxisTitle().endsWith(QStringLiteral("values of zero or less not drawn)")));
    chart->SetLogScale(false);
    EXPECT_DOUBLE_EQ(*chart->DrawnValues(1)[3], -5);
    EXPECT_LT(chart->ValueRange().Low, -5);
}

TEST_F(ExploreTest, LegendClickHidesAndShowsItsLineAndTheDataFollow)
{
    Show(AreasChart(3, 4));
    const std::string all = chart->DataCsv();
    EXPECT_EQ(all.substr(0, all.find('\r')), "\"Quarter\",\"Alabama\",\"Alaska\",\"Arizona\"");

    ASSERT_TRUE(ClickLegendEntry(QStringLiteral("Alaska")));
    EXPECT_FALSE(chart->SeriesShown(1));
    EXPECT_TRUE(chart->SeriesShown(0) && chart->SeriesShown(2));
    EXPECT_FALSE(chart->DrawnValues(1)[0]);
    EXPECT_FALSE(chart->PointPosition(1, 0));
    EXPECT_FALSE(chart->mnuLines->actions()[1]->isChecked());
    // The entry stays, struck through, so that a click brings the line back.
    ASSERT_NE(chart->LegendMarker(1), nullptr);
    EXPECT_TRUE(chart->LegendMarker(1)->isVisible());
    EXPECT_TRUE(chart->LegendMarker(1)->font().strikeOut());
    EXPECT_TRUE(chart->SpokenSummary().endsWith(QStringLiteral("Hidden: Alaska.")));
    const std::string shown = chart->DataCsv();
    EXPECT_EQ(shown.substr(0, shown.find('\r')), "\"Quarter\",\"Alabama\",\"Arizona\"");
    // The value axis fits the lines still shown: Alaska's ten-thousands are gone.
    EXPECT_LT(chart->ValueRange().High, 100000 * 1.1);

    ASSERT_TRUE(ClickLegendEntry(QStringLiteral("Alaska")));
    EXPECT_TRUE(chart->SeriesShown(1));
    EXPECT_TRUE(chart->DrawnValues(1)[0]);
    EXPECT_FALSE(chart->LegendMarker(1)->font().strikeOut());
    EXPECT_EQ(chart->DataCsv(), all);

    // The Lines menu does the same.
    chart->mnuLines->actions()[0]->trigger();
    EXPECT_FALSE(chart->SeriesShown(0));
    chart->mnuLines->actions()[0]->trigger();
    EXPECT_TRUE(chart->SeriesShown(0));
}

// Twelve areas: every legend name whole, the axis title whole, and the
// tooltip near any point of the quarter under the pointer.
TEST_F(ExploreTest, TwelveAreasKeepTheirNamesAndTitlesReadable)
{
    Show(AreasChart(tarvel::MaxChartSeries, 40, true));
    // The smallest chart window, one a small screen leaves, and the size it opens at.
    for (const QSize size : {QSize(640, 440), QSize(700, 500), chart->PreferredSize()}) {
        chart->resize(size);
        QCoreApplication::processEvents();
        const QStringList texts = Texts();
        const std::string all = texts.join(QStringLiteral("|")).toStdString();
        for (const char *name : StateNames)
            EXPECT_TRUE(texts.contains(QString::fromLatin1(name))) << size.width() << " " << name << ": " << all;
        for (const QString &text : texts)
            EXPECT_FALSE(text.contains(QStringLiteral("...")) || text.contains(QChar(0x2026))) << text.toStdString();
        // The axis title whole, on one line or broken after its comma.
        EXPECT_TRUE(texts.join(QLatin1Char(' ')).simplified().contains(
            QStringLiteral("Millions of dollars, seasonally adjusted at annual rates")))
            << size.width() << ": " << all;
        EXPECT_GE(chart->PlotRect().width(), 300) << size.width();
    }

    // A few pixels from a point, away from its line's segments: the point's tooltip.
    for (const int line : {0, 5, 11}) {
        const QPointF at = *chart->PointPosition(line, 20);
        for (const QPointF off : {QPointF(3, 4), QPointF(-4, -3), QPointF(0, 5)})
            EXPECT_EQ(chart->ToolTipAt((at + off).toPoint()).toStdString(), chart->ToolTipText(line, 20).toStdString())
                << line;
    }
    const QPointF first = *chart->PointPosition(0, 0);
    EXPECT_EQ(chart->ToolTipAt((first + QPointF(-2, 2)).toPoint()).toStdString(), chart->ToolTipText(0, 0).toStdString());
    // Far from every point: none.
    const QPointF between = (*chart->PointPosition(0, 20) + *chart->PointPosition(1, 20)) / 2;
    ASSERT_GT(std::fabs(chart->PointPosition(0, 20)->y() - between.y()), 12);
    EXPECT_TRUE(chart->ToolTipAt(between.toPoint()).isEmpty());
    EXPECT_TRUE(chart->ToolTipAt(QPoint(-50, -50)).isEmpty());
}

// A single point between gaps, and at either end, is drawn with its mark whole.
TEST_F(ExploreTest, SinglePointsAtTheEdgesAreDrawnWhole)
{
    tarvel::ChartData data = AreasChart(1, 5);
    for (const int k : {1, 2, 3})
        data.Series[0].Points[static_cast<std::size_t>(k)].Value.reset();
    Show(data);
    const QRectF plot = chart->PlotRect();
    const double half = frmChart::MarkSize / 2.0;
    for (const int k : {0, 4}) {
        const std::optional<QPointF> at = chart->PointPosition(0, k);
        ASSERT_TRUE(at);
        EXPECT_TRUE(plot.adjusted(half, half, -half, -half).contains(*at)) << k;
    }
    // One quarter alone as well.
    tarvel::ChartData one = AreasChart(1, 1);
    Show(one);
    const std::optional<QPointF> alone = chart->PointPosition(0, 0);
    ASSERT_TRUE(alone);
    EXPECT_TRUE(chart->PlotRect().adjusted(half, half, -half, -half).contains(*alone));
}

// A PNG picture pixels large: the size asked for, the chart laid out for
// it; the dialog takes pixels or a scale and keeps the shape when asked.
TEST_F(ExploreTest, PicturesAtAChosenSizeAndTheImageSizeDialog)
{
    Show(AreasChart(3, 8));
    const QSize screen = chart->Image().size();
    for (const QSize size : {QSize(1600, 1000), QSize(300, 800), screen}) {
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        ASSERT_TRUE(chart->WritePng(bytes, size));
        const QImage image = QImage::fromData(bytes.data(), "PNG");
        EXPECT_EQ(image.size(), size);
    }
    EXPECT_EQ(chart->Image().size(), screen) << "the window's own picture is unchanged";
    EXPECT_TRUE(chart->Image(QSize()).isNull());

    // Pictures and pages of other shapes are laid out for their shape; the
    // window's chart, zoomed to its last quarters, stays as it was.
    chart->ZoomAt(chart->PlotRect().topRight() + QPointF(-2, 2), 2);
    QCoreApplication::processEvents();
    const QImage before = chart->Image();
    const tarvel::AxisRange quarters = chart->QuarterRange();
    const Qt::Alignment legend = chart->Chart()->legend()->alignment();
    (void)chart->Image(QSize(300, 1200));
    (void)chart->Image(QSize(2400, 300));
    QImage page(QSize(1100, 850), QImage::Format_ARGB32);
    {
        QPainter painter(&page);
        chart->Render(painter, QRectF(0, 0, 1100, 850));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(chart->QuarterRange(), quarters);
    EXPECT_EQ(chart->Chart()->legend()->alignment(), legend);
    EXPECT_TRUE(chart->Image() == before) << "the window's chart changed";

    frmChartImage dialog;
    dialog.SetSize(QSize(600, 400));
    EXPECT_EQ(dialog.Size(), QSize(600, 400));
    EXPECT_DOUBLE_EQ(dialog.spnScale->value(), 1.0);
    struct Step {
        const char *what;
        std::function<void()> change;
        QSize size;
        double scale;
    };
    const std::vector<Step> steps{
        {"width, shape kept", [&] { dialog.spnWidth->setValue(1200); }, {1200, 800}, 2.0},
        {"height, shape kept", [&] { dialog.spnHeight->setValue(200); }, {300, 200}, 0.5},
        {"scale", [&] { dialog.spnScale->setValue(2.5); }, {1500, 1000}, 2.5},
        {"shape free", [&] { dialog.chkKeepShape->setChecked(false); dialog.spnWidth->setValue(1000); }, {1000, 1000}, 1.7},
        {"no side above the largest", [&] { dialog.spnScale->setValue(100); }, {6000, 4000}, 10.0},
    };
    for (const Step &step : steps) {
        step.change();
        EXPECT_EQ(dialog.Size(), step.size) << step.what;
        EXPECT_NEAR(dialog.spnScale->value(), step.scale, 0.05) << step.what;
    }
}

} // namespace

#include "core/views/chart_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarvel {
namespace {

// ---- where a value axis starts and ends ------------------------------------------------

TEST(ChartScale, ValueAxisStartsWhereTheDataStartOnBothScales)
{
    struct Case {
        double lowest;
        double highest;
        double room;
        bool logarithmic;
        AxisRange range;
    };
    const std::vector<Case> cases{
        // Far from zero: the axis does not reach down to it.
        {1000000, 1200000, 0.05, false, {990000, 1210000}},
        {1000000, 1200000, 0, false, {1000000, 1200000}},
        // Both signs, and logarithms alike.
        {-2500, 7500, 0.1, false, {-3500, 8500}},
        {3, 6, 0.1, true, {2.7, 6.3}},
        // All alike: a round step either side, half a decade for logarithms.
        {1000000, 1000000, 0.1, false, {800000, 1200000}},
        {1234, 1234, 0.1, false, {984, 1484}},
        {0, 0, 0.1, false, {-1, 1}},
        {6, 6, 0.1, true, {5.5, 6.5}},
        // Nothing to draw, or values out of order.
        {5, 1, 0.1, false, {0, 1}},
        {NAN, 1, 0.1, true, {0, 1}},
    };
    for (const Case &c : cases) {
        const AxisRange range = ValueAxisRange(c.lowest, c.highest, c.room, c.logarithmic);
        EXPECT_DOUBLE_EQ(range.Low, c.range.Low) << c.lowest << ".." << c.highest;
        EXPECT_DOUBLE_EQ(range.High, c.range.High) << c.lowest << ".." << c.highest;
    }
}

TEST(ChartScale, LogAxisLabelsRoundValues)
{
    const auto logs = [](double low, double high) { return AxisRange{std::log10(low), std::log10(high)}; };
    // Wide: the powers of ten alone; narrower: 2 and 5 times them as well.
    EXPECT_EQ(LogAxisTicks(logs(500, 20000000)), (std::vector<double>{1000, 10000, 100000, 1000000, 10000000}));
    EXPECT_EQ(LogAxisTicks(logs(500, 20000)), (std::vector<double>{500, 1000, 2000, 5000, 10000, 20000}));
    EXPECT_EQ(LogAxisTicks(logs(450, 21000)), (std::vector<double>{500, 1000, 2000, 5000, 10000, 20000}));
    // Within one step of the 1-2-5 scale, round linear steps.
    EXPECT_EQ(LogAxisTicks(logs(1100000, 1190000)), (std::vector<double>{1100000, 1125000, 1150000, 1175000}));
    // Twenty decades: every other power of ten at most.
    EXPECT_LE(LogAxisTicks({-5, 15}).size(), 11u);
}

// ---- zooming and moving about ---------------------------------------------------------

TEST(ChartScale, ZoomKeepsThePointUnderThePointerAndStaysInside)
{
    const AxisRange full{0, 240};
    // Twice as close about the middle, then about the left end.
    EXPECT_EQ(ZoomRange(full, full, 2, 0.5, 1), (AxisRange{60, 180}));
    EXPECT_EQ(ZoomRange(full, full, 2, 0, 1), (AxisRange{0, 120}));
    // The point a quarter of the way along stays a quarter of the way along.
    const AxisRange view = ZoomRange({100, 200}, full, 4, 0.25, 1);
    EXPECT_DOUBLE_EQ(view.Low, 118.75);
    EXPECT_DOUBLE_EQ(view.High, 143.75);
    // Farther out never goes past the whole, and moves back inside it.
    EXPECT_EQ(ZoomRange({200, 240}, full, 0.5, 0.5, 1), (AxisRange{160, 240}));
    EXPECT_EQ(ZoomRange({60, 180}, full, 0.1, 0.5, 1), full);
    // Never narrower than the least span.
    EXPECT_EQ(ZoomRange({10, 12}, full, 100, 0.5, 1), (AxisRange{10.5, 11.5}));
    EXPECT_EQ(ZoomRange({10, 12}, full, 0, 0.5, 1), (AxisRange{10, 12})) << "no factor, no change";

    // Moving stops at the ends.
    EXPECT_EQ(PanRange({60, 180}, full, 0.25), (AxisRange{90, 210}));
    EXPECT_EQ(PanRange({60, 180}, full, 1), (AxisRange{120, 240}));
    EXPECT_EQ(PanRange({60, 180}, full, -1), (AxisRange{0, 120}));
    EXPECT_EQ(PanRange(full, full, 0.5), full);

    // A dragged rectangle, either way round, clipped to the view.
    EXPECT_EQ(SubRange({100, 200}, full, 0.8, 0.2, 1), (AxisRange{120, 180}));
    EXPECT_EQ(SubRange({100, 200}, full, -0.5, 0.5, 1), (AxisRange{100, 150}));
    EXPECT_EQ(SubRange({100, 200}, full, 0.5, 0.5, 4), (AxisRange{148, 152}));
}

TEST(ChartScale, StepsAreRound)
{
    for (const auto &[span, step] : std::vector<std::pair<double, double>>{
             {240, 50}, {1, 0.2}, {12, 2.5}, {7, 2}, {5, 1}, {0, 1}, {-3, 1}, {1e15, 2e14}})
        EXPECT_DOUBLE_EQ(NiceStep(span), step) << span;
}

} // namespace
} // namespace tarvel

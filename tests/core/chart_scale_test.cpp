#include "core/views/chart_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarvel {
namespace {

// ---- where a value axis starts and ends ------------------------------------------------

struct LinearCase {
    double lowest;
    double highest;
    AxisRange range;
    double step;
};

TEST(ChartScale, LinearAxisStartsWhereTheDataStart)
{
    const std::vector<LinearCase> cases{
        // Far from zero: the axis does not reach down to it.
        {1003456, 1187654, {1000000, 1200000}, 50000},
        {987.5, 1234567, {0, 1250000}, 250000},
        // Already round numbers stay the ends.
        {1000000, 1200000, {1000000, 1200000}, 50000},
        // Negative values and values of both signs.
        {-2500.4, -1200, {-3000, -1000}, 500},
        {-2500.4, 3001171, {-1000000, 4000000}, 1000000},
        // A single value: on a step, a step on either side of it.
        {1000000, 1000000, {800000, 1200000}, 200000},
        {1234, 1234, {1000, 1250}, 250},
        {0, 0, {-1, 1}, 1},
        // Small numbers.
        {0.25, 0.75, {0.2, 0.8}, 0.1},
    };
    for (const LinearCase &c : cases) {
        const LinearScale scale = LinearValueScale(c.lowest, c.highest);
        EXPECT_DOUBLE_EQ(scale.Range.Low, c.range.Low) << c.lowest << ".." << c.highest;
        EXPECT_DOUBLE_EQ(scale.Range.High, c.range.High) << c.lowest << ".." << c.highest;
        EXPECT_DOUBLE_EQ(scale.Step, c.step) << c.lowest << ".." << c.highest;
        EXPECT_LE(scale.Range.Low, c.lowest);
        EXPECT_GE(scale.Range.High, c.highest);
    }
    // No values, or values out of order: a plain 0..1.
    EXPECT_EQ(LinearValueScale(5, 1).Range, (AxisRange{0, 1}));
    EXPECT_EQ(LinearValueScale(NAN, 1).Range, (AxisRange{0, 1}));
}

TEST(ChartScale, LogAxisStartsWhereTheDataStartAndLabelsRoundValues)
{
    const auto values = [](AxisRange range) {
        return std::vector<double>{std::round(std::pow(10.0, range.Low) * 1e6) / 1e6,
                                   std::round(std::pow(10.0, range.High) * 1e6) / 1e6};
    };
    EXPECT_EQ(values(LogValueRange(1003456, 1187654)), (std::vector<double>{1000000, 2000000}));
    EXPECT_EQ(values(LogValueRange(987.5, 1234567)), (std::vector<double>{500, 2000000}));
    EXPECT_EQ(values(LogValueRange(1000, 5000)), (std::vector<double>{1000, 5000}));
    EXPECT_EQ(values(LogValueRange(1000, 1000)), (std::vector<double>{500, 2000}));
    EXPECT_EQ(values(LogValueRange(0.3, 40)), (std::vector<double>{0.2, 50}));
    EXPECT_EQ(LogValueRange(0, 10), (AxisRange{0, 1})) << "nothing above zero to draw";

    // Wide: the powers of ten alone; narrower: 2 and 5 times them as well.
    EXPECT_EQ(LogAxisTicks(LogValueRange(500, 20000000)),
              (std::vector<double>{1000, 10000, 100000, 1000000, 10000000}));
    EXPECT_EQ(LogAxisTicks(LogValueRange(500, 20000)), (std::vector<double>{500, 1000, 2000, 5000, 10000, 20000}));
    // Within one step of the 1-2-5 scale, round linear steps.
    const std::vector<double> inside = LogAxisTicks({std::log10(1100000.0), std::log10(1190000.0)});
    EXPECT_EQ(inside, (std::vector<double>{1100000, 1125000, 1150000, 1175000}));
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

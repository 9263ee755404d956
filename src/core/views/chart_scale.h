#pragma once

#include <vector>

namespace tarvel {

/// A span of a chart axis in the units it is drawn in: quarters (0 = the
/// oldest charted), values, or for a logarithmic value axis the base-10
/// logarithms of the values. Low is below High.
struct AxisRange {
    double Low = 0;
    double High = 1;

    double Span() const { return High - Low; }
    bool operator==(const AxisRange &) const = default;
};

/// A linear value axis: its range and the distance between its labels.
struct LinearScale {
    AxisRange Range;
    double Step = 1;
};

/// The round distance between about `count` labels over span: 1, 2, 2.5 or
/// 5 times a power of ten. 1 for a span that is not above zero.
double NiceStep(double span, int count = 5);

/// The linear value axis for values from lowest to highest. It starts where
/// the data start, at the multiple of the step at or below lowest, and ends
/// at the one at or above highest; a single value gets a step on either
/// side. Zero is not pulled in: the axis starts at zero only when the
/// values come down to it.
LinearScale LinearValueScale(double lowest, double highest);

/// The logarithmic value axis for values from lowest to highest (both
/// above zero), in base-10 logarithms: from the 1, 2 or 5 times a power of
/// ten at or below lowest to the one at or above highest, so it too starts
/// where the data start.
AxisRange LogValueRange(double lowest, double highest);

/// The values labelled on a logarithmic axis showing range (logarithms):
/// the powers of ten in it, with 2 and 5 times them while that makes at
/// most maxLabels; at least the two ends when no power of ten falls in it.
/// Ascending.
std::vector<double> LogAxisTicks(AxisRange range, int maxLabels = 8);

/// view zoomed by factor (above 1 closer, below 1 farther) about the point
/// at fraction anchor of it (0 = Low, 1 = High), that point staying where
/// it is. Never wider than full (moved inside it when it would stick out),
/// never narrower than minSpan.
AxisRange ZoomRange(AxisRange view, AxisRange full, double factor, double anchor, double minSpan);

/// view moved by shift times its span (positive toward High), stopping at
/// the ends of full.
AxisRange PanRange(AxisRange view, AxisRange full, double shift);

/// The part of view between the fractions from and to of it (either order,
/// as a rectangle is dragged), at least minSpan wide about its middle and
/// inside full.
AxisRange SubRange(AxisRange view, AxisRange full, double from, double to, double minSpan);

} // namespace tarvel

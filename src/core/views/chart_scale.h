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

/// The round distance between about `count` labels over span: 1, 2, 2.5 or
/// 5 times a power of ten. 1 for a span that is not above zero.
double NiceStep(double span, int count = 5);

/// The value axis for drawn values from lowest to highest (values, or
/// their logarithms on a logarithmic axis): it starts where the data start
/// and ends where they end, with room on either side of room times the
/// span (for the marks of the points at the ends), and is labelled at
/// round numbers inside it; zero is not pulled in. Values all alike stand
/// in the middle: a round step on either side (half a power of ten on a
/// logarithmic axis). 0..1 when there is nothing to draw.
AxisRange ValueAxisRange(double lowest, double highest, double room, bool logarithmic);

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

#include "core/views/chart_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarvel {

namespace {

// The steps of a round scale within one power of ten.
constexpr std::array<double, 4> Mantissas{1, 2, 2.5, 5};
// The values of a logarithmic scale within one power of ten.
constexpr std::array<double, 3> LogMantissas{1, 2, 5};

// A quotient that misses a whole number only by rounding counts as it.
double Whole(double quotient)
{
    const double nearest = std::round(quotient);
    return std::fabs(quotient - nearest) < 1e-9 * std::max(1.0, std::fabs(quotient)) ? nearest : quotient;
}

double PowerOfTen(int exponent)
{
    // Exact for the exponents that occur (std::pow need not be).
    double value = 1;
    for (int i = 0; i < std::abs(exponent); ++i)
        value *= 10;
    return exponent < 0 ? 1 / value : value;
}

bool Below(double a, double b)
{
    return a < b * (1 - 1e-12);
}

// range moved, not resized, to lie inside full; full when it is wider.
AxisRange Inside(AxisRange range, AxisRange full)
{
    if (range.Span() >= full.Span())
        return full;
    if (range.Low < full.Low)
        return {full.Low, full.Low + range.Span()};
    if (range.High > full.High)
        return {full.High - range.Span(), full.High};
    return range;
}

} // namespace

double NiceStep(double span, int count)
{
    if (!(span > 0) || !std::isfinite(span) || count < 1)
        return 1;
    const double raw = span / count;
    const int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const double magnitude = PowerOfTen(exponent);
    for (const double m : Mantissas) {
        if (!Below(m * magnitude, raw))
            return m * magnitude;
    }
    return 10 * magnitude;
}

AxisRange ValueAxisRange(double lowest, double highest, double room, bool logarithmic)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest) || lowest > highest)
        return {0, 1};
    if (lowest == highest) {
        const double half = logarithmic ? 0.5 : NiceStep(lowest != 0 ? std::fabs(lowest) : 5);
        return {lowest - half, highest + half};
    }
    const double margin = std::max(room, 0.0) * (highest - lowest);
    return {lowest - margin, highest + margin};
}

std::vector<double> LogAxisTicks(AxisRange range, int maxLabels)
{
    const double low = std::pow(10.0, range.Low);
    const double high = std::pow(10.0, range.High);
    std::vector<double> all;
    std::vector<double> powers;
    const int first = static_cast<int>(std::floor(range.Low)) - 1;
    const int last = static_cast<int>(std::ceil(range.High)) + 1;
    for (int e = first; e <= last; ++e) {
        for (const double m : LogMantissas) {
            const double value = m * PowerOfTen(e);
            if (Below(value, low) || Below(high, value))
                continue;
            all.push_back(value);
            if (m == 1)
                powers.push_back(value);
        }
    }
    if (static_cast<int>(all.size()) <= maxLabels && all.size() >= 2)
        return all;
    if (powers.size() >= 2) {
        // Every k-th power of ten when even they are too many.
        const std::size_t every = (powers.size() + static_cast<std::size_t>(maxLabels) - 1)
            / static_cast<std::size_t>(std::max(maxLabels, 1));
        std::vector<double> kept;
        for (std::size_t i = 0; i < powers.size(); i += std::max<std::size_t>(every, 1))
            kept.push_back(powers[i]);
        return kept;
    }
    // Zoomed in within a decade the scale is nearly linear: round steps.
    const double step = NiceStep(high - low, 4);
    std::vector<double> steps;
    for (double k = std::ceil(Whole(low / step)); k * step <= high * (1 + 1e-12); ++k)
        steps.push_back(k * step);
    if (steps.size() < 2)
        return {low, high};
    return steps;
}

AxisRange ZoomRange(AxisRange view, AxisRange full, double factor, double anchor, double minSpan)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return view;
    anchor = std::clamp(anchor, 0.0, 1.0);
    const double pivot = view.Low + anchor * view.Span();
    double span = view.Span() / factor;
    span = std::max(span, std::min(minSpan, full.Span()));
    const double low = pivot - anchor * span;
    return Inside({low, low + span}, full);
}

AxisRange PanRange(AxisRange view, AxisRange full, double shift)
{
    const double delta = shift * view.Span();
    return Inside({view.Low + delta, view.High + delta}, full);
}

AxisRange SubRange(AxisRange view, AxisRange full, double from, double to, double minSpan)
{
    const double a = std::clamp(std::min(from, to), 0.0, 1.0);
    const double b = std::clamp(std::max(from, to), 0.0, 1.0);
    double low = view.Low + a * view.Span();
    double high = view.Low + b * view.Span();
    if (high - low < minSpan) {
        const double middle = (low + high) / 2;
        low = middle - minSpan / 2;
        high = middle + minSpan / 2;
    }
    return Inside({low, high}, full);
}

} // namespace tarvel

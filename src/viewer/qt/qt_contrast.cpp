#include "viewer/qt/qt_contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Channel(double value)
{
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) + 0.0722 * Channel(rgb.blueF());
}

} // namespace

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor WithContrast(const QColor &colour, const QColor &background, double ratio)
{
    // Toward white on a dark background, toward black on a light one, in
    // small steps of lightness; the far end always has enough contrast.
    const bool darkBackground = Luminance(background) < 0.18;
    QColor shifted = colour.toHsl();
    for (int step = 0; step < 100 && ContrastRatio(shifted, background) < ratio; ++step) {
        const int lightness = std::clamp(shifted.lightness() + (darkBackground ? 5 : -5), 0, 255);
        shifted.setHsl(shifted.hslHue(), shifted.hslSaturation(), lightness, shifted.alpha());
    }
    return shifted.toRgb();
}

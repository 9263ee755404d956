#pragma once

#include <QWidget>

#include <cmath>

// Window and control sizes are kept in twips (1/1440 inch): pixels = twips x
// logical DPI / 1440, so 15 twips make a pixel at 96 DPI.

/// Pixels for a horizontal size in twips on widget's screen.
inline int TwipsToPixelsX(double twips, const QWidget *widget)
{
    return static_cast<int>(std::lround(twips * widget->logicalDpiX() / 1440.0));
}

/// Pixels for a vertical size in twips on widget's screen.
inline int TwipsToPixelsY(double twips, const QWidget *widget)
{
    return static_cast<int>(std::lround(twips * widget->logicalDpiY() / 1440.0));
}

/// Twips for a horizontal size in pixels.
inline int PixelsToTwipsX(int pixels, const QWidget *widget)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / widget->logicalDpiX()));
}

/// Twips for a vertical size in pixels.
inline int PixelsToTwipsY(int pixels, const QWidget *widget)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / widget->logicalDpiY()));
}

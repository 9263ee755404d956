#pragma once

#include <QColor>

/// The contrast ratio of two colours as accessibility guidelines define it,
/// from 1 (the same) to 21 (black on white): (L1 + 0.05) / (L2 + 0.05) of
/// their relative luminances. Lines, marks and focus frames need 3.
double ContrastRatio(const QColor &a, const QColor &b);

/// colour made lighter (on a dark background) or darker (on a light one)
/// until it has at least ratio against background; its hue stays.
QColor WithContrast(const QColor &colour, const QColor &background, double ratio = 3.0);

#pragma once

#include <QColor>
#include <QProxyStyle>

class QPalette;

/// The colour of a control's boundary in palette: between the window and
/// its text colour, as near the window as keeps 3:1 (and a little more)
/// against the window and the base colours; the text colour itself where
/// nothing nearer does.
QColor BoundaryColour(const QPalette &palette);
/// The colour of the focus frame: the highlight, lightened or darkened to
/// keep 3:1 (and a little more) against the window and the base colours.
QColor FocusColour(const QPalette &palette);

/// The desktop's style, with the boundaries of check boxes, radio buttons,
/// text boxes, lists, combo boxes, spin boxes and buttons drawn over in
/// BoundaryColour, and the focus frame of a control in FocusColour two
/// pixels wide: many styles draw them faintly, and in a dark or
/// high-contrast palette not at all.
class BoundaryStyle final : public QProxyStyle {
public:
    /// The style named key (the application's own when empty) underneath.
    explicit BoundaryStyle(const QString &key = QString());

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
};

/// Puts a BoundaryStyle over the application's style.
void InstallBoundaryStyle();

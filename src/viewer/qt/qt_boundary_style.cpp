#include "viewer/qt/qt_boundary_style.h"

#include "viewer/qt/qt_contrast.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QRadioButton>
#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyleOption>

#include <initializer_list>

namespace {

// Aimed above 3:1, so that the pixels a rounded or round edge shares with
// the background still reach it.
constexpr double Aim = 3.6;

QColor Mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

bool StandsOut(const QColor &colour, const QPalette &palette)
{
    return ContrastRatio(colour, palette.color(QPalette::Window)) >= Aim
        && ContrastRatio(colour, palette.color(QPalette::Base)) >= Aim;
}

enum class Shape { Box, Round };

// Draws the boundary over what the style drew: one pixel in the boundary
// colour, or two in the focus colour while the control has the focus.
void DrawBoundary(QPainter *painter, const QStyleOption *option, QRect rect, Shape shape, bool focusShown = true)
{
    if (rect.width() < 4 || rect.height() < 4)
        return;
    const bool focus = focusShown && (option->state & QStyle::State_HasFocus);
    const QColor colour = focus ? FocusColour(option->palette) : BoundaryColour(option->palette);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    // A round line shares its pixels with the background: it is drawn a
    // little wider.
    const double width = focus || shape == Shape::Round ? 2 : 1;
    painter->setPen(QPen(colour, width));
    // A line drawn on the pixels' middles covers whole pixels.
    const QRectF line = QRectF(rect).adjusted(width / 2, width / 2, -width / 2, -width / 2);
    if (shape == Shape::Round)
        painter->drawEllipse(line);
    else
        painter->drawRoundedRect(line, 2, 2);
    painter->restore();
}

} // namespace

QColor BoundaryColour(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    for (double share = 0.3; share < 1; share += 0.02) {
        const QColor colour = Mix(window, text, share);
        if (StandsOut(colour, palette))
            return colour;
    }
    if (StandsOut(text, palette))
        return text;
    // A palette whose text does not stand out: black or white, whichever does more.
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, window) >= ContrastRatio(white, window) ? black : white;
}

QColor FocusColour(const QPalette &palette)
{
    const QColor onWindow = WithContrast(palette.color(QPalette::Highlight), palette.color(QPalette::Window), Aim);
    return WithContrast(onWindow, palette.color(QPalette::Base), Aim);
}

BoundaryStyle::BoundaryStyle(const QString &key) : QProxyStyle(key) {}

void BoundaryStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                  const QWidget *widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    switch (element) {
    case PE_IndicatorCheckBox:
    case PE_IndicatorItemViewItemCheck:
        // The focus of a check box shows around its text.
        DrawBoundary(painter, option, option->rect, Shape::Box, false);
        break;
    case PE_IndicatorRadioButton:
        DrawBoundary(painter, option, option->rect, Shape::Round, false);
        break;
    case PE_PanelLineEdit:
        // A spin box's or combo box's own field is inside their boundary.
        if (!widget || !qobject_cast<const QAbstractSpinBox *>(widget->parentWidget()))
            DrawBoundary(painter, option, option->rect, Shape::Box);
        break;
    case PE_Frame:
    case PE_FrameLineEdit:
        // The frame of a list or text box; a scroll area's frame has no focus of its own.
        if (qobject_cast<const QAbstractScrollArea *>(widget))
            DrawBoundary(painter, option, option->rect, Shape::Box);
        break;
    case PE_FrameFocusRect: {
        // A focus frame around a text: a check box's, a radio button's (a
        // button shows its focus on its boundary).
        if (!qobject_cast<const QCheckBox *>(widget) && !qobject_cast<const QRadioButton *>(widget))
            break;
        QStyleOption focus(*option);
        focus.state |= State_HasFocus;
        DrawBoundary(painter, &focus, option->rect, Shape::Box);
        break;
    }
    default:
        break;
    }
}

void BoundaryStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element != CE_PushButtonBevel)
        return;
    // A flat button (a tool bar's) has no boundary to keep.
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (button && !(button->features & QStyleOptionButton::Flat))
        DrawBoundary(painter, option, option->rect, Shape::Box);
}

void BoundaryStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                       const QWidget *widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_SpinBox) {
        const auto *frame = qstyleoption_cast<const QStyleOptionComboBox *>(option);
        const auto *spin = qstyleoption_cast<const QStyleOptionSpinBox *>(option);
        if ((frame && frame->frame) || (spin && spin->frame))
            DrawBoundary(painter, option, option->rect, Shape::Box);
    }
}

void InstallBoundaryStyle()
{
    QApplication::setStyle(new BoundaryStyle(QApplication::style()->name()));
}

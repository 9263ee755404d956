// The boundaries of the controls, and their focus frames, stand out at 3:1
// from the window in a light, a dark and a high-contrast palette, measured
// on the pixels the controls are drawn with.
#include "viewer/qt/qt_boundary_style.h"
#include "viewer/qt/qt_contrast.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

QPalette Palette(const QColor &window, const QColor &text, const QColor &base, const QColor &highlight)
{
    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, base);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, base);
        palette.setColor(group, QPalette::Light, window.lighter(150));
        palette.setColor(group, QPalette::Midlight, window.lighter(120));
        palette.setColor(group, QPalette::Mid, window.darker(130));
        palette.setColor(group, QPalette::Dark, window.darker(160));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    return palette;
}

struct PaletteCase {
    const char *name;
    QPalette palette;
};

std::vector<PaletteCase> Palettes()
{
    return {{"light", QStyleFactory::create(QStringLiteral("Fusion"))->standardPalette()},
            {"dark", Palette(QColor(53, 53, 53), Qt::white, QColor(42, 42, 42), QColor(42, 130, 218))},
            {"high-contrast black", Palette(Qt::black, Qt::white, Qt::black, QColor(26, 235, 255))},
            {"high-contrast white", Palette(Qt::white, Qt::black, Qt::white, QColor(55, 0, 110))}};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// How well a boundary drawn around rect stands out from background: for
// each side, the best of its three outer lines of pixels (the middle half
// of it, by the median); the weakest side counts. A round one is read on
// rings.
double BoundaryContrast(const QImage &shot, const QRect &rect, bool round, const QColor &background)
{
    const auto at = [&shot, &background](double x, double y) {
        return ContrastRatio(shot.pixelColor(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))), background);
    };
    if (round) {
        const QPointF centre = QRectF(rect).center();
        double best = 0;
        for (int d = 0; d < 3; ++d) {
            std::vector<double> ring;
            const double radius = rect.width() / 2.0 - d - 0.5;
            for (int degrees = 0; degrees < 360; degrees += 10) {
                const double angle = degrees * M_PI / 180;
                ring.push_back(at(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle)));
            }
            best = std::max(best, Median(ring));
        }
        return best;
    }
    double weakest = 21;
    for (int side = 0; side < 4; ++side) {
        double best = 0;
        for (int d = 0; d < 3; ++d) {
            std::vector<double> line;
            const bool across = side < 2;
            const int length = across ? rect.width() : rect.height();
            for (int i = length / 4; i < 3 * length / 4; ++i) {
                const int x = across ? rect.left() + i : (side == 2 ? rect.left() + d : rect.right() - d);
                const int y = across ? (side == 0 ? rect.top() + d : rect.bottom() - d) : rect.top() + i;
                line.push_back(at(x, y));
            }
            best = std::max(best, Median(line));
        }
        weakest = std::min(weakest, best);
    }
    return weakest;
}

struct Control {
    const char *name;
    std::function<QWidget *(QWidget *)> make;
    // The boundary's rectangle in the control, and whether it is round.
    std::function<QRect(QWidget *)> boundary;
    bool round = false;
    // Where the focus frame is drawn, when not on the boundary.
    QStyle::SubElement focusFrame = QStyle::SE_CustomBase;
};

QRect Indicator(QWidget *widget, QStyle::SubElement element)
{
    QStyleOptionButton option;
    option.initFrom(widget);
    option.text = static_cast<QAbstractButton *>(widget)->text();
    return widget->style()->subElementRect(element, &option, widget);
}

std::vector<Control> Controls()
{
    const auto whole = [](QWidget *widget) { return widget->rect(); };
    return {
        {"check box", [](QWidget *p) { return new QCheckBox(QStringLiteral("Include Footnotes"), p); },
         [](QWidget *w) { return Indicator(w, QStyle::SE_CheckBoxIndicator); }, false, QStyle::SE_CheckBoxFocusRect},
        {"radio button", [](QWidget *p) { return new QRadioButton(QStringLiteral("ZR5 SIC"), p); },
         [](QWidget *w) { return Indicator(w, QStyle::SE_RadioButtonIndicator); }, true, QStyle::SE_RadioButtonFocusRect},
        {"text box", [](QWidget *p) { return new QLineEdit(QStringLiteral(" 5000"), p); }, whole},
        {"button", [](QWidget *p) { return new QPushButton(QStringLiteral("Change Printer"), p); }, whole},
        {"combo box",
         [](QWidget *p) {
             auto *box = new QComboBox(p);
             box->addItem(QStringLiteral("Last four quarters"));
             return box;
         },
         whole},
        {"spin box", [](QWidget *p) { return new QSpinBox(p); }, whole},
        {"list", [](QWidget *p) { return new QListWidget(p); }, whole},
    };
}

// Each control drawn in each palette, with and without the focus.
TEST(BoundaryStyle, ControlsAndFocusFramesStandOutInEveryPalette)
{
    BoundaryStyle style(QStringLiteral("Fusion"));
    for (const PaletteCase &colours : Palettes()) {
        for (const Control &control : Controls()) {
            QWidget window;
            window.setStyle(&style);
            window.setPalette(colours.palette);
            auto *layout = new QVBoxLayout(&window);
            auto *other = new QLineEdit(&window); // takes the focus away
            QWidget *widget = control.make(&window);
            layout->addWidget(other);
            layout->addWidget(widget);
            widget->setStyle(&style);
            other->setStyle(&style);
            window.resize(260, widget->sizeHint().height() * 4 + 60);
            window.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
            QApplication::setActiveWindow(&window);
            const std::string what = std::string(control.name) + " in " + colours.name;
            const QColor background = colours.palette.color(QPalette::Window);
            for (const bool focus : {false, true}) {
                (focus ? widget : other)->setFocus(Qt::TabFocusReason);
                QCoreApplication::processEvents();
                const QImage shot = widget->grab().toImage();
                // A check box and a radio button frame their text.
                const bool aside = focus && control.focusFrame != QStyle::SE_CustomBase;
                const QRect rect = aside ? Indicator(widget, control.focusFrame) : control.boundary(widget);
                const double contrast = BoundaryContrast(shot, rect, control.round && !aside, background);
                EXPECT_GE(contrast, 3.0) << what << (focus ? " with the focus" : "");
            }
        }
    }
}

// The colours themselves, in every palette.
TEST(BoundaryStyle, ColoursKeepThreeToOne)
{
    for (const PaletteCase &colours : Palettes()) {
        for (const QColor &colour : {BoundaryColour(colours.palette), FocusColour(colours.palette)}) {
            for (const auto role : {QPalette::Window, QPalette::Base})
                EXPECT_GE(ContrastRatio(colour, colours.palette.color(role)), 3.0) << colours.name;
        }
    }
}

} // namespace

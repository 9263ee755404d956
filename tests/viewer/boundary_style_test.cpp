// The boundaries of the controls, and their focus frames, stand out at 3:1
// from the window in a light, a dark and two high-contrast palettes,
// measured on the pixels the controls are drawn with.
#include "viewer/qt/qt_boundary_style.h"
#include "viewer/qt/qt_contrast.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

QPalette Colours(const QColor &window, const QColor &text, const QColor &base, const QColor &highlight)
{
    QPalette palette(window, window);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(role, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, base);
    return palette;
}

// How well the boundary drawn on rect (round or not) stands out from
// background: of each side's three outer lines of pixels (of the three
// outer rings of a round one), the one whose pixels have the best median
// contrast; the weakest side counts.
double BoundaryContrast(const QImage &shot, const QRect &rect, bool round, const QColor &background)
{
    const QPointF centre = QRectF(rect).center();
    double weakest = 21;
    for (int side = 0; side < (round ? 1 : 4); ++side) {
        double best = 0;
        for (int d = 0; d < 3; ++d) {
            std::vector<double> line;
            for (int i = 0; i < 36; ++i) {
                QPointF at;
                if (round) {
                    const double radius = rect.width() / 2.0 - d - 0.5;
                    at = centre + radius * QPointF(std::cos(i * M_PI / 18), std::sin(i * M_PI / 18));
                } else {
                    const double t = 0.25 + i / 72.0; // the middle half of the side
                    const QPointF ends[4][2] = {{rect.topLeft() + QPointF(0, d), rect.topRight() + QPointF(0, d)},
                                                {rect.bottomLeft() - QPointF(0, d), rect.bottomRight() - QPointF(0, d)},
                                                {rect.topLeft() + QPointF(d, 0), rect.bottomLeft() + QPointF(d, 0)},
                                                {rect.topRight() - QPointF(d, 0), rect.bottomRight() - QPointF(d, 0)}};
                    at = ends[side][0] + t * (ends[side][1] - ends[side][0]);
                }
                line.push_back(ContrastRatio(shot.pixelColor(at.toPoint()), background));
            }
            std::nth_element(line.begin(), line.begin() + 18, line.end());
            best = std::max(best, line[18]);
        }
        weakest = std::min(weakest, best);
    }
    return weakest;
}

// A rectangle the style gives a check box or radio button (its text set).
QRect ButtonPart(QWidget *widget, QStyle::SubElement part)
{
    QStyleOptionButton option;
    option.initFrom(widget);
    option.text = static_cast<QAbstractButton *>(widget)->text();
    return widget->style()->subElementRect(part, &option, widget);
}

TEST(BoundaryStyle, ControlsAndFocusFramesStandOutInEveryPalette)
{
    const struct {
        const char *name;
        QPalette palette;
    } palettes[] = {
        {"light", std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette()},
        {"dark", Colours(QColor(53, 53, 53), Qt::white, QColor(42, 42, 42), QColor(42, 130, 218))},
        {"high-contrast black", Colours(Qt::black, Qt::white, Qt::black, QColor(26, 235, 255))},
        {"high-contrast white", Colours(Qt::white, Qt::black, Qt::white, QColor(55, 0, 110))},
    };
    struct Control {
        const char *name;
        std::function<QWidget *()> make;
        // The boundary and the focus frame: the whole control unless given.
        QStyle::SubElement boundary = QStyle::SE_CustomBase;
        QStyle::SubElement focus = QStyle::SE_CustomBase;
        bool round = false;
    };
    const Control controls[] = {
        {"check box", [] { return new QCheckBox(QStringLiteral("Include Footnotes")); }, QStyle::SE_CheckBoxIndicator,
         QStyle::SE_CheckBoxFocusRect},
        {"radio button", [] { return new QRadioButton(QStringLiteral("ZR5 SIC")); }, QStyle::SE_RadioButtonIndicator,
         QStyle::SE_RadioButtonFocusRect, true},
        {"text box", [] { return new QLineEdit(QStringLiteral(" 5000")); }},
        {"button", [] { return new QPushButton(QStringLiteral("Change Printer")); }},
        {"combo box", [] { auto *box = new QComboBox; box->addItem(QStringLiteral("Last four quarters")); return box; }},
        {"spin box", [] { return new QSpinBox; }},
        {"list", [] { return new QListWidget; }},
    };
    BoundaryStyle style(QStringLiteral("Fusion"));
    for (const auto &colours : palettes) {
        for (const Control &control : controls) {
            QWidget window;
            window.setPalette(colours.palette);
            auto *layout = new QVBoxLayout(&window);
            auto *other = new QLineEdit; // holds the focus when the control does not
            QWidget *widget = control.make();
            layout->addWidget(other);
            layout->addWidget(widget);
            for (QWidget *w : std::initializer_list<QWidget *>{&window, other, widget})
                w->setStyle(&style);
            window.resize(260, 4 * widget->sizeHint().height() + 60);
            window.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
            QApplication::setActiveWindow(&window);
            for (const bool focus : {false, true}) {
                (focus ? widget : other)->setFocus(Qt::TabFocusReason);
                QCoreApplication::processEvents();
                const QStyle::SubElement part = focus && control.focus != QStyle::SE_CustomBase ? control.focus
                                                                                              : control.boundary;
                const QRect rect = part == QStyle::SE_CustomBase ? widget->rect() : ButtonPart(widget, part);
                const bool round = control.round && part == control.boundary;
                EXPECT_GE(BoundaryContrast(widget->grab().toImage(), rect, round, colours.palette.color(QPalette::Window)),
                          3.0)
                    << control.name << " in " << colours.name << (focus ? ", with the focus" : "");
            }
        }
    }
}

} // namespace

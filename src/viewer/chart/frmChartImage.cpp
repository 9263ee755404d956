#include "viewer/chart/frmChartImage.h"

#include "viewer/qt/qt_title_room.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int SmallestSide = 100;
// A scale is given in tenths.
constexpr double SmallestScale = 0.1;

// A spin box's text field is what a screen reader reaches: it says the
// box's name.
void NameField(QAbstractSpinBox *box, const QString &name)
{
    box->setAccessibleName(name);
    if (auto *field = box->findChild<QLineEdit *>())
        field->setAccessibleName(name);
}

} // namespace

frmChartImage::frmChartImage(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmChartImage"));
    setWindowTitle(QStringLiteral("Image size"));

    const auto side = [this](const char *name) {
        auto *box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(SmallestSide, LargestSide);
        box->setSuffix(QStringLiteral(" px"));
        box->setAccelerated(true);
        return box;
    };
    spnWidth = side("spnWidth");
    spnHeight = side("spnHeight");
    chkKeepShape = new QCheckBox(QStringLiteral("&Keep the shape of the chart window"), this);
    chkKeepShape->setObjectName(QStringLiteral("chkKeepShape"));
    chkKeepShape->setChecked(true);
    spnScale = new QDoubleSpinBox(this);
    spnScale->setObjectName(QStringLiteral("spnScale"));
    spnScale->setDecimals(1);
    spnScale->setSingleStep(0.5);
    spnScale->setRange(SmallestScale, LargestSide / SmallestScale);
    spnScale->setSuffix(QStringLiteral(" times the chart on screen"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Width:"), spnWidth);
    form->addRow(QStringLiteral("&Height:"), spnHeight);
    form->addRow(QStringLiteral("&Scale:"), spnScale);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(chkKeepShape);
    layout->addLayout(buttons);
    KeepTitleWhole(*this);
    NameField(spnWidth, QStringLiteral("Image width in pixels"));
    NameField(spnHeight, QStringLiteral("Image height in pixels"));
    NameField(spnScale, QStringLiteral("Image scale, times the chart on screen"));

    connect(spnWidth, &QSpinBox::valueChanged, this, [this] { Follow(true); });
    connect(spnHeight, &QSpinBox::valueChanged, this, [this] { Follow(false); });
    connect(spnScale, &QDoubleSpinBox::valueChanged, this, [this] { FollowScale(); });
    connect(chkKeepShape, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Follow(true);
    });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmChartImage::SetSize(QSize size)
{
    m_screen = size.expandedTo(QSize(1, 1));
    m_following = true;
    // No side beyond the largest, nor below the smallest, at any scale offered.
    const int longer = std::max(m_screen.width(), m_screen.height());
    const int shorter = std::min(m_screen.width(), m_screen.height());
    spnScale->setRange(std::ceil(10.0 * SmallestSide / shorter) / 10, std::floor(10.0 * LargestSide / longer) / 10);
    spnWidth->setValue(size.width());
    spnHeight->setValue(size.height());
    m_following = false;
    ShowScale();
}

QSize frmChartImage::Size() const
{
    return {spnWidth->value(), spnHeight->value()};
}

void frmChartImage::Follow(bool widthChanged)
{
    if (m_following)
        return;
    if (chkKeepShape->isChecked()) {
        m_following = true;
        const double shape = static_cast<double>(m_screen.height()) / m_screen.width();
        if (widthChanged)
            spnHeight->setValue(static_cast<int>(std::lround(spnWidth->value() * shape)));
        else
            spnWidth->setValue(static_cast<int>(std::lround(spnHeight->value() / shape)));
        m_following = false;
    }
    ShowScale();
}

void frmChartImage::FollowScale()
{
    if (m_following)
        return;
    m_following = true;
    const double scale = spnScale->value();
    spnWidth->setValue(static_cast<int>(std::lround(m_screen.width() * scale)));
    spnHeight->setValue(static_cast<int>(std::lround(m_screen.height() * scale)));
    m_following = false;
}

void frmChartImage::ShowScale()
{
    // The text keeps its size on screen: a larger picture is the same
    // chart drawn finer, at this many times the window's size.
    const double scale = std::min(static_cast<double>(spnWidth->value()) / m_screen.width(),
                                  static_cast<double>(spnHeight->value()) / m_screen.height());
    const bool following = std::exchange(m_following, true);
    spnScale->setValue(scale);
    m_following = following;
}

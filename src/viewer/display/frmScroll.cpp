#include "viewer/display/frmScroll.h"

#include "core/views/scroll_value.h"
#include "viewer/qt/qt_title_room.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

frmScroll::frmScroll(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScroll"));

    txtScroll = new QLineEdit(this);
    txtScroll->setObjectName(QStringLiteral("txtScroll"));
    txtScroll->installEventFilter(this);
    hsbScroll = new QScrollBar(Qt::Horizontal, this);
    hsbScroll->setObjectName(QStringLiteral("hsbScroll"));
    hsbScroll->setRange(tarvel::ScrollMinimum, tarvel::ScrollMaximum);
    hsbScroll->setSingleStep(15);  // a pixel
    hsbScroll->setPageStep(1440); // an inch
    hsbScroll->setMinimumWidth(240);
    // The arrows and page keys move the slider once the Tab key reaches it.
    hsbScroll->setFocusPolicy(Qt::StrongFocus);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtScroll);
    layout->addWidget(hsbScroll);
    layout->addLayout(buttons);
    // The opener sets the title ("Select new Height...").
    KeepTitleWhole(*this);

    connect(hsbScroll, &QScrollBar::valueChanged, this, [this](int value) {
        txtScroll->setText(QString::fromLatin1(tarvel::ScrollValueText(value)));
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmScroll::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmScroll::reject);
}

void frmScroll::Load(tarvel::SizeKind kind, int value, const QFont &displayFont)
{
    m_loaded = true;
    // The box and the slider hold the same size; a screen reader hears its unit.
    const QString name = kind == tarvel::SizeKind::Width ? QStringLiteral("Default window width in twips")
                                                         : QStringLiteral("Default window height in twips");
    const QString description = QStringLiteral("1440 twips are an inch, 15 twips a pixel");
    for (QWidget *control : std::initializer_list<QWidget *>{txtScroll, hsbScroll}) {
        control->setAccessibleName(name);
        control->setAccessibleDescription(description);
    }
    QFont textFont = txtScroll->font();
    textFont.setFamily(displayFont.family());
    textFont.setBold(displayFont.bold());
    textFont.setItalic(displayFont.italic());
    txtScroll->setFont(textFont);
    txtScroll->setText(QString::fromLatin1(tarvel::ScrollValueText(value)));
    // A stored size outside the slider's range shows as the bound it is
    // clamped to, the value OK would store.
    hsbScroll->setValue(value);
    txtScroll->setText(QString::fromLatin1(tarvel::ScrollValueText(hsbScroll->value())));
}

void frmScroll::txtScroll_LostFocus()
{
    const int value = tarvel::ScrollValueFromText(txtScroll->text().toLatin1().toStdString(), hsbScroll->minimum(),
                                                  hsbScroll->maximum());
    hsbScroll->setValue(value);
    // The text always shows the slider's value, also when it did not move.
    txtScroll->setText(QString::fromLatin1(tarvel::ScrollValueText(hsbScroll->value())));
}

void frmScroll::cmdOK_Click()
{
    // Text typed and confirmed with Enter never lost the focus; it counts
    // as if it had, so OK never stores a value other than the one shown.
    if (txtScroll->hasFocus())
        txtScroll_LostFocus();
    if (m_loaded)
        m_result = hsbScroll->value();
    accept();
}

bool frmScroll::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtScroll && event->type() == QEvent::FocusOut)
        txtScroll_LostFocus();
    return QDialog::eventFilter(watched, event);
}

#include "viewer/selection/frmPickList.h"

#include "viewer/qt/qt_busy_cursor.h"
#include "viewer/qt/qt_title_room.h"
#include "viewer/qt/qt_toggle_list.h"
#include "viewer/qt/qt_twips.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

frmPickList::frmPickList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickList"));
    setWindowTitle(QStringLiteral("Pick List"));
    setSizeGripEnabled(true);

    lstPick = new ToggleList(this);
    lstPick->setObjectName(QStringLiteral("lstPick"));
    lstPick->setMouseTracking(true);
    lstPick->viewport()->setMouseTracking(true);
    lstPick->viewport()->installEventFilter(this);
    lstPick->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    lstFIPS = new QListWidget(this);
    lstFIPS->setObjectName(QStringLiteral("lstFIPS"));
    lstFIPS->hide();

    lblFips = new QLabel(this);
    lblFips->setObjectName(QStringLiteral("lblFips"));
    // The code shown belongs to the area last chosen in the list.
    lblFips->setBuddy(lstPick);
    lblFips->setAccessibleDescription(QStringLiteral("Code of the area last chosen"));

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAll = button("cmdAll", "&All");
    cmdClear = button("cmdClear", "&Clear");
    cmdOK = button("cmdOK", "&OK");
    cmdStop = button("cmdStop", "&Stop");
    cmdStop->hide();
    cmdOK->setDefault(true);

    // The buttons share one width, just wide enough for the longest
    // caption, so the list keeps most of the dialog.
    int width = 56;
    for (QPushButton *b : {cmdAll, cmdClear, cmdOK})
        width = std::max(width, b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&'))) + 28);
    for (QPushButton *b : {cmdAll, cmdClear, cmdOK, cmdStop})
        b->resize(width, b->sizeHint().height());
    lblFips->resize(std::max(lblFips->fontMetrics().horizontalAdvance(QStringLiteral("FIPS:00 (0)")) + 4, width),
                    lblFips->sizeHint().height());

    connect(lstPick, &QListWidget::itemClicked, this, &frmPickList::ItemClicked);
    connect(lstPick->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmPickList::SelectionChanged);
    connect(cmdAll, &QPushButton::clicked, this, &frmPickList::SelectAll);
    connect(cmdClear, &QPushButton::clicked, this, &frmPickList::ClearAll);
    connect(cmdOK, &QPushButton::clicked, this, &frmPickList::Confirm);

    // The openers set the width; the height shows some 25 items.
    resize(width * 4, TwipsToPixelsY(6000, this));
    // The openers set the title ("Select years"); it stays whole.
    KeepTitleWhole(*this);
}

void frmPickList::AddItem(const QString &text, const QString &code)
{
    auto *item = new QListWidgetItem(text, lstPick);
    item->setToolTip(text);
    new QListWidgetItem(code, lstFIPS);
}

void frmPickList::SetItemSelected(int item, bool selected)
{
    if (QListWidgetItem *entry = lstPick->item(item - 1)) {
        m_selectingItems = true;
        entry->setSelected(selected);
        m_selectingItems = false;
    }
}

void frmPickList::SetListFont(const QFont &font)
{
    lstPick->setFont(font);
}

void frmPickList::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    LayOut();
}

void frmPickList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FitItems();
    LayOut();
    // A screen reader names the list after the dialog ("States", "Select years").
    lstPick->setAccessibleName(windowTitle());
    // Quarter mode opens on the latest quarters.
    const bool quarters = m_tag == Mode::Quarters;
    if (quarters && lstPick->count() > 0)
        lstPick->scrollToItem(lstPick->item(lstPick->count() - 1), QAbstractItemView::PositionAtTop);
    StartKeyboardOnAChosenItem(quarters);
}

void frmPickList::StartKeyboardOnAChosenItem(bool latest)
{
    // The keyboard starts on a chosen item, brought into view: the latest
    // chosen quarter, the first chosen area; without a choice, the first
    // item in view. Otherwise the list would start on its first item, out
    // of sight, and Space would choose what the user cannot see.
    QListWidgetItem *start = nullptr;
    const QList<QListWidgetItem *> chosen = lstPick->selectedItems();
    for (QListWidgetItem *item : chosen) {
        if (!start || (lstPick->row(item) > lstPick->row(start)) == latest)
            start = item;
    }
    if (!start)
        start = lstPick->itemAt(QPoint(1, 1));
    if (!start)
        return;
    lstPick->setCurrentItem(start, QItemSelectionModel::NoUpdate);
    lstPick->scrollToItem(start);
    lstPick->setFocus(Qt::OtherFocusReason);
}

void frmPickList::FitItems()
{
    // The opener's width suits the original small system font; a wider
    // font would cut the area names, so the dialog grows to show the
    // longest item whole.
    const QFontMetrics metrics(lstPick->font());
    int widest = 0;
    for (int i = 0; i < lstPick->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(lstPick->item(i)->text()));
    const int listWidth = widest + 2 * lstPick->frameWidth() + lstPick->verticalScrollBar()->sizeHint().width() + 12;
    const int needed = listWidth + static_cast<int>(std::lround(1.75 * cmdOK->width()));
    if (width() < needed)
        resize(needed, height());
}

void frmPickList::LayOut()
{
    // The list takes what the button column leaves; the buttons and the
    // code label keep their own widths at the right edge.
    const int w = width();
    const int h = height();
    const int gap = cmdOK->height() / 4;
    const int top = gap;
    lstPick->setGeometry(0, 0, std::max(w - static_cast<int>(std::lround(1.75 * cmdOK->width())), 20),
                         std::max(h - static_cast<int>(std::lround(0.25 * cmdOK->height())), 20));
    int y = top;
    for (QPushButton *b : {cmdAll, cmdClear, cmdOK}) {
        b->move(w - static_cast<int>(std::lround(1.25 * b->width())), y);
        y += b->height() + gap;
    }
    lblFips->move(w - static_cast<int>(std::lround(1.05 * lblFips->width())), y + gap);
    cmdStop->move(cmdOK->x(), y + lblFips->height() + 2 * gap);
}

bool frmPickList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstPick->viewport() && event->type() == QEvent::MouseMove) {
        const auto *move = static_cast<QMouseEvent *>(event);
        if (move->buttons() == Qt::NoButton) {
            const QListWidgetItem *item = lstPick->itemAt(move->position().toPoint());
            lstPick->setToolTip(item ? item->text() : QString());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmPickList::ItemClicked(QListWidgetItem *item)
{
    if (m_tag != Mode::Areas || !item)
        return;
    if (item->isSelected()) {
        const QListWidgetItem *code = lstFIPS->item(lstPick->row(item));
        lblFips->setText(QStringLiteral("FIPS:") + (code ? code->text() : QString()));
    } else {
        lblFips->clear();
    }
}

void frmPickList::SelectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // Space toggles the current item; a click arrives here too, before its
    // own handler, and both show the same.
    if (m_selectingItems)
        return;
    const QModelIndexList changed = selected.indexes() + deselected.indexes();
    if (changed.size() != 1)
        return;
    QListWidgetItem *item = lstPick->item(changed.front().row());
    if (item && item == lstPick->currentItem())
        ItemClicked(item);
}

void frmPickList::SelectAll()
{
    BusyCursor busy;
    m_selectingItems = true;
    lstPick->selectAll();
    m_selectingItems = false;
}

void frmPickList::ClearAll()
{
    m_selectingItems = true;
    lstPick->clearSelection();
    m_selectingItems = false;
    lstPick->unsetCursor();
}

void frmPickList::Confirm()
{
    std::vector<int> chosen;
    for (int i = 0; i < lstPick->count(); ++i) {
        if (lstPick->item(i)->isSelected())
            chosen.push_back(i + 1);
    }
    m_result = std::move(chosen);
    accept();
}

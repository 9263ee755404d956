#include "viewer/qt/qt_toggle_list.h"

#include "viewer/qt/qt_focus_frame.h"

#include <QKeyEvent>

ToggleList::ToggleList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    FocusFrameDelegate::Install(this);
}

void ToggleList::keyboardSearch(const QString &search)
{
    // A blank is never looked for: it is the key that chooses.
    if (search.trimmed().isEmpty())
        return;
    m_searching = true;
    QListWidget::keyboardSearch(search);
    m_searching = false;
}

void ToggleList::keyPressEvent(QKeyEvent *event)
{
    const bool plainSpace = event->key() == Qt::Key_Space
        && !(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier));
    if (plainSpace || event->key() == Qt::Key_Select) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && selectionModel())
            selectionModel()->select(current, QItemSelectionModel::Toggle);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags ToggleList::selectionCommand(const QModelIndex &index, const QEvent *event) const
{
    // Type-ahead only moves the current item.
    if (m_searching)
        return QItemSelectionModel::NoUpdate;
    return QListWidget::selectionCommand(index, event);
}

#include "viewer/qt/qt_toggle_list.h"

#include "viewer/qt/qt_focus_frame.h"

#include <QApplication>
#include <QKeyEvent>

ToggleList::ToggleList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    FocusFrameDelegate::Install(this);
}

void ToggleList::keyboardSearch(const QString &search)
{
    // A blank is never looked for on its own: it is the key that chooses.
    if (search.trimmed().isEmpty())
        return;
    Search(search);
}

void ToggleList::Search(const QString &search)
{
    // The view starts a new search after the same pause as here.
    if (!m_lastTyped.isValid() || m_lastTyped.elapsed() > QApplication::keyboardInputInterval())
        m_typed = search;
    else
        m_typed += search;
    m_lastTyped.start();
    m_searching = true;
    QListWidget::keyboardSearch(search);
    m_searching = false;
}

bool ToggleList::BlankContinuesSearch() const
{
    if (m_typed.isEmpty() || !m_lastTyped.isValid() || m_lastTyped.elapsed() > QApplication::keyboardInputInterval())
        return false;
    const QString next = m_typed + QLatin1Char(' ');
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().startsWith(next, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void ToggleList::keyPressEvent(QKeyEvent *event)
{
    const bool plainSpace = event->key() == Qt::Key_Space
        && !(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier));
    if (plainSpace && !(event->modifiers() & Qt::ControlModifier) && BlankContinuesSearch()) {
        Search(QStringLiteral(" "));
        event->accept();
        return;
    }
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

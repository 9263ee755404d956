#include "viewer/qt/qt_child_frame.h"

#include "core/views/window_tiling.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>

#include <vector>

namespace {

bool InsideChildWindow(const QWidget *widget, const QWidget *root)
{
    for (const QWidget *w = widget; w && w != root; w = w->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow *>(w))
            return true;
    }
    return false;
}

} // namespace

ChildFrame::ChildFrame(QWidget *content, QWidget *parent) : QMdiSubWindow(parent)
{
    setWidget(content);
    // Ctrl+W is the main window's: it closes the active child window from
    // anywhere in the main window. A frame's own Close keeps Ctrl+F4, so
    // the two never claim one key (and then neither would act).
    if (QMenu *menu = systemMenu()) {
        const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
        for (QAction *action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(ctrlW) > 0)
                action->setShortcuts(keys);
        }
    }
}

QList<QWidget *> ChildFrame::TabStops(QWidget *root, bool outsideChildWindows)
{
    QList<QWidget *> stops;
    for (QWidget *w = root->nextInFocusChain(); w && w != root; w = w->nextInFocusChain()) {
        if (!root->isAncestorOf(w) || !w->isVisible() || !w->isEnabled() || w->focusProxy()
            || (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus)
            continue;
        if (outsideChildWindows && InsideChildWindow(w, root))
            continue;
        stops.append(w);
    }
    return stops;
}

bool ChildFrame::focusNextPrevChild(bool next)
{
    const QList<QWidget *> inside = TabStops(this, false);
    const QWidget *focus = QApplication::focusWidget();
    const bool atEnd = inside.isEmpty() || focus == (next ? inside.last() : inside.first());
    if (!atEnd)
        return QMdiSubWindow::focusNextPrevChild(next);
    const QList<QWidget *> outside = TabStops(window(), true);
    if (outside.isEmpty())
        return QMdiSubWindow::focusNextPrevChild(next);
    // A radio button hands the focus on to the chosen one of its group.
    (next ? outside.first() : outside.last())->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void ChildFrame::showEvent(QShowEvent *event)
{
    QMdiSubWindow::showEvent(event);
    QMdiArea *area = mdiArea();
    if (m_placed || !area || isMaximized() || isMinimized())
        return;
    m_placed = true;
    // The area places a new window while it still has its first small size;
    // the size it is given afterwards may reach past the area's edge.
    std::vector<tarvel::WindowRect> others;
    for (const QMdiSubWindow *window : area->subWindowList()) {
        if (window != this && window->isVisible() && !window->isMinimized())
            others.push_back({window->x(), window->y(), window->width(), window->height()});
    }
    const QSize room = area->viewport()->size();
    const int step = std::max(8, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    const tarvel::WindowRect now{x(), y(), width(), height()};
    const tarvel::WindowRect place = tarvel::PlaceNewWindow(now, room.width(), room.height(), others, step);
    if (place != now)
        setGeometry(place.x, place.y, place.width, place.height);
}

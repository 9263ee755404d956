// The main window's Window commands: arranging, closing and minimizing the
// child windows, and the list of them at the end of the "&Window" menu.
#include "viewer/main/frmMain.h"

#include "core/views/window_tiling.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

#include <algorithm>
#include <vector>

namespace {

// The child windows, newest first: the order in which the window commands
// visit them.
QList<QMdiSubWindow *> NewestFirst(const QMdiArea &area)
{
    QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::CreationOrder);
    std::reverse(windows.begin(), windows.end());
    return windows;
}

// Lines the minimized windows up along the bottom of the area; returns the
// top of the highest row of icons (the area's height when there are none).
int ArrangeMinimized(QMdiArea &area)
{
    QList<QMdiSubWindow *> icons;
    std::vector<tarvel::WindowRect> sizes;
    for (QMdiSubWindow *window : area.subWindowList(QMdiArea::CreationOrder)) {
        if (window->isMinimized() && !window->isHidden()) {
            icons.append(window);
            sizes.push_back({0, 0, window->width(), window->height()});
        }
    }
    const QRect viewport = area.viewport()->rect();
    const std::vector<tarvel::WindowRect> places = tarvel::ArrangeIcons(sizes, viewport.width(), viewport.height());
    int top = viewport.height();
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const tarvel::WindowRect &place = places[static_cast<std::size_t>(i)];
        icons[i]->move(place.x, place.y);
        top = std::min(top, place.y);
    }
    return top;
}

// The windows that are neither minimized nor hidden, the active one last,
// each maximized one brought back to its normal size.
QList<QMdiSubWindow *> OpenWindowsRestored(QMdiArea &area)
{
    QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::ActivationHistoryOrder);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const QMdiSubWindow *w) { return w->isMinimized() || w->isHidden(); }),
                  windows.end());
    for (QMdiSubWindow *window : std::as_const(windows)) {
        if (window->isMaximized())
            window->showNormal();
    }
    return windows;
}

// Shares the area above the icons among the windows that are not
// minimized, the active window first.
void TileWindows(QMdiArea &area, tarvel::TileDirection direction)
{
    QList<QMdiSubWindow *> windows = OpenWindowsRestored(area);
    std::reverse(windows.begin(), windows.end());
    const int height = ArrangeMinimized(area);
    if (windows.isEmpty())
        return;
    const QSize smallest = windows.front()->minimumSizeHint();
    const int minExtent = direction == tarvel::TileDirection::Horizontal ? smallest.height() : smallest.width();
    const std::vector<tarvel::WindowRect> places = tarvel::TileWindows(
        static_cast<int>(windows.size()), area.viewport()->width(), height, direction, std::max(1, minExtent));
    for (qsizetype i = 0; i < windows.size() && static_cast<std::size_t>(i) < places.size(); ++i) {
        const tarvel::WindowRect &place = places[static_cast<std::size_t>(i)];
        windows[i]->setGeometry(place.x, place.y, place.width, place.height);
    }
}

// Steps the windows that are not minimized diagonally from the top left,
// the active one last and on top. Each keeps its own size, only made
// smaller where the area above the icons is smaller.
void CascadeWindows(QMdiArea &area)
{
    QMdiSubWindow *active = area.activeSubWindow();
    const QList<QMdiSubWindow *> windows = OpenWindowsRestored(area);
    const int height = ArrangeMinimized(area);
    if (windows.isEmpty())
        return;
    const int width = area.viewport()->width();
    const int step = std::max(8, windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                        windows.front()));
    int offset = 0;
    for (QMdiSubWindow *window : std::as_const(windows)) {
        // Back to the top left when the next step would leave too little room.
        if (offset > 0 && (offset + 4 * step > width || offset + 4 * step > height))
            offset = 0;
        const QSize size(std::min(window->width(), std::max(1, width - offset)),
                         std::min(window->height(), std::max(1, height - offset)));
        window->setGeometry(offset, offset, size.width(), size.height());
        window->raise();
        offset += step;
    }
    if (active)
        area.setActiveSubWindow(active);
}

} // namespace

void frmMain::ArrangeWindows(Arrangement arrangement)
{
    switch (arrangement) {
    case Arrangement::Cascade:
        CascadeWindows(*m_mdi);
        break;
    case Arrangement::TileHorizontal:
        TileWindows(*m_mdi, tarvel::TileDirection::Horizontal);
        break;
    case Arrangement::TileVertical:
        TileWindows(*m_mdi, tarvel::TileDirection::Vertical);
        break;
    case Arrangement::Icons:
        ArrangeMinimized(*m_mdi);
        break;
    }
}

void frmMain::CloseAllWindows()
{
    // Only child windows: dialogs and the help window stay.
    for (QMdiSubWindow *window : NewestFirst(*m_mdi))
        window->close();
}

void frmMain::MinimizeAllWindows()
{
    for (QMdiSubWindow *window : NewestFirst(*m_mdi))
        window->showMinimized();
}

void frmMain::UpdateWindowMenu()
{
    for (QAction *action : std::as_const(m_windowListActions)) {
        mnuWindow->removeAction(action);
        action->deleteLater();
    }
    m_windowListActions.clear();

    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_windowListActions.append(mnuWindow->addSeparator());
    int number = 0;
    for (QMdiSubWindow *window : windows) {
        ++number;
        QString caption = window->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                         : QStringLiteral("%1 %2").arg(number).arg(caption);
        QAction *action = mnuWindow->addAction(text);
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window] {
            if (m_mdi->subWindowList().contains(window)) {
                if (window->isMinimized())
                    window->showNormal();
                m_mdi->setActiveSubWindow(window);
            }
        });
        m_windowListActions.append(action);
    }
}

void frmMain::QueueCaptionUpdate()
{
    QMetaObject::invokeMethod(this, &frmMain::UpdateMainCaption, Qt::QueuedConnection);
}

void frmMain::UpdateMainCaption()
{
    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList();
    bool maximized = false;
    for (QMdiSubWindow *window : windows) {
        connect(window, &QMdiSubWindow::windowStateChanged, this, &frmMain::QueueCaptionUpdate, Qt::UniqueConnection);
        maximized = maximized || (window->isMaximized() && !window->isHidden());
    }
    // A window brought forward in the normal state over a maximized one is
    // the one named, not the maximized one behind it.
    QString caption = m_caption;
    const QMdiSubWindow *active = m_mdi->activeSubWindow();
    if (maximized && active && !active->windowTitle().isEmpty())
        caption += QStringLiteral(" - [") + active->windowTitle() + QLatin1Char(']');
    if (windowTitle() == caption)
        return;
    // This window's own filter must come before the maximized window's.
    removeEventFilter(this);
    installEventFilter(this);
    m_settingCaption = true;
    setWindowTitle(caption);
    m_settingCaption = false;
}

#pragma once

#include <QList>
#include <QMdiSubWindow>

/// The frame of a child window of the main window. Tab and Shift+Tab walk
/// its controls and then leave it for the main window's own controls (the
/// first of them, or with Shift+Tab the last); a plain sub-window would
/// keep the Tab key inside itself for ever.
class ChildFrame final : public QMdiSubWindow {
public:
    /// content becomes the frame's widget.
    explicit ChildFrame(QWidget *content, QWidget *parent = nullptr);

    /// The controls the Tab key reaches inside root, in Tab order; with
    /// outsideChildWindows, only those not inside any child window.
    static QList<QWidget *> TabStops(QWidget *root, bool outsideChildWindows);

protected:
    bool focusNextPrevChild(bool next) override;
    /// The first time it shows in the normal state, a window that does not
    /// lie wholly inside the visible part of the window area is moved (and
    /// if need be made smaller) to lie inside it.
    void showEvent(QShowEvent *event) override;

private:
    bool m_placed = false;
};

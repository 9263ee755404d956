#pragma once

#include "core/views/grid.h"
#include "core/print/print_engine.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>

/// What every child window of the main window (table views, one-line views,
/// documents) offers to the commands that read the active one: printing,
/// print-all, the clipboard copy and the one-line command.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    /// A table view, a window built by print-all, a one-line view (SOL) or a
    /// document window.
    virtual tarvel::ChildKind Tag() const = 0;
    /// The grid of a table or one-line view; nullptr for a document.
    virtual const tarvel::Grid *GridData() const { return nullptr; }
    /// What printing reads: the grid with caption and kind, or the
    /// document's caption, text and kind.
    virtual tarvel::PrintSnapshot Snapshot() const = 0;
    /// True while the rows are shown in another order than the builder's
    /// (a one-line window ranked by a quarter).
    virtual bool RowsSorted() const { return false; }
};

/// The child window shown in sub, or nullptr.
inline ChildWindow *ChildOf(QMdiSubWindow *sub)
{
    return sub ? dynamic_cast<ChildWindow *>(sub->widget()) : nullptr;
}

/// The active child window of the main window's area, or nullptr.
inline ChildWindow *ActiveChild(const QMdiArea *area)
{
    return area ? ChildOf(area->activeSubWindow()) : nullptr;
}

// The main window's export and clipboard commands.
#include "viewer/main/frmMain.h"

#include "viewer/qt/qt_child_window.h"
#include "viewer/qt/qt_prompts.h"
#include "core/export/clipboard_text.h"
#include "viewer/export/frmExport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QPointer>
#include <QTableView>

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <set>

namespace {

// No toolkit error number stands behind a failure other than lack of memory.
constexpr int UnexpectedCopyError = -1;

// The window the copy reads: the active child, or the one that was active
// last when the main window itself is not the active window.
QMdiSubWindow *CurrentChildWindow(const QMdiArea *area)
{
    if (QMdiSubWindow *active = area->activeSubWindow())
        return active;
    return area->currentSubWindow();
}

// The grid's current cell and the far corner of the selected block (and the
// rows and columns of cells chosen one by one, when they do not fill it), in
// grid coordinates: the view's row 0 and column 0 are the grid's row 1 and
// column 1 (the grid's fixed row and column are the header sections).
tarvel::GridSelection SelectionOf(const QTableView &view, std::optional<tarvel::ScatteredCells> &scattered)
{
    tarvel::GridSelection selection;
    const QModelIndex current = view.currentIndex();
    if (current.isValid()) {
        selection.row = selection.selectionRow = current.row() + 1;
        selection.column = selection.selectionColumn = current.column() + 1;
    }
    const QItemSelectionModel *model = view.selectionModel();
    if (!model || !model->hasSelection())
        return selection;
    // The block the user sees marked, whichever way it was dragged.
    int top = -1;
    int bottom = -1;
    int left = -1;
    int right = -1;
    for (const QItemSelectionRange &range : model->selection()) {
        if (!range.isValid())
            continue;
        top = top < 0 ? range.top() : std::min(top, range.top());
        left = left < 0 ? range.left() : std::min(left, range.left());
        bottom = std::max(bottom, range.bottom());
        right = std::max(right, range.right());
    }
    if (top < 0)
        return selection;
    // Cells chosen one by one (Ctrl+click) that do not fill the block: the
    // copy holds the rows and columns they lie in, not what lies between.
    const QModelIndexList cells = model->selectedIndexes();
    const qsizetype blockCells = static_cast<qsizetype>(bottom - top + 1) * (right - left + 1);
    if (cells.size() != blockCells) {
        std::set<int> rows;
        std::set<int> columns;
        for (const QModelIndex &cell : cells) {
            rows.insert(cell.row() + 1);
            columns.insert(cell.column() + 1);
        }
        scattered = tarvel::ScatteredCells{{rows.begin(), rows.end()}, {columns.begin(), columns.end()}};
    }
    return {top + 1, left + 1, bottom + 1, right + 1};
}

} // namespace

void frmMain::RunExport()
{
    if (!tarvel::AreasChosen(m_state)) {
        m_prompts.Message(QStringLiteral("Select States"), QStringLiteral("Please select one or more States."),
                          QMessageBox::Information);
        return;
    }
    if (!tarvel::QuartersChosen(m_state)) {
        m_prompts.Message(QStringLiteral("Select quarters"),
                          QStringLiteral("Please make a quarter selection from the Quarters box."),
                          QMessageBox::Information);
        return;
    }
    tarvel::ExportSelection selection;
    selection.Paths = m_state.Paths();
    selection.AreaSelected = m_state.AreaSelected;
    selection.QuarterSelected = m_state.QuarterSelected;
    // The last question of a run closes with no window of the program to
    // go back to, and the desktop may then leave none active: the main
    // window and the control the user worked in are made active again.
    const QPointer<QMdiSubWindow> child = m_mdi->activeSubWindow();
    const QPointer<QWidget> focus = QApplication::focusWidget();
    {
        frmExport wizard(m_prompts, m_settings, std::move(selection), m_state.TableCode, this);
        m_prompts.RunDialog(wizard);
        if (wizard.Completed())
            RememberOutput(wizard.Options().FileName);
    }
    activateWindow();
    raise();
    if (child && m_mdi->subWindowList().contains(child))
        m_mdi->setActiveSubWindow(child);
    if (focus && focus->window() == this && focus->isVisible())
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

void frmMain::RunCopyToClipboard()
{
    // With no child window open the clipboard keeps what it holds.
    if (m_mdi->subWindowList().isEmpty() || CopyActiveChart())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    QMdiSubWindow *window = CurrentChildWindow(m_mdi);
    ChildWindow *child = ChildOf(window);
    if (!child)
        return;
    if (child->Tag() == tarvel::ChildKind::Document) {
        // The document copies its own selection, as Ctrl+C in it would;
        // with nothing selected the clipboard stays empty.
        if (QWidget *text = window->widget()->findChild<QWidget *>(QStringLiteral("txtDoc")))
            QMetaObject::invokeMethod(text, "copy");
        return;
    }
    const tarvel::Grid *grid = child->GridData();
    const auto *view = window->widget()->findChild<QTableView *>(QStringLiteral("grdData"));
    if (!grid || !view)
        return;

    const auto memoryMessage = [this] {
        m_prompts.Message(QString::fromLatin1(tarvel::ClipboardErrorTitle(tarvel::ClipboardOutOfMemoryError)),
                          QString::fromLatin1(tarvel::ClipboardMemoryText), QMessageBox::Critical);
    };
    try {
        std::optional<tarvel::ScatteredCells> scattered;
        const tarvel::GridSelection selection = SelectionOf(*view, scattered);
        const std::optional<std::string> text =
            tarvel::ClipboardText(*grid, selection, scattered ? &*scattered : nullptr);
        if (!text) {
            memoryMessage();
            return;
        }
        clipboard->setText(QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())));
    } catch (const std::bad_alloc &) {
        clipboard->clear();
        memoryMessage();
    } catch (const std::exception &) {
        clipboard->clear();
        m_prompts.Message(QString::fromLatin1(tarvel::ClipboardErrorTitle(UnexpectedCopyError)),
                          QString::fromLatin1(tarvel::ClipboardUnexpectedText(UnexpectedCopyError)),
                          QMessageBox::Critical);
    }
}

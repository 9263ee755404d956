#pragma once

#include "viewer/qt/qt_child_window.h"
#include "core/views/computed_view.h"
#include "core/views/grid.h"

#include <QWidget>

#include <functional>
#include <string>

class GridModel;
class QKeySequence;
class QMenu;
class QTableView;

/// The child window that shows one table grid (a table view or a one-line
/// view) in its only control, grdData. The builders give it the grid with
/// caption and kind, the opener the code of the table shown; the window keeps the grid sized, measures its columns
/// and pops up the main window's "&Window" menu on a right click.
class frmDisplay final : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    frmDisplay(tarvel::Grid grid, std::string tableCode, QWidget *parent = nullptr);

    tarvel::ChildKind Tag() const override { return Data().Tag; }
    const tarvel::Grid *GridData() const override { return &Data(); }
    tarvel::PrintSnapshot Snapshot() const override;
    bool RowsSorted() const override { return IsSorted(); }
    const tarvel::Grid &Data() const;
    /// The grid in the builder's order, also while the window is sorted.
    const tarvel::Grid &AreaOrderData() const;
    /// The row of AreaOrderData a row of Data (as shown) comes from.
    int AreaOrderRow(int shownRow) const;
    /// True when the rows are the areas, which a quarter's column can rank.
    bool Sortable() const;
    /// True while the rows are ranked by a quarter.
    bool IsSorted() const;
    /// The sort a click on the header of grid column column (1-based) gives:
    /// highest first, lowest first, area order; the caption says which.
    void SortByColumn(int column);
    /// The same for the current cell's column (the keyboard's way).
    void SortByCurrentColumn();
    /// The key that sorts by the current column.
    static QKeySequence SortKey();

    /// The units the cells show (Level: the published values).
    const tarvel::UnitsChoice &Units() const { return m_units; }
    /// The grid as the builder made it, in area order and in the published
    /// values, whatever units the window shows: what units are computed from.
    const tarvel::Grid &PublishedData() const { return m_published; }
    /// Shows computed, the published grid in choice's units (ComputeGrid;
    /// the published grid itself for Level), in place of the grid shown:
    /// ranked again by the same quarter while it shows that column, the
    /// caption and the column widths following.
    void ShowUnits(const tarvel::UnitsChoice &choice, tarvel::Grid computed);

    /// The code of the table the grid comes from ("ZR4").
    const std::string &TableCode() const { return m_tableCode; }

    /// The window's own font, 8.25-point "MS Sans Serif", bold (the nearest
    /// installed face). It only measures the column widths.
    static QFont OwnFont();

    /// The grid font; the row height follows it and spacer rows stay at half.
    void SetGridFont(const QFont &font);
    /// Row height of the grid in pixels (spacer rows have half of it).
    int DefaultRowHeight() const { return m_rowHeight; }
    /// Every column as wide as its widest text (row 0 included) in the own
    /// font, plus the width of "0".
    void SetColumnWidths();
    /// Column width in pixels; column 0 is the fixed column of line titles.
    /// In a window too narrow for the titles beside a quarter column, the
    /// titles' column gives way (the titles cut short with "...") down to
    /// the width of "     Item", so that a quarter column stays in view.
    int ColumnWidth(int column) const;
    /// Column 0's width as measured, whatever room the window gives it.
    int MeasuredTitleWidth() const { return m_titleWidth; }
    /// The grid's width that shows the measured title column and every
    /// quarter column whole, a vertical scroll bar included.
    int WidthShowingAllColumns() const;
    /// Row height in pixels; row 0 is the fixed row of quarter labels.
    int RowHeight(int row) const;

    /// Makes cell (row, column) of the grid current (both 1 or more).
    void SetCurrentCell(int row, int column);
    /// The current cell in grid rows and columns; 0 when there is none.
    int CurrentRow() const;
    int CurrentColumn() const;
    /// The grid's End key: the current cell moves to the last column of its
    /// row and comes into view.
    void MoveToRowEnd();

    /// While paused() is true the grid does not follow the window's size.
    void SetResizePaused(std::function<bool()> paused) { m_resizePaused = std::move(paused); }
    /// The menu a right mouse button on the grid pops up.
    void SetContextMenu(QMenu *menu) { m_contextMenu = menu; }

    QTableView *grdData = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplyRowHeights();
    /// Column 0 as wide as measured, or narrower where the window leaves
    /// no room for the widest quarter column beside it.
    void FitTitleColumn();
    /// The whole title of the row under position of the titles' viewport,
    /// when the column shows it cut short; empty otherwise.
    QString CutTitleAt(QPoint position) const;
    /// The caption (and the grid's spoken name) after the order changed.
    void ShowAreaOrder();
    /// The caption of the grid shown on the window, its frame and the grid's
    /// spoken name.
    void ShowCaption();

    /// Tells a screen reader which cell is current, as a move to it would.
    void SayCurrentCell();
    bool PaintCorner(QWidget *corner);

    GridModel *m_model = nullptr;
    tarvel::Grid m_published;
    tarvel::UnitsChoice m_units;
    QWidget *m_corner = nullptr;
    QMenu *m_contextMenu = nullptr;
    std::function<bool()> m_resizePaused;
    std::string m_tableCode;
    int m_rowHeight = 0;
    int m_titleWidth = 0; // column 0 as measured; 0 until the columns are measured
};

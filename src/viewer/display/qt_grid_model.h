#pragma once

#include "core/views/area_sort.h"
#include "core/views/grid.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

/// A table model over a display grid. Row 0 and column 0 of the grid are the
/// view's header sections (the quarter labels and the line titles), so they
/// stay fixed while the cells scroll: model cell (r, c) is grid cell
/// (r + 1, c + 1). Cell (0, 0) is not part of the model; CornerText gives it.
///
/// A grid whose rows are the areas can be shown ranked by a quarter (the
/// view's sort, Qt::DescendingOrder being highest first): the model then
/// shows the core's sorted grid, moving the persistent indexes (the current
/// cell, the selection) with their rows, and keeps the grid in area order.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(tarvel::Grid grid, QObject *parent = nullptr);

    /// The grid as shown: sorted when the rows are ranked.
    const tarvel::Grid &Data() const { return m_grid; }
    /// The grid in the builder's order (areas or lines).
    const tarvel::Grid &AreaOrderData() const { return m_source; }
    /// The row of AreaOrderData shown at grid row shownRow.
    int AreaOrderRow(int shownRow) const;
    /// True when the rows are the areas, which can be ranked.
    bool Sortable() const { return m_sortable; }
    tarvel::AreaOrder Order() const { return m_order; }
    /// The grid column sorted on (1-based); 0 in area order.
    int SortColumn() const { return m_order == tarvel::AreaOrder::ByArea ? 0 : m_sortColumn; }
    /// Shows the rows ranked by grid column column (or in area order).
    void SetAreaOrder(int column, tarvel::AreaOrder order);
    /// Shows grid (the same rows in other figures, or other columns) in
    /// place of the one shown, ranked again by the same quarter while it
    /// has a column of that label, else in area order.
    void ReplaceGrid(tarvel::Grid grid);
    QString CornerText() const;
    Qt::Alignment CornerAlignment() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    /// column -1 is the area order; Qt::DescendingOrder highest first.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    /// The Qt alignment of a grid alignment; Default is left, centred vertically.
    static Qt::Alignment ToQt(tarvel::CellAlignment alignment);

signals:
    /// The rows were ranked again (or put back in area order).
    void AreaOrderChanged();

private:
    /// What a view asks of grid cell (row, column), row 0 and column 0 included.
    QVariant CellData(int row, int column, int role) const;
    tarvel::Grid m_source;         // a builder's grid in area order
    tarvel::Grid m_grid;           // m_source, or its rows ranked
    std::vector<int> m_shownOrder; // grid row shown -> row of m_source
    tarvel::AreaOrder m_order = tarvel::AreaOrder::ByArea;
    int m_sortColumn = 0;
    bool m_sortable = false;
};

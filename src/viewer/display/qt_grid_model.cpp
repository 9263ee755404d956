#include "viewer/display/qt_grid_model.h"
#include "viewer/qt/qt_text.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"

#include <utility>

namespace {

// Alignments go to the views as int, the form every view and delegate reads.
QVariant AlignmentValue(tarvel::CellAlignment alignment)
{
    return QVariant(GridModel::ToQt(alignment).toInt());
}

} // namespace

GridModel::GridModel(tarvel::Grid grid, QObject *parent)
    : QAbstractTableModel(parent)
    , m_source(std::move(grid))
    , m_grid(m_source)
    , m_shownOrder(tarvel::AreaRowOrder(m_source, 0, tarvel::AreaOrder::ByArea))
    , m_sortable(tarvel::GridRowsAreAreas(m_source))
{
}

int GridModel::AreaOrderRow(int shownRow) const
{
    if (shownRow < 0 || static_cast<std::size_t>(shownRow) >= m_shownOrder.size())
        return shownRow;
    return m_shownOrder[static_cast<std::size_t>(shownRow)];
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (!m_sortable)
        return;
    if (column < 0 || column + 1 >= m_source.Columns())
        SetAreaOrder(0, tarvel::AreaOrder::ByArea);
    else
        SetAreaOrder(column + 1,
                     order == Qt::DescendingOrder ? tarvel::AreaOrder::HighestFirst : tarvel::AreaOrder::LowestFirst);
}

void GridModel::SetAreaOrder(int column, tarvel::AreaOrder order)
{
    if (!m_sortable)
        return;
    if (order == m_order && (order == tarvel::AreaOrder::ByArea || column == m_sortColumn))
        return;
    std::vector<int> shown = tarvel::AreaRowOrder(m_source, column, order);
    // Where each row of the area order comes to stand.
    std::vector<int> placeOf(shown.size());
    for (std::size_t r = 0; r < shown.size(); ++r)
        placeOf[static_cast<std::size_t>(shown[r])] = static_cast<int>(r);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The current cell and the selection go with their rows.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from) {
        const int source = AreaOrderRow(index.row() + 1);
        to.append(index.sibling(placeOf[static_cast<std::size_t>(source)] - 1, index.column()));
    }
    m_grid = tarvel::SortedAreaGrid(m_source, column, order);
    m_shownOrder = std::move(shown);
    m_order = order;
    m_sortColumn = order == tarvel::AreaOrder::ByArea ? 0 : column;
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit AreaOrderChanged();
}

void GridModel::ReplaceGrid(tarvel::Grid grid)
{
    const tarvel::AreaOrder order = m_order;
    // The quarter ranked by, found again by its label: annual averages
    // have years for columns.
    const std::string label(SortColumn() > 0 ? m_source.Cell(0, m_sortColumn) : std::string_view());
    const int column = label.empty() ? 0 : tarvel::ColumnOfQuarter(grid, label).value_or(0);
    beginResetModel();
    m_source = std::move(grid);
    m_grid = m_source;
    m_sortable = tarvel::GridRowsAreAreas(m_source);
    m_shownOrder = tarvel::AreaRowOrder(m_source, 0, tarvel::AreaOrder::ByArea);
    m_order = tarvel::AreaOrder::ByArea;
    m_sortColumn = 0;
    if (m_sortable && order != tarvel::AreaOrder::ByArea && column >= 1 && column < m_source.Columns()) {
        m_grid = tarvel::SortedAreaGrid(m_source, column, order);
        m_shownOrder = tarvel::AreaRowOrder(m_source, column, order);
        m_order = order;
        m_sortColumn = column;
    }
    endResetModel();
}

QString GridModel::CornerText() const
{
    return Latin1(m_grid.Cell(0, 0));
}

Qt::Alignment GridModel::CornerAlignment() const
{
    return ToQt(m_grid.Alignment(0, 0));
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_grid.Rows() < 1 ? 0 : m_grid.Rows() - 1;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_grid.Columns() < 1 ? 0 : m_grid.Columns() - 1;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    // A cell is described by its quarter, as a reader says it.
    if (role == Qt::AccessibleDescriptionRole)
        return headerData(index.column(), Qt::Horizontal, Qt::AccessibleTextRole);
    return CellData(index.row() + 1, index.column() + 1, role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Row 0 and column 0 of the grid are the header sections.
    if (orientation == Qt::Horizontal) {
        // A screen reader says "2007 quarter 3" for the label "2007.3": as
        // the header's name, and with the sort in its description.
        if (role == Qt::AccessibleTextRole) {
            const std::string spoken = tarvel::SpokenQuarterLabel(tarvel::Trim(m_grid.Cell(0, section + 1)));
            return spoken.empty() ? QVariant() : QVariant(Latin1(spoken));
        }
        if (role == Qt::AccessibleDescriptionRole) {
            std::string spoken = tarvel::SpokenQuarterLabel(tarvel::Trim(m_grid.Cell(0, section + 1)));
            if (!spoken.empty() && SortColumn() == section + 1)
                spoken += m_order == tarvel::AreaOrder::HighestFirst ? ", sorted highest first" : ", sorted lowest first";
            return spoken.empty() ? QVariant() : QVariant(Latin1(spoken));
        }
        // A first click ranks the areas highest first.
        if (role == Qt::InitialSortOrderRole)
            return m_sortable ? QVariant(static_cast<int>(Qt::DescendingOrder)) : QVariant();
        return CellData(0, section + 1, role);
    }
    return CellData(section + 1, 0, role);
}

QVariant GridModel::CellData(int row, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return Latin1(m_grid.Cell(row, column));
    case Qt::TextAlignmentRole:
        return AlignmentValue(m_grid.Alignment(row, column));
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    // Cells can be selected for the clipboard but never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

Qt::Alignment GridModel::ToQt(tarvel::CellAlignment alignment)
{
    switch (alignment) {
    case tarvel::CellAlignment::LeftTop:
        return Qt::AlignLeft | Qt::AlignTop;
    case tarvel::CellAlignment::RightCenter:
        return Qt::AlignRight | Qt::AlignVCenter;
    case tarvel::CellAlignment::CenterCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case tarvel::CellAlignment::Default:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

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

GridModel::GridModel(tarvel::Grid grid, QObject *parent) : QAbstractTableModel(parent), m_grid(std::move(grid)) {}

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
    return CellData(index.row() + 1, index.column() + 1, role);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Row 0 and column 0 of the grid are the header sections.
    if (orientation == Qt::Horizontal) {
        // A screen reader says "2007 quarter 3" for the label "2007.3".
        if (role == Qt::AccessibleDescriptionRole) {
            const std::string spoken = tarvel::SpokenQuarterLabel(tarvel::Trim(m_grid.Cell(0, section + 1)));
            return spoken.empty() ? QVariant() : QVariant(Latin1(spoken));
        }
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

#include "core/views/area_sort.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/views/table_view_builder.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <numeric>

namespace tarvel {

namespace {

struct RankedRow {
    int row = 0;
    std::optional<double> value;
};

} // namespace

AreaOrder NextAreaOrder(AreaOrder current, int currentColumn, int clickedColumn)
{
    if (current == AreaOrder::ByArea || clickedColumn != currentColumn)
        return AreaOrder::HighestFirst;
    return current == AreaOrder::HighestFirst ? AreaOrder::LowestFirst : AreaOrder::ByArea;
}

bool GridRowsAreAreas(const Grid &grid)
{
    if (grid.Tag == ChildKind::SOL)
        return true;
    return (grid.Tag == ChildKind::TableView || grid.Tag == ChildKind::PrintAll)
        && ShapeOf(grid.Code) == TableShape::AreaRows;
}

std::optional<double> RankValue(std::string_view cellText)
{
    std::string digits;
    digits.reserve(cellText.size());
    for (const char c : Trim(cellText)) {
        if (c != ',')
            digits += c;
    }
    // A withheld value shown unsuppressed ends in " *": the number before it counts.
    if (digits.size() > 1 && digits.back() == '*')
        digits = TrimRight(digits.substr(0, digits.size() - 1));
    if (digits.empty())
        return std::nullopt;
    double value = 0;
    const char *first = digits.data();
    const char *last = first + digits.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::optional<double>>> StoredRankValues(const Grid &grid, int column)
{
    const TableModel *const model = grid.Model.get();
    if (!model || !GridRowsAreAreas(grid) || column < 1 || column >= grid.Columns()
        || static_cast<int>(model->Rows.size()) != grid.Rows() - 1)
        return std::nullopt;
    const auto index = static_cast<std::size_t>(column - 1);
    // Computed figures show their own decimals.
    const bool published = model->Unit == Units::Level;
    const UnitsEntry &entry = UnitsEntryOf(model->Unit);
    std::vector<std::optional<double>> values(static_cast<std::size_t>(grid.Rows()));
    for (std::size_t r = 0; r < model->Rows.size(); ++r) {
        const ModelRow &row = model->Rows[r];
        if (row.Kind != RowKind::Data)
            continue;
        if (index >= row.Figures.size())
            return std::nullopt;
        // A grid whose cells were changed since it was built no longer
        // shows its model's values.
        const Figure &figure = row.Figures[index];
        if ((published ? FigureText(figure) : FigureText(entry, figure)) != grid.Cell(static_cast<int>(r) + 1, column))
            return std::nullopt;
        // A blank field shows 0 but holds no number, and ranks after every
        // one; a withheld value not shown has none to rank by.
        if (figure.HasNumber())
            values[r + 1] = figure.Value;
    }
    return values;
}

std::vector<int> AreaRowOrder(const Grid &grid, int column, AreaOrder order)
{
    std::vector<int> shown(static_cast<std::size_t>(std::max(grid.Rows(), 0)));
    std::iota(shown.begin(), shown.end(), 0);
    if (order == AreaOrder::ByArea || column < 1 || column >= grid.Columns() || !GridRowsAreAreas(grid))
        return shown;

    // The rows of the ranked areas, in area order: they take each other's
    // places, every other row keeps its own.
    const RowLayout layout = AreaRowLayout();
    const std::optional<std::vector<std::optional<double>>> stored = StoredRankValues(grid, column);
    std::vector<int> places;
    std::vector<RankedRow> ranked;
    for (int r = 1; r < grid.Rows(); ++r) {
        const int area = layout.DataLine(r);
        if (area < FirstRankedArea || area > LastRankedArea)
            continue;
        places.push_back(r);
        ranked.push_back({r, stored ? (*stored)[static_cast<std::size_t>(r)] : RankValue(grid.Cell(r, column))});
    }
    const bool highestFirst = order == AreaOrder::HighestFirst;
    std::stable_sort(ranked.begin(), ranked.end(), [highestFirst](const RankedRow &a, const RankedRow &b) {
        if (!a.value || !b.value)
            return a.value.has_value() && !b.value.has_value();
        return highestFirst ? *a.value > *b.value : *a.value < *b.value;
    });
    for (std::size_t i = 0; i < places.size(); ++i)
        shown[static_cast<std::size_t>(places[i])] = ranked[i].row;
    return shown;
}

std::string SortedByText(std::string_view quarterLabel, AreaOrder order)
{
    if (order == AreaOrder::ByArea)
        return {};
    return "sorted by " + std::string(quarterLabel)
        + (order == AreaOrder::HighestFirst ? ", highest first" : ", lowest first");
}

Grid SortedAreaGrid(const Grid &grid, int column, AreaOrder order)
{
    const std::vector<int> shown = AreaRowOrder(grid, column, order);
    Grid sorted = grid;
    if (order == AreaOrder::ByArea || column < 1 || column >= grid.Columns() || !GridRowsAreAreas(grid))
        return sorted;
    for (int r = 0; r < grid.Rows(); ++r) {
        const int from = shown[static_cast<std::size_t>(r)];
        if (from == r)
            continue;
        for (int c = 0; c < grid.Columns(); ++c) {
            sorted.SetCell(r, c, grid.Cell(from, c));
            sorted.SetCellAlignment(r, c, grid.Alignment(from, c));
        }
    }
    sorted.Caption = grid.Caption + " - " + SortedByText(Trim(grid.Cell(0, column)), order);
    // The values follow their rows.
    if (grid.Model && static_cast<int>(grid.Model->Rows.size()) == grid.Rows() - 1) {
        auto model = std::make_shared<TableModel>(*grid.Model);
        for (int r = 1; r < grid.Rows(); ++r) {
            const int from = shown[static_cast<std::size_t>(r)];
            if (from != r)
                model->Rows[static_cast<std::size_t>(r - 1)] = grid.Model->Rows[static_cast<std::size_t>(from - 1)];
        }
        sorted.Model = std::move(model);
    }
    return sorted;
}

std::optional<int> ColumnOfQuarter(const Grid &grid, std::string_view label)
{
    const std::string wanted = Trim(label);
    for (int c = 1; c < grid.Columns(); ++c) {
        if (Trim(grid.Cell(0, c)) == wanted)
            return c;
    }
    return std::nullopt;
}

} // namespace tarvel

#include "core/views/state_map.h"

#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/views/computed_view.h"
#include "core/views/units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarvel {

namespace {

// Eight rows of twelve columns: Alaska top left, Maine top right, Hawaii,
// Texas and Florida along the bottom; the east coast runs down the right.
const std::vector<TilePlace> Places{
    {"01", "AL", 6, 7}, {"02", "AK", 0, 0}, {"04", "AZ", 5, 2}, {"05", "AR", 5, 5},  {"06", "CA", 4, 1},
    {"08", "CO", 4, 3}, {"09", "CT", 3, 10}, {"10", "DE", 4, 10}, {"11", "DC", 5, 9}, {"12", "FL", 7, 9},
    {"13", "GA", 6, 8}, {"15", "HI", 7, 0}, {"16", "ID", 2, 2}, {"17", "IL", 2, 6},  {"18", "IN", 3, 6},
    {"19", "IA", 3, 5}, {"20", "KS", 5, 4}, {"21", "KY", 4, 6}, {"22", "LA", 6, 5},  {"23", "ME", 0, 11},
    {"24", "MD", 4, 9}, {"25", "MA", 2, 10}, {"26", "MI", 2, 7}, {"27", "MN", 2, 5}, {"28", "MS", 6, 6},
    {"29", "MO", 4, 5}, {"30", "MT", 2, 3}, {"31", "NE", 4, 4}, {"32", "NV", 3, 2},  {"33", "NH", 1, 11},
    {"34", "NJ", 3, 9}, {"35", "NM", 5, 3}, {"36", "NY", 2, 9}, {"37", "NC", 5, 7},  {"38", "ND", 2, 4},
    {"39", "OH", 3, 7}, {"40", "OK", 6, 4}, {"41", "OR", 3, 1}, {"42", "PA", 3, 8},  {"44", "RI", 3, 11},
    {"45", "SC", 5, 8}, {"46", "SD", 3, 4}, {"47", "TN", 5, 6}, {"48", "TX", 7, 4},  {"49", "UT", 4, 2},
    {"50", "VT", 1, 10}, {"51", "VA", 4, 8}, {"53", "WA", 2, 1}, {"54", "WV", 4, 7}, {"55", "WI", 1, 6},
    {"56", "WY", 3, 3},
};

const std::vector<std::string_view> Untiled{"00", "91", "92", "93", "94", "95", "96", "97", "98"};

constexpr std::string_view NationCode = "00";

bool RowsAreAreas(const TableModel &model)
{
    return model.Line != 0 || ShapeOf(model.Code) == TableShape::AreaRows;
}

Failure UsageFailure(std::string text)
{
    return {FailureKind::Usage, {}, std::move(text)};
}

// sRGB component (0..255) to linear light.
double Linear(unsigned char component)
{
    const double c = component / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

const std::vector<TilePlace> &TilePlaces()
{
    return Places;
}

std::optional<TilePlace> TileOfCode(std::string_view code)
{
    for (const TilePlace &place : Places) {
        if (place.Code == code)
            return place;
    }
    return std::nullopt;
}

const std::vector<std::string_view> &UntiledCodes()
{
    return Untiled;
}

ClassBreaks QuintileBreaks(std::vector<double> values)
{
    ClassBreaks breaks{};
    if (values.empty())
        return breaks;
    std::sort(values.begin(), values.end());
    const double last = static_cast<double>(values.size() - 1);
    for (int k = 1; k < MapClassCount; ++k) {
        // The k-th fifth of the way from the lowest to the highest value.
        const double at = last * k / MapClassCount;
        const auto below = static_cast<std::size_t>(std::floor(at));
        const std::size_t above = std::min(below + 1, values.size() - 1);
        const double share = at - static_cast<double>(below);
        breaks[static_cast<std::size_t>(k - 1)] = values[below] + (values[above] - values[below]) * share;
    }
    return breaks;
}

int ClassOf(double value, const ClassBreaks &breaks)
{
    int cls = 1;
    for (const double bound : breaks) {
        if (value > bound)
            ++cls;
    }
    return cls;
}

ClassBreaks QuintileBreaksOverColumns(const TableModel &model, const std::vector<AreaRecord> &areas)
{
    std::vector<double> values;
    for (const ModelRow &row : model.Rows) {
        if (row.Kind != RowKind::Data || row.Code < 1 || static_cast<std::size_t>(row.Code) > areas.size())
            continue;
        if (!TileOfCode(Trim(areas[static_cast<std::size_t>(row.Code - 1)].code)))
            continue;
        for (const Figure &figure : row.Figures) {
            if (figure.HasNumber() && std::isfinite(figure.Value))
                values.push_back(figure.Value);
        }
    }
    return QuintileBreaks(std::move(values));
}

Result<StateMap> BuildStateMap(const TableModel &model, const std::vector<AreaRecord> &areas, int column,
                               const std::optional<ClassBreaks> &fixed)
{
    if (!RowsAreAreas(model))
        return UsageFailure("a map needs a view whose rows are the areas; " + model.Code + " of area "
                            + std::to_string(model.Area) + " shows lines");
    const bool annual = model.Unit == Units::Annual;
    const std::size_t columns = annual ? model.Years.size() : model.Quarters.size();
    if (column < 0 || static_cast<std::size_t>(column) >= columns)
        return UsageFailure("the map's column " + std::to_string(column + 1) + " is not among the "
                            + std::to_string(columns) + " columns shown");
    if (fixed) {
        for (std::size_t k = 0; k < fixed->size(); ++k) {
            if (!std::isfinite((*fixed)[k]) || (k > 0 && (*fixed)[k] <= (*fixed)[k - 1]))
                return UsageFailure("the class bounds of a map must be finite numbers in ascending order");
        }
    }

    const auto at = static_cast<std::size_t>(column);
    const UnitsEntry &entry = UnitsEntryOf(model.Unit);
    StateMap map;
    map.TableCode = model.Code;
    map.ColumnLabel = annual ? std::to_string(model.Years[at]) : QuarterLabel(model.Quarters[at], model.Code);
    map.Unit = model.Unit;
    map.Diverging = entry.CanBeNegative;

    std::vector<double> shown;
    for (const ModelRow &row : model.Rows) {
        if (row.Kind != RowKind::Data)
            continue;
        if (row.Code < 1 || static_cast<std::size_t>(row.Code) > areas.size())
            return UsageFailure("the map's row of area " + std::to_string(row.Code) + " is not in the area list of "
                                + std::to_string(areas.size()) + " areas");
        if (row.Figures.size() <= at)
            return UsageFailure("the map's row of area " + std::to_string(row.Code) + " has no figure in column "
                                + std::to_string(column + 1));
        const AreaRecord &area = areas[static_cast<std::size_t>(row.Code - 1)];
        const Figure &figure = row.Figures[at];
        if (map.ValueUnit.empty())
            map.ValueUnit = row.Unit;
        const std::string code = Trim(area.code);
        const std::string name = Trim(area.name);
        const std::optional<TilePlace> place = TileOfCode(code);
        if (!place) {
            MapSummary summary{code, name, figure, FigureText(entry, figure)};
            if (code == NationCode)
                map.Nation = std::move(summary);
            else if (std::find(Untiled.begin(), Untiled.end(), code) != Untiled.end())
                map.Regions.push_back(std::move(summary));
            else
                map.Unplaced.push_back(name);
            continue;
        }
        MapTile tile;
        tile.Code = code;
        tile.Name = name;
        tile.Abbreviation = Trim(area.abbreviation);
        tile.Row = place->Row;
        tile.Column = place->Column;
        tile.Value = figure;
        tile.Text = FigureText(entry, figure);
        if (figure.HasNumber() && std::isfinite(figure.Value))
            shown.push_back(figure.Value);
        map.Tiles.push_back(std::move(tile));
    }
    std::sort(map.Tiles.begin(), map.Tiles.end(),
              [](const MapTile &a, const MapTile &b) { return a.Code < b.Code; });

    map.FixedBreaks = fixed.has_value();
    map.Breaks = fixed ? *fixed : QuintileBreaks(shown);
    map.ShownCount = static_cast<int>(shown.size());
    if (!shown.empty()) {
        const auto [lowest, highest] = std::minmax_element(shown.begin(), shown.end());
        map.Lowest = *lowest;
        map.Highest = *highest;
    }
    for (MapTile &tile : map.Tiles) {
        if (tile.Value.HasNumber() && std::isfinite(tile.Value.Value))
            tile.Class = ClassOf(tile.Value.Value, map.Breaks);
    }
    return map;
}

Result<StateMap> BuildStateMap(const Grid &grid, const std::vector<AreaRecord> &areas, int column,
                               const std::optional<ClassBreaks> &fixed)
{
    if (!grid.Model)
        return UsageFailure("a map needs the figures of its view, and this one holds only texts");
    Result<StateMap> map = BuildStateMap(*grid.Model, areas, column, fixed);
    if (!map)
        return map;
    map->Caption = grid.Caption;
    UnitsChoice choice;
    choice.Unit = grid.Model->Unit;
    choice.BaseQuarter = grid.Model->BaseQuarter;
    map->UnitsLabel = UnitsLabel(grid.Model->Code, choice, grid.Model->Quarters);
    return map;
}

std::string MapColour::Hex() const
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", Red, Green, Blue);
    return text;
}

double Luminance(const MapColour &colour)
{
    return 0.2126 * Linear(colour.Red) + 0.7152 * Linear(colour.Green) + 0.0722 * Linear(colour.Blue);
}

double ContrastRatio(const MapColour &a, const MapColour &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

MapColour TextColourOn(const MapColour &background)
{
    constexpr MapColour black{0, 0, 0};
    constexpr MapColour white{255, 255, 255};
    return ContrastRatio(background, black) >= ContrastRatio(background, white) ? black : white;
}

const std::array<MapColour, MapClassCount> &SequentialPalette()
{
    // Blue, light to dark.
    static const std::array<MapColour, MapClassCount> palette{{
        {0xe4, 0xef, 0xf8},
        {0xaa, 0xcb, 0xe6},
        {0x6c, 0xa3, 0xd0},
        {0x35, 0x72, 0xb0},
        {0x12, 0x44, 0x7e},
    }};
    return palette;
}

const std::array<MapColour, 2 * MapClassCount + 1> &DivergingPalette()
{
    // Brown below zero, a pale grey at zero, blue above; lighter towards zero.
    static const std::array<MapColour, 2 * MapClassCount + 1> palette{{
        {0x6e, 0x33, 0x0b},
        {0xa4, 0x52, 0x1a},
        {0xd2, 0x7f, 0x3e},
        {0xec, 0xb3, 0x7e},
        {0xf9, 0xe1, 0xc8},
        {0xf4, 0xf4, 0xf2},
        {0xe4, 0xef, 0xf8},
        {0xaa, 0xcb, 0xe6},
        {0x6c, 0xa3, 0xd0},
        {0x35, 0x72, 0xb0},
        {0x12, 0x44, 0x7e},
    }};
    return palette;
}

MapColour NoClassColour()
{
    return {0xd9, 0xd9, 0xd9};
}

namespace {

// The lowest and highest figure class cls (1..5) may hold on map.
std::pair<double, double> ClassRange(const StateMap &map, int cls)
{
    const auto index = static_cast<std::size_t>(cls);
    const double low = cls == 1 ? std::min(map.Lowest, map.Breaks[0]) : map.Breaks[index - 2];
    const double high = cls == MapClassCount ? std::max(map.Highest, map.Breaks.back()) : map.Breaks[index - 1];
    return {low, high};
}

} // namespace

MapColour ClassColour(const StateMap &map, int cls)
{
    if (cls < 1 || cls > MapClassCount)
        return NoClassColour();
    if (!map.Diverging)
        return SequentialPalette()[static_cast<std::size_t>(cls - 1)];
    const auto &palette = DivergingPalette();
    const auto [low, high] = ClassRange(map, cls);
    if ((low < 0.0 && high > 0.0) || (low == 0.0 && high == 0.0))
        return palette[MapClassCount];
    // Darker with each class between this one and zero.
    int steps = 1;
    if (high <= 0.0) {
        for (int other = cls + 1; other <= MapClassCount; ++other)
            steps += ClassRange(map, other).second <= 0.0 ? 1 : 0;
        return palette[static_cast<std::size_t>(MapClassCount - std::min(steps, MapClassCount))];
    }
    for (int other = cls - 1; other >= 1; --other)
        steps += ClassRange(map, other).first >= 0.0 ? 1 : 0;
    return palette[static_cast<std::size_t>(MapClassCount + std::min(steps, MapClassCount))];
}

std::string ClassRangeText(const StateMap &map, int cls)
{
    const UnitsEntry &entry = UnitsEntryOf(map.Unit);
    const auto bound = [&entry](double value) { return FigureText(entry, Figure{value, FigureState::Published, '0'}); };
    if (cls <= 1)
        return "up to " + bound(map.Breaks[0]);
    if (cls >= MapClassCount)
        return "over " + bound(map.Breaks.back());
    const auto index = static_cast<std::size_t>(cls);
    return "over " + bound(map.Breaks[index - 2]) + " to " + bound(map.Breaks[index - 1]);
}

std::string TileTitle(const MapTile &tile, const std::string &columnLabel)
{
    return tile.Name + ", " + columnLabel + ": " + tile.Text;
}

} // namespace tarvel

#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/views/figure.h"
#include "core/views/grid.h"
#include "core/views/table_model.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// A map of the states as a grid of equal tiles: each of the 50 states and
// DC one square, at a row and column near its place on a map of the
// country. A map shows one column (a quarter, or a year of annual
// averages) of a model whose rows are the areas, each state's tile
// coloured by the class of its figure.

constexpr int MapRows = 8;
constexpr int MapColumns = 12;

/// Where one area's tile stands, keyed by the area's two-digit code (never
/// by its place in the area list).
struct TilePlace {
    std::string_view Code;         ///< "01"
    std::string_view Abbreviation; ///< "AL", as the area list spells it
    int Row = 0;                   ///< 0 (top) .. MapRows - 1
    int Column = 0;                ///< 0 (left) .. MapColumns - 1
};

/// The 51 tiles, in code order.
const std::vector<TilePlace> &TilePlaces();
/// The tile of an area code; nullopt for a code without one.
std::optional<TilePlace> TileOfCode(std::string_view code);
/// The codes of the area list that have no tile: the nation ("00") and the
/// regions ("91".."98"), which the map names in its title block.
const std::vector<std::string_view> &UntiledCodes();

/// Number of classes a map colours its figures in.
constexpr int MapClassCount = 5;

/// One tile of a map.
struct MapTile {
    std::string Code;
    std::string Name;         ///< surrounding blanks removed
    std::string Abbreviation; ///< surrounding blanks removed
    int Row = 0;
    int Column = 0;
    Figure Value;
    std::string Text; ///< FigureText in the map's units
    /// 1 (lowest) .. MapClassCount; 0 for a figure without a number.
    int Class = 0;
};

/// The nation's or a region's figure, for the title block.
struct MapSummary {
    std::string Code;
    std::string Name;
    Figure Value;
    std::string Text;
};

/// Fixed class bounds: the upper bound of classes 1..4 (a figure equal to
/// a bound falls into the lower class), ascending.
using ClassBreaks = std::array<double, MapClassCount - 1>;

struct StateMap {
    std::string TableCode;
    std::string Caption;     ///< the view's caption; "" for a map made from a model alone
    std::string UnitsLabel;  ///< UnitsLabel of the view; "" for a map made from a model alone
    std::string ValueUnit;   ///< the unit the rows state ("percent"); "" when none is stated
    std::string ColumnLabel; ///< "2008.1", or "2008" for an annual average
    Units Unit = Units::Level;
    bool Diverging = false;    ///< the units can be negative: coloured around zero
    std::vector<MapTile> Tiles; ///< in code order
    ClassBreaks Breaks{};
    bool FixedBreaks = false;   ///< Breaks came from the caller
    int ShownCount = 0;         ///< tiles with a class
    double Lowest = 0.0;        ///< the lowest and highest classed figure
    double Highest = 0.0;
    std::optional<MapSummary> Nation;
    std::vector<MapSummary> Regions;
    /// States of the area list whose code has no tile (a damaged or newer
    /// list): their names, not drawn.
    std::vector<std::string> Unplaced;
};

/// Breaks at the 20th, 40th, 60th and 80th percentiles of values
/// (interpolated between neighbours once sorted); all zero for no value.
ClassBreaks QuintileBreaks(std::vector<double> values);
/// The class 1..MapClassCount of value under breaks.
int ClassOf(double value, const ClassBreaks &breaks);

/// Breaks by fifths of the states' figures in every column of model (the
/// tiled areas' figures with a number), for maps of its columns whose
/// classes stay the same from one column to the next.
ClassBreaks QuintileBreaksOverColumns(const TableModel &model, const std::vector<AreaRecord> &areas);

/// The map of one column (0-based, in model's column order) of model, whose
/// data rows are the areas (a one-line view, or a table whose lines are
/// the areas), their codes and names taken from areas (the area list).
/// Classes by quintile of the tiles' figures, unless fixed is given.
/// Usage when the rows are not the areas, the column is outside the
/// model, a row names an area the list does not hold, or fixed is not
/// ascending and finite.
Result<StateMap> BuildStateMap(const TableModel &model, const std::vector<AreaRecord> &areas, int column,
                               const std::optional<ClassBreaks> &fixed = std::nullopt);

/// The same for a view's grid built with its model, with its caption and
/// units label. Usage as above, and for a grid without a model.
Result<StateMap> BuildStateMap(const Grid &grid, const std::vector<AreaRecord> &areas, int column,
                               const std::optional<ClassBreaks> &fixed = std::nullopt);

/// A colour as "#rrggbb".
struct MapColour {
    unsigned char Red = 0, Green = 0, Blue = 0;
    std::string Hex() const;
};

/// The relative luminance (0 black .. 1 white) of a colour.
double Luminance(const MapColour &colour);
/// The contrast ratio (1 .. 21) of two colours.
double ContrastRatio(const MapColour &a, const MapColour &b);
/// Black or white, whichever stands out more on background.
MapColour TextColourOn(const MapColour &background);

/// Five steps from light to dark, for figures of one sign.
const std::array<MapColour, MapClassCount> &SequentialPalette();
/// Around zero: index 0 the darkest below zero, MapClassCount the neutral
/// middle, 2 * MapClassCount the darkest above zero; lightness falls away
/// from the middle on both sides.
const std::array<MapColour, 2 * MapClassCount + 1> &DivergingPalette();
/// The fill of a tile without a class.
MapColour NoClassColour();

/// The fill of class (1..MapClassCount) on map: a sequential step, or on a
/// diverging map the side of zero its range lies on, darker away from
/// zero, the neutral middle for a class reaching across zero.
MapColour ClassColour(const StateMap &map, int cls);

/// A class's range for the legend: "up to 1,234", "over 1,234 to 5,678",
/// "over 5,678", the bounds written as the figures are.
std::string ClassRangeText(const StateMap &map, int cls);

/// The tooltip of a tile: "Alabama, 2008.1: 123,456".
std::string TileTitle(const MapTile &tile, const std::string &columnLabel);

} // namespace tarvel

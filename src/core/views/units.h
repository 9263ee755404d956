#pragma once

#include "core/views/figure.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

/// What a window's cells show: the published values, or figures computed
/// from them.
enum class Units : std::uint8_t {
    Level,                   ///< the value itself
    Change,                  ///< x(t) - x(t-1)
    ChangeFromYearAgo,       ///< x(t) - x(t-4)
    PercentChange,           ///< (x(t)/x(t-1) - 1) * 100
    PercentChangeAnnualRate, ///< ((x(t)/x(t-1))^4 - 1) * 100
    PercentChangeFromYearAgo, ///< (x(t)/x(t-4) - 1) * 100
    Share,                   ///< x(area,t) / x(nation,t) * 100
    Index,                   ///< x(t) / x(base) * 100
    Annual,                  ///< the mean of each full year's 4 quarters
};

/// One entry of the units table: everything the viewer, the command line
/// and the help say about a unit.
struct UnitsEntry {
    Units Unit;
    std::string_view Name;      ///< the viewer's wording: "Percent change from a year ago"
    std::string_view ShortName; ///< the command line's: "pc1"
    std::string_view Rule;      ///< one line for help, the man page and completion
    int Decimals;               ///< digits after the point; every text has group commas
    bool CanBeNegative;         ///< below zero in the normal course: charts of it turn the log scale off
    bool NeedsNation;           ///< reads the nation's series of the same line
    bool NeedsBase;             ///< divides by a base quarter
    bool YearColumns;           ///< one column per year instead of per quarter
};

/// The units in the order the viewer lists them; Level first (the default).
const std::array<UnitsEntry, 9> &UnitsTable();

/// The entry of unit.
const UnitsEntry &UnitsEntryOf(Units unit);

/// The unit of a short name as typed on the command line (exact, lower
/// case); nullopt for any other text.
std::optional<Units> UnitsFromShortName(std::string_view shortName);

/// The short names in table order, for a usage message:
/// "level, chg, ch1, pch, pca, pc1, share, index, annual".
std::string UnitsShortNames();

/// The cell text of a figure of entry's unit: "#,###,##0" for 0 decimals,
/// else that many decimals after a grouped whole part ("1,234.5", "-0.4",
/// "1.23"), rounded half away from zero, never "-0" or "-0.0". A withheld
/// figure shows its marker; a Confidential one its number followed by " *";
/// a blank field shows as 0. For Level the text the table grid shows.
std::string FigureText(const UnitsEntry &entry, const Figure &figure);

/// Room PutFigureText needs at its pointer: a whole number's (the digits
/// of the largest double with their commas and sign), a point, 6 decimals
/// and " *".
inline constexpr std::size_t FigureTextRoom = 448 + 16;

/// FigureText written at out (FigureTextRoom bytes), without a string made
/// for it; returns its end.
char *PutFigureText(char *out, const UnitsEntry &entry, const Figure &figure);

} // namespace tarvel

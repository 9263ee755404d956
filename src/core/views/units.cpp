#include "core/views/units.h"

#include "core/views/cell_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tarvel {

namespace {

constexpr std::array<UnitsEntry, 9> Entries{{
    {Units::Level, "As published", "level", "the value as published", 0, false, false, false, false},
    {Units::Change, "Change from the previous quarter", "chg", "x(t) - x(t-1): the change from the previous quarter",
     0, true, false, false, false},
    {Units::ChangeFromYearAgo, "Change from a year ago", "ch1",
     "x(t) - x(t-4): the change from the same quarter a year before", 0, true, false, false, false},
    {Units::PercentChange, "Percent change from the previous quarter", "pch",
     "(x(t)/x(t-1) - 1) * 100: the percent change from the previous quarter", 1, true, false, false, false},
    {Units::PercentChangeAnnualRate, "Percent change at an annual rate", "pca",
     "((x(t)/x(t-1))^4 - 1) * 100: the quarter's percent change compounded over four quarters", 1, true, false, false,
     false},
    {Units::PercentChangeFromYearAgo, "Percent change from a year ago", "pc1",
     "(x(t)/x(t-4) - 1) * 100: the percent change from the same quarter a year before", 1, true, false, false, false},
    {Units::Share, "Share of the nation", "share",
     "x(area,t) / x(nation,t) * 100: the area's percent of the nation's value", 2, false, true, false, false},
    {Units::Index, "Index, a chosen quarter = 100", "index", "x(t) / x(base) * 100: the value against a base quarter's",
     1, false, false, true, false},
    {Units::Annual, "Annual averages", "annual", "the mean of the 4 quarters of each year the table holds whole", 0,
     false, false, false, true},
}};

} // namespace

const std::array<UnitsEntry, 9> &UnitsTable()
{
    return Entries;
}

const UnitsEntry &UnitsEntryOf(Units unit)
{
    for (const UnitsEntry &entry : Entries) {
        if (entry.Unit == unit)
            return entry;
    }
    return Entries.front();
}

std::optional<Units> UnitsFromShortName(std::string_view shortName)
{
    for (const UnitsEntry &entry : Entries) {
        if (entry.ShortName == shortName)
            return entry.Unit;
    }
    return std::nullopt;
}

std::string UnitsShortNames()
{
    std::string names;
    for (const UnitsEntry &entry : Entries) {
        if (!names.empty())
            names += ", ";
        names += entry.ShortName;
    }
    return names;
}

static_assert(FigureTextRoom >= WholeNumberRoom + 1 + 6 + 2, "a whole number, a point, 6 decimals and \" *\"");

namespace {

// value rounded half away from zero to Decimals (1..6) digits after the
// point, the whole part grouped, written at out: "1,234.5", "-0.4", never
// "-0.0". Returns the end. Every computed cell comes through here: the
// digits after the point are a constant's divisions, which cost a
// multiplication each.
template <int Decimals>
char *PutDecimalText(char *out, double value)
{
    constexpr std::uint64_t unit = [] {
        std::uint64_t u = 1;
        for (int i = 0; i < Decimals; ++i)
            u *= 10;
        return u;
    }();
    if (!std::isfinite(value))
        return std::copy_n("(N)", 3, out);
    const double scaled = std::fabs(value) * static_cast<double>(unit);
    if (!(scaled < 9007199254740992.0)) {
        // Past 2^53 a double holds no digit after the point.
        out = PutWholeNumber(out, value);
        *out++ = '.';
        return std::fill_n(out, Decimals, '0');
    }
    // Rounded half away from zero: the fraction left after the cut is exact.
    auto all = static_cast<std::uint64_t>(scaled);
    if (scaled - static_cast<double>(all) >= 0.5)
        ++all;
    if (all != 0 && value < 0)
        *out++ = '-';
    // Most figures are percents: a whole part below 1,000 needs no commas.
    const std::uint64_t whole = all / unit;
    if (whole < 1000) {
        if (whole >= 100)
            *out++ = static_cast<char>('0' + whole / 100);
        if (whole >= 10)
            *out++ = static_cast<char>('0' + whole / 10 % 10);
        *out++ = static_cast<char>('0' + whole % 10);
    } else {
        out = PutWholeNumber(out, static_cast<double>(whole));
    }
    *out++ = '.';
    std::uint64_t fraction = all % unit;
    for (int i = Decimals - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return out + Decimals;
}

char *PutDecimalText(char *out, double value, int decimals)
{
    switch (decimals) {
    case 1:
        return PutDecimalText<1>(out, value);
    case 2:
        return PutDecimalText<2>(out, value);
    case 3:
        return PutDecimalText<3>(out, value);
    case 4:
        return PutDecimalText<4>(out, value);
    case 5:
        return PutDecimalText<5>(out, value);
    default:
        return PutDecimalText<6>(out, value);
    }
}

} // namespace

char *PutFigureText(char *out, const UnitsEntry &entry, const Figure &figure)
{
    if (figure.IsWithheld()) {
        const std::string_view marker = figure.WithheldMarker();
        return std::copy(marker.begin(), marker.end(), out);
    }
    const int decimals = std::clamp(entry.Decimals, 0, 6);
    out = decimals == 0 ? PutWholeNumber(out, figure.Value) : PutDecimalText(out, figure.Value, decimals);
    if (figure.State == FigureState::Confidential)
        out = std::copy_n(" *", 2, out);
    return out;
}

std::string FigureText(const UnitsEntry &entry, const Figure &figure)
{
    char text[FigureTextRoom];
    return std::string(text, PutFigureText(text, entry, figure));
}

} // namespace tarvel

#pragma once

// Cells of the small data tables the core tests write with the sample-data
// writer, and quarter choices for the builders.
#include "core/catalog/table_catalog.h"
#include "core/views/grid.h"
#include "sample_data.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvel::test {

/// One cell of a data record: the 10-character value field and its flag.
struct Field {
    std::string text;
    char flag = '0';
};
/// A cell of a fixture table; unsuppressed is true when writing the ".xxx" file.
using CellFunction = std::function<Field(int area, int line, int k, bool unsuppressed)>;

/// A plain published cell tells where it came from: area * 1,000,000 +
/// line * 1,000 + quarter.
inline Field PlainCell(int area, int line, int k, bool)
{
    return {sample::ValueField(area * 1000000.0 + line * 1000.0 + k), '0'};
}

/// Plain cells, but area 3, line 1 of ZR5 holds special cells in its last
/// quarters: a large number (176), a published zero (175), a blank field
/// (174), a withheld value (173, flag 1) and one not available (172, flag 2).
inline Field Zr5SpecialCell(int area, int line, int k, bool unsuppressed)
{
    if (area != 3 || line != 1)
        return PlainCell(area, line, k, unsuppressed);
    switch (k) {
    case 176:
        return {"   1234567", '0'};
    case 175:
        return {sample::ValueField(0), '0'};
    case 174:
        return {std::string(10, ' '), '0'};
    case 173:
        return {unsuppressed ? "   -2500.4" : "         0", '1'};
    case 172:
        return {unsuppressed ? "     987.5" : "         0", '2'};
    default:
        return PlainCell(area, line, k, unsuppressed);
    }
}

/// Quarter flags of code (index 1..QuarterCount) with the quarters chosen set.
inline std::vector<std::uint8_t> Quarters(const std::string &code, const std::vector<int> &chosen)
{
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(QuarterCount(code)) + 1, 0);
    for (const int k : chosen)
        flags[static_cast<std::size_t>(k)] = 255;
    return flags;
}

/// A ZR6 table window's grid of 3 lines and 3 quarters: quarter labels in
/// row 0, row titles in column 0, withheld cells and large numbers.
inline Grid WindowGrid()
{
    const std::vector<std::vector<std::string>> cells{
        {"", "2001.1", "2001.2", "2001.3"},
        {"Compensation of employees", "1,234,567", "(D)", "12"},
        {"Farm compensation", "-2,500", "(N)", "7,000"},
        {"Forestry, fishing", "0", "1,000,000", "3"},
    };
    Grid grid(4, 4);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            grid.SetCell(r, c, cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    }
    grid.Code = "ZR6";
    grid.Caption = "ZR6 SIC series 1998-2001 ~ Alabama [01]";
    return grid;
}

} // namespace tarvel::test

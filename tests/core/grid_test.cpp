#include "core/views/grid.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tarvel {
namespace {

// Texts of up to 15 characters live in their cell, longer ones in a buffer
// the cells share: setting either kind again, in any order, shows the last.
TEST(Grid, TextsSetAgainShowTheLastWhateverTheirLength)
{
    Grid grid(3, 4);
    const std::string fifteen = "-9,999,999,999*";
    const std::string sixteen = "a title of 16 ch";
    const std::string long1 = "Income by place of residence, net earnings";
    grid.SetCell(0, 0, fifteen);
    grid.SetCell(0, 1, sixteen);
    grid.SetCell(2, 3, long1);
    EXPECT_EQ(grid.Cell(0, 0), fifteen);
    EXPECT_EQ(grid.Cell(0, 1), sixteen);
    EXPECT_EQ(grid.Cell(2, 3), long1);
    EXPECT_EQ(grid.Cell(1, 1), "");

    grid.SetCell(2, 3, "a shorter long text!");   // long over long, shorter
    EXPECT_EQ(grid.Cell(2, 3), "a shorter long text!");
    grid.SetCell(2, 3, long1 + long1);            // long over long, longer
    EXPECT_EQ(grid.Cell(2, 3), long1 + long1);
    grid.SetCell(0, 1, "12");                     // short over long
    EXPECT_EQ(grid.Cell(0, 1), "12");
    grid.SetCell(0, 0, long1);                    // long over short
    EXPECT_EQ(grid.Cell(0, 0), long1);
    grid.SetCell(0, 0, "");
    EXPECT_EQ(grid.Cell(0, 0), "");
    EXPECT_EQ(grid.Cell(2, 3), long1 + long1) << "other cells keep their texts";

    // A cell set from the grid's own texts, short and long.
    grid.SetCell(1, 2, grid.Cell(2, 3));
    grid.SetCell(1, 0, grid.Cell(0, 1));
    grid.SetCell(0, 1, grid.Cell(0, 1));
    EXPECT_EQ(grid.Cell(1, 2), long1 + long1);
    EXPECT_EQ(grid.Cell(1, 0), "12");
    EXPECT_EQ(grid.Cell(0, 1), "12");

    // Outside the grid: nothing set, nothing shown.
    grid.SetCell(3, 0, "x");
    grid.SetCell(0, -1, "x");
    EXPECT_EQ(grid.Cell(3, 0), "");
    EXPECT_EQ(grid.Cell(-1, 0), "");
    EXPECT_EQ(grid.Cell(0, 4), "");
}

TEST(Grid, AlignmentsAndTextsShareACellWithoutTouchingEachOther)
{
    Grid grid(2, 4);
    grid.SetColumnAlignment(0, CellAlignment::LeftTop);
    grid.SetCellAlignment(0, 1, CellAlignment::CenterCenter);
    grid.SetCell(0, 1, "123,456,789,012");
    grid.SetRowAlignment(1, 2, CellAlignment::RightCenter);
    grid.SetCell(1, 3, "a text too long to stand in its cell");
    grid.SetCell(1, 2, "7");
    grid.SetCellAlignment(1, 3, CellAlignment::CenterCenter);

    EXPECT_EQ(grid.Cell(0, 1), "123,456,789,012");
    EXPECT_EQ(grid.Cell(1, 3), "a text too long to stand in its cell");
    EXPECT_EQ(grid.Cell(1, 2), "7");
    EXPECT_EQ(grid.Alignment(0, 0), CellAlignment::LeftTop); // its column's
    EXPECT_EQ(grid.Alignment(0, 1), CellAlignment::CenterCenter);
    EXPECT_EQ(grid.Alignment(1, 1), CellAlignment::Default);
    EXPECT_EQ(grid.Alignment(1, 2), CellAlignment::RightCenter);
    EXPECT_EQ(grid.Alignment(1, 3), CellAlignment::CenterCenter);
    EXPECT_EQ(grid.Alignment(2, 0), CellAlignment::Default);

    // Writing a cell in place sets its alignment with it.
    char *const place = grid.Places(1).Place(2, 3, CellAlignment::RightCenter);
    ASSERT_NE(place, nullptr);
    place[0] = '1';
    place[1] = '2';
    place[2] = '3';
    EXPECT_EQ(grid.Cell(1, 2), "123");
    EXPECT_EQ(grid.Alignment(1, 2), CellAlignment::RightCenter);
    const Grid::RowPlaces row = grid.Places(1);
    char *const viaRow = row.Place(1, 2, CellAlignment::LeftTop);
    ASSERT_NE(viaRow, nullptr);
    viaRow[0] = '4';
    viaRow[1] = '5';
    EXPECT_EQ(grid.Cell(1, 1), "45");
    EXPECT_EQ(grid.Alignment(1, 1), CellAlignment::LeftTop);
    EXPECT_EQ(row.Place(4, 1, CellAlignment::Default), nullptr);
    EXPECT_EQ(row.Place(-1, 1, CellAlignment::Default), nullptr);
    EXPECT_EQ(row.Place(0, 16, CellAlignment::Default), nullptr);
    EXPECT_EQ(grid.Places(2).Place(0, 1, CellAlignment::Default), nullptr);
    grid.Places(1).Place(2, 0, CellAlignment::Default);
    EXPECT_EQ(grid.Cell(1, 2), "");
    EXPECT_EQ(grid.Alignment(1, 2), CellAlignment::Default);
}

TEST(Grid, ResizeKeepsTheCellsThatStayInside)
{
    Grid grid(2, 3);
    grid.SetCell(0, 0, "     Item");
    grid.SetCell(1, 1, "a line title longer than fifteen");
    grid.SetCell(1, 2, "cut off");
    grid.SetCellAlignment(1, 1, CellAlignment::RightCenter);
    grid.SetHalfHeight(1, true);

    grid.Resize(3, 2);
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.Columns(), 2);
    EXPECT_EQ(grid.Cell(0, 0), "     Item");
    EXPECT_EQ(grid.Cell(1, 1), "a line title longer than fifteen");
    EXPECT_EQ(grid.Alignment(1, 1), CellAlignment::RightCenter);
    EXPECT_TRUE(grid.HalfHeight(1));
    EXPECT_EQ(grid.Cell(2, 1), "");
    EXPECT_EQ(grid.Cell(1, 2), "");

    grid.Resize(3, 3);
    EXPECT_EQ(grid.Cell(1, 2), "") << "a cell cut off comes back empty";
}

// Grids hand their cell storage on to the next grid: it must start empty.
TEST(Grid, ANewGridStartsEmptyAfterOthersWent)
{
    {
        Grid full(20, 30);
        for (int r = 0; r < full.Rows(); ++r) {
            for (int c = 0; c < full.Columns(); ++c) {
                full.SetCell(r, c, r % 2 ? "1,234" : "a text longer than fifteen characters");
                full.SetCellAlignment(r, c, CellAlignment::CenterCenter);
            }
        }
        Grid copy = full;
        full.Resize(1, 1);
        EXPECT_EQ(copy.Cell(19, 29), "1,234") << "a copy keeps its own texts";
        EXPECT_EQ(copy.Cell(18, 29), "a text longer than fifteen characters");
    }
    for (const auto &[rows, columns] : {std::pair{20, 30}, std::pair{10, 10}}) {
        Grid fresh(rows, columns);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                EXPECT_EQ(fresh.Cell(r, c), "") << r << "," << c;
                EXPECT_EQ(fresh.Alignment(r, c), CellAlignment::Default) << r << "," << c;
            }
        }
    }
}

} // namespace
} // namespace tarvel

#include "core/views/window_tiling.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvel {
namespace {

TEST(TileWindows, HorizontalStacksFullWidthStrips)
{
    const std::vector<WindowRect> places = TileWindows(3, 300, 200, TileDirection::Horizontal, 20);
    const std::vector<WindowRect> expected{{0, 0, 300, 66}, {0, 66, 300, 67}, {0, 133, 300, 67}};
    EXPECT_EQ(places, expected);
}

TEST(TileWindows, VerticalStandsSideBySide)
{
    const std::vector<WindowRect> places = TileWindows(3, 300, 200, TileDirection::Vertical, 20);
    const std::vector<WindowRect> expected{{0, 0, 100, 200}, {100, 0, 100, 200}, {200, 0, 100, 200}};
    EXPECT_EQ(places, expected);
}

TEST(TileWindows, TooManyForOneStackFillFurtherStacks)
{
    // 100 pixels hold two windows of at least 40: four stacks, the last
    // holding one window over the whole height.
    const std::vector<WindowRect> places = TileWindows(7, 400, 100, TileDirection::Horizontal, 40);
    ASSERT_EQ(places.size(), 7u);
    EXPECT_EQ(places[0], (WindowRect{0, 0, 100, 50}));
    EXPECT_EQ(places[1], (WindowRect{0, 50, 100, 50}));
    EXPECT_EQ(places[2], (WindowRect{100, 0, 100, 50}));
    EXPECT_EQ(places[6], (WindowRect{300, 0, 100, 100}));
    // The same turned round for vertical tiling.
    const std::vector<WindowRect> columns = TileWindows(7, 100, 400, TileDirection::Vertical, 40);
    EXPECT_EQ(columns[2], (WindowRect{0, 100, 50, 100}));
    EXPECT_EQ(columns[6], (WindowRect{0, 300, 100, 100}));
}

TEST(TileWindows, NothingToPlace)
{
    EXPECT_TRUE(TileWindows(0, 300, 200, TileDirection::Horizontal, 20).empty());
    EXPECT_TRUE(TileWindows(2, 0, 200, TileDirection::Vertical, 20).empty());
    // An area smaller than one window still gets every window.
    EXPECT_EQ(TileWindows(2, 300, 10, TileDirection::Horizontal, 50).size(), 2u);
}

TEST(ArrangeIcons, AlongTheBottomThenRowsAbove)
{
    const std::vector<WindowRect> icons(5, WindowRect{0, 0, 100, 30});
    const std::vector<WindowRect> places = ArrangeIcons(icons, 250, 200);
    const std::vector<WindowRect> expected{{0, 170, 100, 30}, {100, 170, 100, 30}, {0, 140, 100, 30},
                                           {100, 140, 100, 30}, {0, 110, 100, 30}};
    EXPECT_EQ(places, expected);
    // An area narrower than an icon still takes one icon a row.
    const std::vector<WindowRect> narrow = ArrangeIcons({{0, 0, 100, 30}, {0, 0, 100, 30}}, 50, 200);
    EXPECT_EQ(narrow[1], (WindowRect{0, 140, 100, 30}));
}

struct PlaceCase {
    const char *what;
    WindowRect placed;
    std::vector<WindowRect> others;
    WindowRect expected;
};

TEST(PlaceNewWindow, EveryNewWindowLiesInsideTheArea)
{
    // An area of 400 x 300, cascade steps of 20.
    const std::vector<PlaceCase> cases{
        {"inside stays", {50, 40, 200, 150}, {}, {50, 40, 200, 150}},
        {"touching the edges stays", {200, 150, 200, 150}, {}, {200, 150, 200, 150}},
        {"past the right edge", {300, 0, 200, 150}, {}, {0, 0, 200, 150}},
        {"past the bottom", {0, 200, 200, 150}, {}, {0, 0, 200, 150}},
        {"left of the area", {-10, 0, 200, 150}, {}, {0, 0, 200, 150}},
        {"next free cascade place", {300, 0, 200, 150}, {{0, 0, 1, 1}, {20, 20, 1, 1}}, {40, 40, 200, 150}},
        {"no free place: the top left", {300, 0, 380, 290}, {{0, 0, 1, 1}}, {0, 0, 380, 290}},
        {"larger than the area", {10, 10, 500, 400}, {}, {0, 0, 400, 300}},
    };
    for (const PlaceCase &c : cases)
        EXPECT_EQ(PlaceNewWindow(c.placed, 400, 300, c.others, 20), c.expected) << c.what;
    // Without an area nothing can be placed.
    EXPECT_EQ(PlaceNewWindow({300, 0, 200, 150}, 0, 0, {}, 20), (WindowRect{300, 0, 200, 150}));
}

} // namespace
} // namespace tarvel

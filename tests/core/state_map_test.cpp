#include "core/views/state_map.h"

#include "core/catalog/text_helpers.h"
#include "core/views/state_map_svg.h"
#include "sample_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <regex>
#include <set>
#include <utility>

namespace tarvel {
namespace {

// The sample area list as the reader gives it.
std::vector<AreaRecord> SampleAreaList()
{
    std::vector<AreaRecord> list;
    for (const sample::SampleArea &area : sample::Areas())
        list.push_back(*ParseAreaRecord(sample::AreaRecordText(area)));
    return list;
}

// A one-line view of ZR5N of two quarters whose rows are areas 1..60, the
// figure of area a in column c being a * 10 + c (published), except the
// figures listed as withheld.
TableModel OneLineModel(const std::vector<std::pair<int, char>> &withheld = {})
{
    TableModel model;
    model.Code = "ZR5N";
    model.Line = 1;
    model.Quarters = {72, 73};
    for (int a = 1; a <= AreaCount; ++a) {
        ModelRow row;
        row.Kind = RowKind::Data;
        row.Code = a;
        row.Unit = "dollars";
        for (int c = 0; c < 2; ++c)
            row.Figures.push_back(Figure{a * 10.0 + c, FigureState::Published, '0'});
        for (const auto &[area, flag] : withheld) {
            if (area == a)
                row.Figures[0] = Figure{0.0, FigureState::Withheld, flag};
        }
        model.Rows.push_back(row);
        if (a == 1 || a == 52)
            model.Rows.push_back(ModelRow{});
    }
    return model;
}

TEST(StateMap, EveryStateHasOneTileOfItsOwnAtItsPlace)
{
    const std::vector<TilePlace> &places = TilePlaces();
    ASSERT_EQ(places.size(), 51u);
    std::set<std::pair<int, int>> cells;
    for (const TilePlace &place : places) {
        EXPECT_TRUE(place.Row >= 0 && place.Row < MapRows && place.Column >= 0 && place.Column < MapColumns)
            << place.Code;
        EXPECT_TRUE(cells.insert({place.Row, place.Column}).second) << place.Code << " shares its square";
    }
    // Each area code of the list has a tile, or is one of those without,
    // and the tile's abbreviation is the list's for that code.
    for (const sample::SampleArea &area : sample::Areas()) {
        const std::optional<TilePlace> tile = TileOfCode(area.code);
        const auto &untiled = UntiledCodes();
        const bool apart = std::find(untiled.begin(), untiled.end(), area.code) != untiled.end();
        EXPECT_NE(tile.has_value(), apart) << area.code;
        if (tile) {
            EXPECT_EQ(tile->Abbreviation, area.abbreviation) << area.code;
        }
    }
    EXPECT_FALSE(TileOfCode("03"));
    // The corners and the south as on a map of the country.
    const auto at = [](std::string_view code) {
        const auto tile = TileOfCode(code);
        return tile ? std::make_pair(tile->Row, tile->Column) : std::make_pair(-1, -1);
    };
    EXPECT_EQ(at("02"), std::make_pair(0, 0));                       // Alaska
    EXPECT_EQ(at("23"), std::make_pair(0, MapColumns - 1));          // Maine
    EXPECT_EQ(at("15").first, MapRows - 1);                          // Hawaii
    EXPECT_EQ(at("48").first, MapRows - 1);                          // Texas
    EXPECT_EQ(at("12").first, MapRows - 1);                          // Florida
    EXPECT_GT(at("12").second, at("48").second);                     // Florida east of Texas
    EXPECT_LT(at("53").second, at("36").second);                     // Washington west of New York
    EXPECT_LT(at("38").first, at("48").first);                       // North Dakota north of Texas
}

// The tiles follow the area codes: an area list in another order puts each
// state's figure on its own square all the same.
TEST(StateMap, ShuffledAreaListKeepsEachStateInItsPlace)
{
    std::vector<AreaRecord> areas = SampleAreaList();
    std::mt19937 random(7);
    std::shuffle(areas.begin(), areas.end(), random);
    const TableModel model = OneLineModel();
    const Result<StateMap> map = BuildStateMap(model, areas, 1);
    ASSERT_TRUE(map) << map.Error().detail;
    ASSERT_EQ(map->Tiles.size(), 51u);
    EXPECT_EQ(map->ColumnLabel, "2008.1");
    EXPECT_EQ(map->ValueUnit, "dollars");
    for (const MapTile &tile : map->Tiles) {
        // The area whose record carries this code is row (position + 1).
        const auto record = std::find_if(areas.begin(), areas.end(),
                                         [&tile](const AreaRecord &a) { return a.code == tile.Code; });
        ASSERT_NE(record, areas.end());
        const int area = static_cast<int>(record - areas.begin()) + 1;
        EXPECT_EQ(tile.Value.Value, area * 10.0 + 1) << tile.Code;
        EXPECT_EQ(tile.Name, Trim(record->name));
        const std::optional<TilePlace> place = TileOfCode(tile.Code);
        ASSERT_TRUE(place);
        EXPECT_EQ(std::make_pair(tile.Row, tile.Column), std::make_pair(place->Row, place->Column));
        EXPECT_EQ(tile.Abbreviation, place->Abbreviation);
    }
    ASSERT_TRUE(map->Nation);
    EXPECT_EQ(map->Nation->Code, "00");
    EXPECT_EQ(map->Regions.size(), 8u);
    EXPECT_TRUE(map->Unplaced.empty());
}

struct QuintileCase {
    const char *name;
    std::vector<double> values;
    ClassBreaks breaks;
    std::vector<int> classes; // of values, in their order
};

void PrintTo(const QuintileCase &c, std::ostream *os)
{
    *os << c.name;
}

class Quintiles : public testing::TestWithParam<QuintileCase> {};

TEST_P(Quintiles, BreaksAndClasses)
{
    const QuintileCase &c = GetParam();
    const ClassBreaks breaks = QuintileBreaks(c.values);
    for (std::size_t k = 0; k < breaks.size(); ++k)
        EXPECT_NEAR(breaks[k], c.breaks[k], 1e-9) << k;
    std::vector<int> classes;
    for (const double value : c.values)
        classes.push_back(ClassOf(value, breaks));
    EXPECT_EQ(classes, c.classes);
}

INSTANTIATE_TEST_SUITE_P(
    StateMap, Quintiles,
    testing::Values(
        // Ten values: two to a class.
        QuintileCase{"TenInOrder", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {2.8, 4.6, 6.4, 8.2}, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}},
        // The order given does not matter.
        QuintileCase{"TenShuffled", {10, 3, 7, 1, 9, 2, 8, 5, 4, 6}, {2.8, 4.6, 6.4, 8.2}, {5, 2, 4, 1, 5, 1, 4, 3, 2, 3}},
        // Six values: the breaks fall between them.
        QuintileCase{"Six", {0, 10, 20, 30, 40, 50}, {10, 20, 30, 40}, {1, 1, 2, 3, 4, 5}},
        // A figure on a bound falls into the lower class.
        QuintileCase{"Ties", {5, 5, 5, 5, 9, 9}, {5, 5, 5, 9}, {1, 1, 1, 1, 4, 4}},
        QuintileCase{"Negative", {-4, -2, 0, 2, 4, 6}, {-2, 0, 2, 4}, {1, 1, 2, 3, 4, 5}},
        QuintileCase{"One", {42}, {42, 42, 42, 42}, {1}},
        QuintileCase{"None", {}, {0, 0, 0, 0}, {}}),
    [](const testing::TestParamInfo<QuintileCase> &info) { return std::string(info.param.name); });

TEST(StateMap, WithheldFiguresHaveNoClassAndFixedBoundsAreKept)
{
    // Alabama (area 2) withheld for disclosure, Alaska (3) not available.
    const TableModel model = OneLineModel({{2, '1'}, {3, '2'}});
    const std::vector<AreaRecord> areas = SampleAreaList();
    const Result<StateMap> map = BuildStateMap(model, areas, 0);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->ShownCount, 49);
    EXPECT_EQ(map->Tiles[0].Code, "01");
    EXPECT_EQ(map->Tiles[0].Class, 0);
    EXPECT_EQ(map->Tiles[0].Text, "(D)");
    EXPECT_EQ(map->Tiles[1].Text, "(N)");
    EXPECT_EQ(TileTitle(map->Tiles[0], map->ColumnLabel), "Alabama, 2007.4: (D)");
    for (std::size_t t = 2; t < map->Tiles.size(); ++t)
        EXPECT_GE(map->Tiles[t].Class, 1) << map->Tiles[t].Code;

    // Bounds over both columns hold the classes of either column.
    std::vector<double> both;
    for (int column = 0; column < 2; ++column) {
        const Result<StateMap> one = BuildStateMap(model, areas, column);
        ASSERT_TRUE(one);
        for (const MapTile &tile : one->Tiles) {
            if (tile.Class != 0)
                both.push_back(tile.Value.Value);
        }
    }
    EXPECT_EQ(both.size(), 49u + 51u);
    EXPECT_EQ(QuintileBreaksOverColumns(model, areas), QuintileBreaks(both));

    const ClassBreaks fixed{100, 200, 300, 400};
    const Result<StateMap> held = BuildStateMap(model, areas, 0, fixed);
    ASSERT_TRUE(held);
    EXPECT_TRUE(held->FixedBreaks);
    for (const MapTile &tile : held->Tiles) {
        if (tile.Class != 0) {
            EXPECT_EQ(tile.Class, ClassOf(tile.Value.Value, fixed)) << tile.Code;
        }
    }
    EXPECT_EQ(ClassRangeText(*held, 1), "up to 100");
    EXPECT_EQ(ClassRangeText(*held, 3), "over 200 to 300");
    EXPECT_EQ(ClassRangeText(*held, 5), "over 400");
}

TEST(StateMap, RefusesWhatIsNoMapOfTheAreas)
{
    const std::vector<AreaRecord> areas = SampleAreaList();
    TableModel tableView = OneLineModel();
    tableView.Line = 0;
    tableView.Area = 5;
    TableModel shortList = OneLineModel();
    const std::vector<AreaRecord> fewAreas(areas.begin(), areas.begin() + 30);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char *what;
        const TableModel &model;
        const std::vector<AreaRecord> &list;
        int column;
        std::optional<ClassBreaks> fixed;
        const char *message;
    };
    const TableModel oneLine = OneLineModel();
    const Case cases[] = {
        {"a table view", tableView, areas, 0, std::nullopt, "rows are the areas"},
        {"column past the end", oneLine, areas, 2, std::nullopt, "not among the 2 columns"},
        {"column before the first", oneLine, areas, -1, std::nullopt, "not among"},
        {"a short area list", oneLine, fewAreas, 0, std::nullopt, "not in the area list of 30"},
        {"bounds not ascending", oneLine, areas, 0, ClassBreaks{1, 3, 2, 4}, "ascending"},
        {"a bound not a number", oneLine, areas, 0, ClassBreaks{1, 2, nan, 4}, "finite"},
    };
    for (const Case &c : cases) {
        const Result<StateMap> map = BuildStateMap(c.model, c.list, c.column, c.fixed);
        ASSERT_FALSE(map) << c.what;
        EXPECT_EQ(map.Error().kind, FailureKind::Usage) << c.what;
        EXPECT_NE(map.Error().detail.find(c.message), std::string::npos) << c.what << ": " << map.Error().detail;
    }
    // A grid of texts alone has no figures to map.
    EXPECT_FALSE(BuildStateMap(Grid(3, 3), areas, 0));
}

TEST(StateMap, PalettesDifferInLightnessAndTextStandsOut)
{
    const auto &sequential = SequentialPalette();
    for (std::size_t i = 1; i < sequential.size(); ++i)
        EXPECT_LT(Luminance(sequential[i]), Luminance(sequential[i - 1]) - 0.05) << i;
    const auto &diverging = DivergingPalette();
    const std::size_t middle = MapClassCount;
    for (std::size_t i = 1; i <= middle; ++i) {
        EXPECT_LT(Luminance(diverging[middle - i]), Luminance(diverging[middle - i + 1]) - 0.03) << i;
        EXPECT_LT(Luminance(diverging[middle + i]), Luminance(diverging[middle + i - 1]) - 0.03) << i;
    }
    std::vector<MapColour> all(sequential.begin(), sequential.end());
    all.insert(all.end(), diverging.begin(), diverging.end());
    all.push_back(NoClassColour());
    const MapColour black{0, 0, 0};
    const MapColour white{255, 255, 255};
    for (const MapColour &colour : all) {
        const MapColour text = TextColourOn(colour);
        const MapColour other = text.Red == 0 ? white : black;
        EXPECT_GE(ContrastRatio(colour, text), 4.5) << colour.Hex();
        EXPECT_GE(ContrastRatio(colour, text), ContrastRatio(colour, other)) << colour.Hex();
    }
    EXPECT_EQ((MapColour{0x12, 0x44, 0x7e}.Hex()), "#12447e");
    EXPECT_NEAR(ContrastRatio(black, white), 21.0, 1e-9);
}

// Around zero: classes below it brown, darker away from zero; above it
// blue; a class reaching across zero the neutral middle.
TEST(StateMap, DivergingClassesTakeTheirSideOfZero)
{
    StateMap map;
    map.Unit = Units::PercentChange;
    map.Diverging = true;
    map.ShownCount = 10;
    map.Lowest = -8;
    map.Highest = 9;
    map.Breaks = {-5, -1, 2, 6};
    const auto &palette = DivergingPalette();
    EXPECT_EQ(ClassColour(map, 1).Hex(), palette[3].Hex());
    EXPECT_EQ(ClassColour(map, 2).Hex(), palette[4].Hex());
    EXPECT_EQ(ClassColour(map, 3).Hex(), palette[5].Hex()); // -1 to 2
    EXPECT_EQ(ClassColour(map, 4).Hex(), palette[6].Hex());
    EXPECT_EQ(ClassColour(map, 5).Hex(), palette[7].Hex());
    // All above zero: five steps of blue, lightest nearest zero.
    map.Lowest = 1;
    map.Breaks = {2, 3, 4, 5};
    for (int cls = 1; cls <= MapClassCount; ++cls)
        EXPECT_EQ(ClassColour(map, cls).Hex(), palette[static_cast<std::size_t>(MapClassCount + cls)].Hex()) << cls;
    map.Diverging = false;
    EXPECT_EQ(ClassColour(map, 2).Hex(), SequentialPalette()[1].Hex());
    EXPECT_EQ(ClassColour(map, 0).Hex(), NoClassColour().Hex());
}

TEST(StateMapSvg, EscapesTextAndHatchesWithheldTiles)
{
    EXPECT_EQ(XmlEscaped("A&B <c> \"d\" 'e'"), "A&amp;B &lt;c&gt; &quot;d&quot; &apos;e&apos;");
    EXPECT_EQ(XmlEscaped(std::string("a\x01" "b\x1f" "c\xe9", 6)), "a?b?c\xe9");

    std::vector<AreaRecord> areas = SampleAreaList();
    areas[1].name = "Ala<b>ma & \"Co\"         "; // area 2, code 01
    const TableModel model = OneLineModel({{2, '1'}});
    Result<StateMap> map = BuildStateMap(model, areas, 0);
    ASSERT_TRUE(map);
    map->Caption = "ZR5N <test> & caption";
    const std::string svg = StateMapSvg(*map);
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n", 0), 0u);
    EXPECT_NE(svg.find("<title>Ala&lt;b&gt;ma &amp; &quot;Co&quot;, 2007.4: (D)</title>"), std::string::npos);
    EXPECT_NE(svg.find(">ZR5N &lt;test&gt; &amp; caption</text>"), std::string::npos);
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    // The withheld tile is hatched and says why; the others are filled.
    const std::regex tile(
        R"re(<g class="tile" data-code="(\d\d)" data-class="(\d)">\n<title>[^<]*</title>\n<rect [^>]*fill="([^"]+)")re");
    int tiles = 0;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tile); it != std::sregex_iterator(); ++it) {
        ++tiles;
        const std::string code = (*it)[1];
        EXPECT_EQ((*it)[3] == "url(#withheld)", code == "01") << code;
        EXPECT_EQ((*it)[2] == "0", code == "01") << code;
    }
    EXPECT_EQ(tiles, 51);
    EXPECT_NE(svg.find("<pattern id=\"withheld\""), std::string::npos);
    EXPECT_NE(svg.find(">(D)</text>"), std::string::npos);
    EXPECT_NE(svg.find("class=\"nation\">United States, 2007.4: 10</text>"), std::string::npos);
    for (int cls = 1; cls <= MapClassCount; ++cls)
        EXPECT_NE(svg.find("class=\"class-range\" data-class=\"" + std::to_string(cls) + "\""), std::string::npos);
}

} // namespace
} // namespace tarvel

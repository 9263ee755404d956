#include "cli/batch_commands.h"

#include "core/catalog/table_catalog.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

test::BatchOutcome RunOnSample(std::vector<std::string> args)
{
    return test::RunBatch(test::WithData(std::move(args), test::SampleDataDir()));
}

// One record of show-line --format csv: code, title, value, flags.
struct CsvArea {
    std::string title;
    std::string value; // as stored; empty when withheld
    char flag = '.';
};

// The records of a listing of one quarter, by area code.
std::map<std::string, CsvArea> ReadCsv(const std::string &text)
{
    static const std::regex record(R"re(^"(\d\d)","([^"]*)",([^,]*),"(.)",)re");
    std::map<std::string, CsvArea> areas;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_search(line, m, record))
            areas[m[1]] = CsvArea{m[2], m[3], m[4].str()[0]};
    }
    return areas;
}

// A tile of the SVG read back: its class and its <title>.
struct SvgTile {
    int cls = -1;
    std::string title;
};

std::map<std::string, SvgTile> ReadTiles(const std::string &svg)
{
    static const std::regex tile(R"re(<g class="tile" data-code="(\d\d)" data-class="(\d)">\n<title>([^<]*)</title>)re");
    std::map<std::string, SvgTile> tiles;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tile); it != std::sregex_iterator(); ++it)
        tiles[(*it)[1]] = SvgTile{std::stoi((*it)[2]), (*it)[3]};
    return tiles;
}

// A stored value as the grid shows it: rounded half away from zero to a
// whole number, grouped by threes.
std::string Whole(const std::string &stored)
{
    const long long rounded = std::llround(std::stod(stored));
    std::string digits = std::to_string(rounded < 0 ? -rounded : rounded);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (rounded < 0 ? "-" : "") + digits;
}

// Classes by fifths, worked out here from the listing's values: the k-th
// break k/5 of the way through the sorted values.
std::vector<double> Fifths(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::vector<double> breaks;
    for (int k = 1; k <= 4; ++k) {
        const double at = (values.size() - 1) * k / 5.0;
        const std::size_t low = static_cast<std::size_t>(at);
        const std::size_t high = std::min(low + 1, values.size() - 1);
        breaks.push_back(values[low] + (values[high] - values[low]) * (at - low));
    }
    return breaks;
}

class MapOfEveryLine : public testing::TestWithParam<std::string> {};

// Every line of the table at its last quarter: each state's tile says what
// show-line lists for it, in the class its value falls into, and the title
// block gives the nation's figure.
TEST_P(MapOfEveryLine, TilesMatchTheListingOfTheSameLine)
{
    const std::string code = GetParam();
    const std::string quarter = QuarterLabel(QuarterCount(code), code);
    TempFolder folder;
    const std::string svgFile = folder.Path() + "map.svg";
    for (int line = 1; line <= LineCount(code); ++line) {
        const std::string l = std::to_string(line);
        SCOPED_TRACE(code + " line " + l);
        const test::BatchOutcome listing
            = RunOnSample({"show-line", "--table", code, "--line", l, "--quarters", quarter, "--format", "csv"});
        ASSERT_EQ(listing.status, batch::ExitOk) << listing.err;
        const test::BatchOutcome map
            = RunOnSample({"map", "--table", code, "--line", l, "--quarter", quarter, "--output", svgFile});
        ASSERT_EQ(map.status, batch::ExitOk) << map.err;
        EXPECT_EQ(map.out, "");
        const std::string svg = test::FileBytes(svgFile);
        const std::map<std::string, CsvArea> areas = ReadCsv(listing.out);
        const std::map<std::string, SvgTile> tiles = ReadTiles(svg);
        ASSERT_EQ(areas.size(), 60u);
        ASSERT_EQ(tiles.size(), 51u);

        std::vector<double> values;
        for (const auto &[areaCode, tile] : tiles) {
            ASSERT_EQ(areas.count(areaCode), 1u) << areaCode;
            if (areas.at(areaCode).flag == '.')
                values.push_back(std::stod(areas.at(areaCode).value));
        }
        const std::vector<double> breaks = Fifths(values);
        for (const auto &[areaCode, tile] : tiles) {
            const CsvArea &area = areas.at(areaCode);
            const bool withheld = area.flag != '.';
            const std::string text = withheld ? "(" + std::string(1, area.flag) + ")" : Whole(area.value);
            EXPECT_EQ(tile.title, area.title + ", " + quarter + ": " + text) << areaCode;
            int cls = 0;
            if (!withheld) {
                const double value = std::stod(area.value);
                cls = 1 + static_cast<int>(std::count_if(breaks.begin(), breaks.end(),
                                                         [value](double b) { return value > b; }));
            }
            EXPECT_EQ(tile.cls, cls) << areaCode << " " << area.value;
        }
        const CsvArea &nation = areas.at("00");
        const std::string nationText = nation.flag == '.' ? Whole(nation.value) : "(" + std::string(1, nation.flag) + ")";
        EXPECT_NE(svg.find("class=\"nation\">United States, " + quarter + ": " + nationText + "</text>"),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(BatchMap, MapOfEveryLine,
                         testing::Values("ZR4", "ZR5N", "ZR5", "ZR5H", "ZR6N", "ZR6", "ZR7N", "ZR7", "ZR7H"));

// Computed units: an index on its own base quarter is 100 everywhere, and
// the units stand in the title block.
TEST(BatchMap, IndexOnItsBaseIsAHundredInEveryState)
{
    TempFolder folder;
    const std::string svgFile = folder.Path() + "index.SVG";
    const test::BatchOutcome map = RunOnSample({"map", "--table", "ZR5N", "--line", "3", "--quarter", "2007.2",
                                                "--units", "index", "--base", "2007.2", "--output", svgFile});
    ASSERT_EQ(map.status, batch::ExitOk) << map.err;
    const std::string svg = test::FileBytes(svgFile);
    int hundreds = 0;
    for (const auto &[code, tile] : ReadTiles(svg)) {
        if (tile.title.find(", 2007.2: (") == std::string::npos) {
            EXPECT_NE(tile.title.find(", 2007.2: 100.0"), std::string::npos) << tile.title;
            ++hundreds;
        }
    }
    EXPECT_GT(hundreds, 40);
    EXPECT_NE(svg.find("Index, 2007.2 = 100, computed from the published values"), std::string::npos);
}

// What map refuses: each a usage error (2) or a file error (1) with its
// reason, and no output file left behind, an earlier one unchanged.
TEST(BatchMap, RefusalsSayWhyAndWriteNothing)
{
    TempFolder folder;
    const std::string earlier = folder.Write("earlier.svg", "earlier bytes");
    const std::string fresh = folder.Path() + "fresh.svg";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char *message;
    };
    const std::vector<std::string> good{"--table", "ZR6", "--line", "2", "--quarter", "2001.1"};
    const auto with = [&good](std::vector<std::string> more, std::vector<std::string> base = {}) {
        std::vector<std::string> args{"map"};
        const std::vector<std::string> &first = base.empty() ? good : base;
        args.insert(args.end(), first.begin(), first.end());
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::vector<Case> cases{
        {with({"--output", earlier}, {"--table", "ZR1", "--line", "2", "--quarter", "2001.1"}), 2, "whose lines are the areas"},
        {with({"--output", earlier}, {"--table", "ZR9", "--line", "2", "--quarter", "2001.1"}), 2, "ZR9"},
        {with({"--output", earlier}, {"--table", "ZR6", "--line", "24", "--quarter", "2001.1"}), 2, "line 24 is outside 1-23"},
        {with({"--output", earlier}, {"--table", "ZR6", "--line", "x", "--quarter", "2001.1"}), 2, "not a line number"},
        {with({"--output", earlier}, {"--table", "ZR6", "--line", "2"}), 2, "needs --quarter Q"},
        {with({"--output", earlier}, {"--table", "ZR6", "--line", "2", "--quarter", "2002.1"}), 2,
         "--quarter needs a quarter of ZR6 (1998.1-2001.4), not \"2002.1\""},
        {with({"--output", earlier}, {"--table", "ZR6", "--line", "2", "--quarter", "2001.5"}), 2, "not \"2001.5\""},
        {with({"--units", "percent", "--output", earlier}), 2, "\"percent\" is not a unit of --units"},
        {with({"--units", "index", "--output", earlier}), 2, "needs --base QUARTER"},
        {with({"--units", "index", "--base", "1997.4", "--output", earlier}), 2, "--base needs a quarter of ZR6"},
        {with({"--base", "1999.1", "--output", earlier}), 2, "only of it"},
        {with({"--units", "annual", "--output", earlier}, {"--table", "ZR5N", "--line", "2", "--quarter", "2008.1"}), 2,
         "does not hold all four quarters of 2008"},
        {with({}), 2, "needs --output FILE"},
        {with({"--output", folder.Path() + "map.png"}), 2, "not PNG"},
        {with({"--output", folder.Path() + "map.txt"}), 2, "ending in .svg"},
        {with({"--output", folder.Path() + "no/such/folder/map.svg"}), 1, "could not be accessed"},
    };
    for (const Case &c : cases) {
        std::string line;
        for (const std::string &arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const test::BatchOutcome r = RunOnSample(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(test::FileBytes(earlier), "earlier bytes");
        EXPECT_FALSE(fs::exists(folder.Path() + "map.png"));
        EXPECT_FALSE(fs::exists(folder.Path() + "map.txt"));
    }
}

// The map never writes into a file the program reads, also by a link
// whose name ends in ".svg".
TEST(BatchMap, NeverWritesIntoAFileTheProgramReads)
{
    TempFolder folder;
    const std::string data = folder.Path() + "data/";
    fs::copy(test::SampleDataDir(), data, fs::copy_options::recursive);
    const std::string before = test::FileBytes(data + "statcode.csv");
    const std::string link = folder.Path() + "areas.svg";
    fs::create_symlink(data + "statcode.csv", link);
    const test::BatchOutcome r = test::RunBatch(
        test::WithData({"map", "--table", "ZR6", "--line", "1", "--quarter", "2001.1", "--output", link}, data));
    EXPECT_EQ(r.status, batch::ExitFile) << r.err;
    EXPECT_NE(r.err.find("one of the files the program reads"), std::string::npos) << r.err;
    EXPECT_EQ(test::FileBytes(data + "statcode.csv"), before);
}

// Names from the area list reach the SVG as text, whatever they hold: an
// XML reader gets back the name as the list spells it (a control byte,
// which XML cannot hold, as '?').
TEST(BatchMap, TheSvgReadsBackWithTheAreaListsNames)
{
    TempFolder folder;
    const std::string data = folder.Path() + "data/";
    fs::copy(test::SampleDataDir(), data, fs::copy_options::recursive);
    std::string list = test::FileBytes(data + "statcode.csv");
    const std::string plain = "\"Alabama             \"";
    const std::string odd = std::string("\"A&b<a>m 'a' \xe9\x07      \"");
    ASSERT_EQ(odd.size(), plain.size());
    ASSERT_NE(list.find(plain), std::string::npos);
    list.replace(list.find(plain), plain.size(), odd);
    folder.Write("data/statcode.csv", list);
    const std::string svgFile = folder.Path() + "odd.svg";
    const test::BatchOutcome r = test::RunBatch(test::WithData(
        {"map", "--table", "ZR6", "--line", "1", "--quarter", "2001.1", "--output", svgFile}, data));
    ASSERT_EQ(r.status, batch::ExitOk) << r.err;

    const std::string script = folder.Write(
        "read.py", "import sys, xml.etree.ElementTree as E\n"
                   "ns = '{http://www.w3.org/2000/svg}'\n"
                   "for g in E.parse(sys.argv[1]).getroot().iter(ns + 'g'):\n"
                   "    if g.get('data-code') == '01':\n"
                   "        sys.stdout.buffer.write(g.find(ns + 'title').text.encode('latin-1'))\n");
    FILE *pipe = popen((std::string(TARVEL_PYTHON3) + " " + script + " " + svgFile + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string title;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        title.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << title;
    EXPECT_EQ(title.rfind("A&b<a>m 'a' \xe9?, 2001.1: ", 0), 0u) << title;
}

} // namespace
} // namespace tarvel

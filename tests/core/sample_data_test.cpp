#include "sample_data.h"

#include "core/catalog/table_catalog.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace tarvel::sample {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a text whose every line ends in CR LF; a bare CR or LF fails.
std::vector<std::string> CrLfSplit(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> Fields(const std::string &line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    fields.push_back(line.substr(start));
    return fields;
}

double Number(const std::string &field)
{
    return std::strtod(field.c_str(), nullptr);
}

// The whole folder, written once for every test that only reads it.
const std::string &Folder()
{
    static test::TempFolder folder;
    static const std::string error = WriteSampleFolder(folder.Path());
    EXPECT_EQ(error, "");
    return folder.Path();
}

TEST(SampleData, WritesEveryFileInCrLfLines)
{
    std::vector<std::string> names{"statcode.csv", "zrformat.txt", "regions.txt", "q_readme.txt"};
    for (const auto &code : TableCodes()) {
        for (const char *suffix : {".dfx", ".xxx", "line.csv", "fn.txt", ".doc"}) {
            if (code != "ZR1" || std::string(suffix) != ".doc")
                names.push_back(code + suffix);
        }
    }
    for (const auto &name : names) {
        const std::string text = ReadAll(Folder() + name);
        EXPECT_FALSE(CrLfSplit(text).empty()) << name;
    }
    EXPECT_FALSE(fs::exists(Folder() + "ZR1.doc"));
    EXPECT_FALSE(ReadAll(Folder() + "tarvel.hlp").empty());
}

TEST(SampleData, AreaListHoldsSixtyFortyByteRecords)
{
    const std::string text = ReadAll(Folder() + "statcode.csv");
    ASSERT_EQ(text.size(), 60u * 40u);
    EXPECT_EQ(text.substr(0, 40), "\"00\",\"United States       \",\"US  \",\"0\"\r\n");
    EXPECT_EQ(text.substr(9 * 40, 40), "\"11\",\"District of Columbia\",\"DC  \",\"2\"\r\n");
    const auto &areas = Areas();
    ASSERT_EQ(areas.size(), 60u);
    for (std::size_t i = 1; i <= 51; ++i) {
        EXPECT_TRUE(areas[i].region >= '1' && areas[i].region <= '8') << areas[i].name;
        EXPECT_EQ(areas[i].abbreviation.size(), 2u);
        if (i > 1) {
            EXPECT_LT(areas[i - 1].name, areas[i].name);
        }
    }
    for (std::size_t r = 0; r < 8; ++r) {
        EXPECT_EQ(areas[52 + r].code, std::to_string(91 + r));
        EXPECT_EQ(areas[52 + r].region, static_cast<char>('1' + r));
    }
}

class SampleTable : public testing::TestWithParam<std::string> {};

TEST_P(SampleTable, LineTitlesFitTheTable)
{
    const std::string code = GetParam();
    const auto titles = LineTitles(code);
    ASSERT_EQ(titles.size(), static_cast<std::size_t>(LineCount(code)));
    const auto lines = CrLfSplit(ReadAll(Folder() + code + "line.csv"));
    ASSERT_EQ(lines.size(), titles.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        EXPECT_FALSE(titles[i].title.empty());
        EXPECT_LE(titles[i].title.size(), 57u) << titles[i].title;
        if (code == "ZR1") {
            EXPECT_EQ(lines[i].substr(0, titles[i].title.size()), Areas()[i].name);
        } else {
            EXPECT_EQ(lines[i], LineTitleRecordText(titles[i].code, titles[i].title));
            EXPECT_EQ(lines[i].size(), 66u);
        }
    }
}

TEST_P(SampleTable, DataFilesHaveEqualLinesAndHideOnlyWithheldCells)
{
    const std::string code = GetParam();
    const int quarters = QuarterCount(code);
    const int perArea = code == "ZR1" ? 1 : LineCount(code);
    const auto published = CrLfSplit(ReadAll(Folder() + code + ".dfx"));
    const auto full = CrLfSplit(ReadAll(Folder() + code + ".xxx"));
    ASSERT_EQ(published.size(), static_cast<std::size_t>(60 * perArea));
    ASSERT_EQ(full.size(), published.size());
    const auto titles = LineTitles(code);

    int disclosure = 0;
    int unavailable = 0;
    // sums[line][quarter]: the states added up, to compare with the nation.
    std::vector<std::vector<double>> sums(static_cast<std::size_t>(perArea),
                                          std::vector<double>(static_cast<std::size_t>(quarters)));
    for (std::size_t i = 0; i < published.size(); ++i) {
        ASSERT_EQ(published[i].size(), published[0].size()) << i;
        ASSERT_EQ(full[i].size(), published[0].size()) << i;
        const auto p = Fields(published[i]);
        const auto f = Fields(full[i]);
        ASSERT_EQ(p.size(), static_cast<std::size_t>(quarters + 6));
        const std::size_t area = i / static_cast<std::size_t>(perArea);
        const std::size_t line = i % static_cast<std::size_t>(perArea);
        EXPECT_EQ(p[0], Areas()[area].code);
        EXPECT_EQ(p[1], std::string(1, Areas()[area].region));
        EXPECT_EQ(p[2], (code + "  ").substr(0, 4));
        EXPECT_EQ(p[3], titles[line].code);
        const std::string &flags = p.back();
        ASSERT_EQ(flags, f.back());
        ASSERT_EQ(flags.size(), static_cast<std::size_t>(quarters));
        for (std::size_t k = 0; k < flags.size(); ++k) {
            const std::string &shown = p[5 + k];
            const std::string &value = f[5 + k];
            ASSERT_EQ(shown.size(), 10u);
            if (flags[k] == '0') {
                ASSERT_EQ(shown, value);
            } else {
                ASSERT_TRUE(flags[k] == '1' || flags[k] == '2') << flags;
                (flags[k] == '1' ? disclosure : unavailable)++;
                EXPECT_EQ(Number(shown), 0.0);
                EXPECT_NE(Number(value), 0.0);
            }
            if (area >= 1 && area <= 51)
                sums[line][k] += Number(value);
        }
    }
    if (code != "ZR1") {
        EXPECT_GT(disclosure + unavailable, 0);
    }
    if (code != "ZR1" && code != "ZR4") {
        EXPECT_GT(disclosure, 0);
        EXPECT_GT(unavailable, 0);
    }
    // The nation is the sum of its states, up to the rounding of 52 values.
    for (std::size_t line = 0; line < sums.size(); ++line) {
        const auto nation = Fields(full[line]);
        for (std::size_t k = 0; k < sums[line].size(); ++k)
            ASSERT_NEAR(Number(nation[5 + k]), sums[line][k], 30.0) << titles[line].title << " quarter " << k + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(AllTables, SampleTable, testing::ValuesIn(TableCodes()),
                         [](const testing::TestParamInfo<std::string> &info) { return info.param; });

TEST(SampleData, DerivationLinesCarryTheirConnectingWords)
{
    for (const char *code : {"ZR5", "ZR5N", "ZR5H", "ZR4"}) {
        const auto titles = LineTitles(code);
        const std::size_t first = std::string(code) == "ZR4" ? 3 : 1; // "Earnings by place of work"
        ASSERT_GT(titles.size(), first + 7) << code;
        EXPECT_EQ(titles[first].title, "Earnings by place of work");
        EXPECT_EQ(titles[first + 1].title.rfind("less:", 0), 0u) << code;
        EXPECT_EQ(titles[first + 4].title.rfind("plus:", 0), 0u) << code;
        EXPECT_EQ(titles[first + 5].title.rfind("equals:", 0), 0u) << code;
        EXPECT_EQ(titles[first + 6].title.rfind("plus:", 0), 0u) << code;
        EXPECT_EQ(titles[first + 7].title.rfind("plus:", 0), 0u) << code;
    }
}

TEST(SampleData, SameSeedWritesSameBytes)
{
    test::TempFolder a, b, c;
    Options options;
    options.seed = 7;
    options.tables = {"ZR6", "ZR1"};
    ASSERT_EQ(WriteSampleFolder(a.Path(), options), "");
    ASSERT_EQ(WriteSampleFolder(b.Path(), options), "");
    options.seed = 8;
    ASSERT_EQ(WriteSampleFolder(c.Path(), options), "");
    for (const auto &entry : fs::directory_iterator(a.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(ReadAll(a.Path() + name), ReadAll(b.Path() + name)) << name;
    }
    EXPECT_NE(ReadAll(a.Path() + "ZR6.xxx"), ReadAll(c.Path() + "ZR6.xxx"));
}

TEST(SampleData, OptionsChooseWhatIsWritten)
{
    test::TempFolder folder;
    Options options;
    options.tables = {"ZR7"};
    options.unsuppressed = false;
    options.documents = false;
    ASSERT_EQ(WriteSampleFolder(folder.Path() + "sub", options), "");
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder.Path() + "sub"))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"statcode.csv", "ZR7.dfx", "ZR7line.csv"}));

    const std::string help = folder.Write("help.hlp", "@topic 1 Contents\r\nHelp\r\n");
    options.helpFile = help;
    ASSERT_EQ(WriteSampleFolder(folder.Path() + "sub", options), "");
    EXPECT_EQ(ReadAll(folder.Path() + "sub/tarvel.hlp"), ReadAll(help));
}

TEST(SampleData, FailuresAreReportedNotHidden)
{
    test::TempFolder folder;
    Options options;
    options.tables = {"zr5"};
    EXPECT_NE(WriteSampleFolder(folder.Path(), options), "");
    options.tables = {"ZR6"};
    const std::string file = folder.Write("plain", "x");
    EXPECT_NE(WriteSampleFolder(file + "/inside", options), "");
    EXPECT_FALSE(WriteFileBytes(file + "/inside.txt", "x"));
}

TEST(SampleData, RecordHelpersKeepTheirWidths)
{
    const std::pair<double, const char *> values[] = {
        {1234.5, "    1234.5"}, {-12, "       -12"}, {0.04, "         0"}, {-0.04, "         0"},
        {12345678, "  12345678"}, {0.55, "       0.6"}, {-123456789, "-123456789"},
    };
    for (const auto &[value, field] : values)
        EXPECT_EQ(ValueField(value), field) << value;
    EXPECT_EQ(ValueField(3e15).size(), 10u);
    EXPECT_NEAR(Number(ValueField(3e15)), 3e15, 1e13);

    EXPECT_EQ(DataLine("01", '5', "ZR1", "0010", {ValueField(1), ValueField(2)}, "01"),
              "01,5,ZR1 ,0010,  SA,         1,         2,01");
    EXPECT_EQ(AreaRecordText({"98", "Far West", "FWST", '8'}), "\"98\",\"Far West            \",\"FWST\",\"8\"");
    EXPECT_EQ(LineTitleRecordText("0010", std::string(70, 'x')).size(), 66u);
}

} // namespace
} // namespace tarvel::sample

#include "core/help/help_file.h"

#include "core/catalog/file_helpers.h"
#include "core/export/export_formats.h"
#include "core/settings/installed_share.h"
#include "core/selection/selection.h"
#include "core/selection/program_state.h"
#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace tarvel {
namespace {

using test::TempFolder;

// The help file the program ships with, as the build writes it.
std::string ShippedHelpPath()
{
    return TARVEL_HELP_FILE;
}

const char *const SmallHelp = "# a comment before the first topic\r\n"
                              "\r\n"
                              "@topic 1 Contents\r\n"
                              "@keywords contents, Overview\r\n"
                              "\r\n"
                              "See [[8]] and [[23|the tables]].\r\n"
                              "\r\n"
                              "@topic 8 Quick start\r\n"
                              "@keywords quick start, first steps\r\n"
                              "@keywords , Display ,\r\n"
                              "# a comment inside a topic\r\n"
                              "Choose a table.\r\n"
                              "\r\n"
                              "\r\n"
                              "@topic 23 Index of tables\r\n"
                              "@keywords tables, display, overview\r\n"
                              "ZR4 and ZR1.";

HelpFile ParseOrFail(std::string_view text)
{
    Result<HelpFile> file = ParseHelpText(text, "test.hlp");
    EXPECT_TRUE(file) << FailureText(file.Error());
    return file ? *file : HelpFile();
}

std::vector<int> TopicsOf(const std::vector<HelpKeyword> &keywords, const std::string &keyword)
{
    for (const HelpKeyword &entry : keywords)
        if (entry.keyword == keyword)
            return entry.topics;
    return {};
}

TEST(HelpFileTest, ParsesTopicsKeywordsAndBodiesInFileOrder)
{
    const HelpFile file = ParseOrFail(SmallHelp);
    ASSERT_EQ(file.Topics().size(), 3u);
    EXPECT_EQ(file.Topics()[1].number, 8);
    EXPECT_EQ(file.Topics()[1].title, "Quick start");
    // Two @keywords lines add up; empty entries and blanks around names go.
    EXPECT_EQ(file.Topics()[1].keywords, (std::vector<std::string>{"quick start", "first steps", "Display"}));
    // Comment lines vanish, blank lines at the ends of a body are dropped,
    // and a last line without a line end still counts.
    EXPECT_EQ(file.Topics()[1].body, std::vector<std::string>{"Choose a table."});
    EXPECT_EQ(file.Topics()[2].body, std::vector<std::string>{"ZR4 and ZR1."});

    ASSERT_NE(file.Find(23), nullptr);
    EXPECT_EQ(file.Find(23)->title, "Index of tables");
    EXPECT_EQ(file.Find(2), nullptr);
    EXPECT_EQ(file.Find(0), nullptr);
}

TEST(HelpFileTest, ContentsIsTopicOneOrAGeneratedListOfEveryTopic)
{
    EXPECT_EQ(ParseOrFail(SmallHelp).Contents().title, "Contents");
    EXPECT_EQ(ParseOrFail(SmallHelp).Contents().number, 1);

    const HelpFile withoutOne = ParseOrFail("@topic 5 Five\nbody\n@topic 3 Three\n");
    const HelpTopic contents = withoutOne.Contents();
    EXPECT_EQ(contents.number, 0);
    const std::string html = RenderTopicHtml(contents, withoutOne);
    const std::size_t five = html.find("<a href=\"topic:5\">Five</a>");
    const std::size_t three = html.find("<a href=\"topic:3\">Three</a>");
    ASSERT_NE(five, std::string::npos) << html;
    ASSERT_NE(three, std::string::npos) << html;
    EXPECT_LT(five, three);
}

TEST(HelpFileTest, EmptyKeywordListsEveryKeywordOnceSortedWithAllItsTopics)
{
    const HelpFile file = ParseOrFail(SmallHelp);
    std::vector<std::string> names;
    for (const HelpKeyword &entry : file.Keywords(""))
        names.push_back(entry.keyword);
    // "Display" and "display" are one keyword; the first spelling is kept.
    EXPECT_EQ(names, (std::vector<std::string>{"contents", "Display", "first steps", "Overview", "quick start",
                                               "tables"}));
    EXPECT_EQ(TopicsOf(file.Keywords(""), "Display"), (std::vector<int>{8, 23}));
    EXPECT_EQ(TopicsOf(file.Keywords(""), "Overview"), (std::vector<int>{1, 23}));
}

struct SearchCase {
    const char *text;
    std::vector<std::string> keywords;
    std::vector<int> topics;
};

void PrintTo(const SearchCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text) << " -> keywords " << c.keywords.size() << ", topics";
    if (c.topics.empty())
        *os << " none";
    for (const int topic : c.topics)
        *os << ' ' << topic;
}

class HelpSearchTest : public testing::TestWithParam<SearchCase> {};

TEST_P(HelpSearchTest, FindsKeywordsAndTopicsIgnoringCase)
{
    const HelpFile file = ParseOrFail(SmallHelp);
    std::vector<std::string> names;
    for (const HelpKeyword &entry : file.Keywords(GetParam().text))
        names.push_back(entry.keyword);
    EXPECT_EQ(names, GetParam().keywords);
    EXPECT_EQ(file.Search(GetParam().text), GetParam().topics);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, HelpSearchTest,
    testing::Values(SearchCase{"", {"contents", "Display", "first steps", "Overview", "quick start", "tables"},
                               {1, 8, 23}},
                    SearchCase{"  ", {"contents", "Display", "first steps", "Overview", "quick start", "tables"},
                               {1, 8, 23}},
                    SearchCase{"DISP", {"Display"}, {8, 23}},
                    SearchCase{"st", {"first steps", "quick start"}, {8}},
                    // A title matches as well as a keyword does.
                    SearchCase{"index", {}, {23}},
                    SearchCase{"printer", {}, {}}));

struct DamagedCase {
    const char *text;
    const char *detail; ///< a part of the failure's detail
};

void PrintTo(const DamagedCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text, 32) << " -> " << test::CaseText(c.detail, 40);
}

class DamagedHelpTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedHelpTest, GivesAClearFailureNamingTheFile)
{
    const Result<HelpFile> file = ParseHelpText(GetParam().text, "/data/tarvel.hlp");
    ASSERT_FALSE(file);
    EXPECT_EQ(file.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(file.Error().path, "/data/tarvel.hlp");
    EXPECT_NE(file.Error().detail.find(GetParam().detail), std::string::npos) << file.Error().detail;
    EXPECT_NE(FailureText(file.Error()).find("/DATA/TARVEL.HLP"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedHelpTest,
    testing::Values(DamagedCase{"", "no help topics"},
                    DamagedCase{"# only a comment\r\n\r\n", "no help topics"},
                    DamagedCase{"\x7f" "ELF\x02\x01\x01", "line 1: text before the first topic"},
                    DamagedCase{"@topic 1 One\n@topic 2 Two\n\n@topic 1 Again\n",
                                "line 4: topic 1 was already defined on line 1"},
                    DamagedCase{"@topic\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic 7\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic seven Title\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic 3x Title\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic 0 Zero\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic -4 Minus\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic 100000 Big\n", "line 1: a topic line needs"},
                    DamagedCase{"@topic 99999999999999999999 Huge\n", "line 1: a topic line needs"},
                    DamagedCase{"@keywords early\n@topic 1 One\n", "line 1: keywords before the first topic"},
                    DamagedCase{"@topic 1 One\n@title Other\n", "line 2: unknown line \"@title\""},
                    DamagedCase{"@topicx 1 One\n", "line 1: unknown line \"@topicx\""}));

TEST(HelpFileTest, ReadsAFileAndReportsAMissingOneAsNotAccessible)
{
    TempFolder folder;
    const std::string path = folder.Write("tarvel.hlp", SmallHelp);
    const Result<HelpFile> file = ReadHelpFile(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Topics().size(), 3u);

    const Result<HelpFile> missing = ReadHelpFile(folder.Path() + "absent.hlp");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Error().kind, FailureKind::NotAccessible);
    EXPECT_EQ(missing.Error().path, folder.Path() + "absent.hlp");

    const Result<HelpFile> damaged = ReadHelpFile(folder.Write("bad.hlp", "nothing here\r\n"));
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.Error().kind, FailureKind::Damaged);
    EXPECT_EQ(damaged.Error().path, folder.Path() + "bad.hlp");
}

TEST(HelpFileTest, HelpFileInTheProgramFolderWinsOverTheDataFolder)
{
    TempFolder program;
    TempFolder data;
    EXPECT_EQ(LocateHelpFile(program.Path(), data.Path()), data.Path() + "tarvel.hlp");
    data.Write("tarvel.hlp", SmallHelp);
    EXPECT_EQ(LocateHelpFile(program.Path(), data.Path()), data.Path() + "tarvel.hlp");
    // The name is matched without regard to letter case.
    program.Write("TARVEL.HLP", SmallHelp);
    EXPECT_EQ(LocateHelpFile(program.Path(), data.Path()), program.Path() + "tarvel.hlp");
    EXPECT_TRUE(ReadHelpFile(LocateHelpFile(program.Path(), data.Path())));
}

TEST(HelpFileLookup, BesideTheProgramWithoutAnyData)
{
    // A first start with no data folder found still has its help.
    TempFolder program;
    const std::string installed = InstalledShareFolder(program.Path()) + "tarvel.hlp";
    EXPECT_EQ(HelpFileCandidates(program.Path(), ""),
              (std::vector<std::string>{program.Path() + "tarvel.hlp", installed}));
    EXPECT_EQ(HelpFileCandidates(program.Path(), "/data/"),
              (std::vector<std::string>{program.Path() + "tarvel.hlp", "/data/tarvel.hlp", installed}));
    EXPECT_EQ(LocateHelpFile(program.Path(), ""), program.Path() + "tarvel.hlp");
    program.Write("tarvel.hlp", SmallHelp);
    EXPECT_TRUE(ReadHelpFile(LocateHelpFile(program.Path(), "")));
}

// Installed, the help file lies in share/tarvel/ beside bin/; a help file
// of the data folder still comes first.
TEST(HelpFileTest, InstalledHelpFileWhenTheDataFolderHasNone)
{
    TempFolder prefix;
    TempFolder data;
    const std::string program = prefix.Path() + "bin/";
    std::filesystem::create_directories(program);
    EXPECT_EQ(LocateHelpFile(program, data.Path()), data.Path() + "tarvel.hlp");
    prefix.Write("share/tarvel/tarvel.hlp", SmallHelp);
    EXPECT_EQ(LocateHelpFile(program, data.Path()), prefix.Path() + "share/tarvel/tarvel.hlp");
    EXPECT_TRUE(ReadHelpFile(LocateHelpFile(program, data.Path())));
    data.Write("tarvel.hlp", SmallHelp);
    EXPECT_EQ(LocateHelpFile(program, data.Path()), data.Path() + "tarvel.hlp");
}

struct RenderCase {
    const char *name;
    std::vector<std::string> body;
    const char *html; ///< the body's HTML, after the title heading
};

void PrintTo(const RenderCase &c, std::ostream *os)
{
    *os << c.name;
}

class HelpRenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(HelpRenderTest, RendersTheBodyMarkup)
{
    const HelpFile file = ParseOrFail("@topic 1 Contents\n@topic 12 Display <window>\n");
    HelpTopic topic{99, "T", {}, GetParam().body};
    EXPECT_EQ(RenderTopicHtml(topic, file), std::string("<h2>T</h2>\n") + GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, HelpRenderTest,
    testing::Values(
        RenderCase{"Escapes", {"a < b & c > \"d\""}, "<p>a &lt; b &amp; c &gt; &quot;d&quot;</p>\n"},
        RenderCase{"Latin1", {"caf\xe9 \xa7 5"}, "<p>caf&#233; &#167; 5</p>\n"},
        RenderCase{"ControlBytes", {"a\tb\x01" "c"}, "<p>a b c</p>\n"},
        RenderCase{"ParagraphsJoinLines",
                   {"one", "two", "", "", "three"},
                   "<p>one two</p>\n<p>three</p>\n"},
        RenderCase{"LinkWithLabel", {"see [[12|the grid]]."}, "<p>see <a href=\"topic:12\">the grid</a>.</p>\n"},
        RenderCase{"LinkTakesTheEscapedTitle",
                   {"[[ 12 ]]"},
                   "<p><a href=\"topic:12\">Display &lt;window&gt;</a></p>\n"},
        RenderCase{"LinkToAMissingTopicIsText", {"[[40|Printing]] [[41]]"}, "<p>Printing 41</p>\n"},
        RenderCase{"MalformedLinksStayLiteral", {"[[x|y]] [[12"}, "<p>[[x|y]] [[12</p>\n"},
        RenderCase{"Bold", {"**File** menu, ** and **<b>**"},
                   "<p><b>File</b> menu, <b> and </b>&lt;b&gt;**</p>\n"},
        RenderCase{"BoldAroundALink", {"**[[1|Home]]**"}, "<p><b><a href=\"topic:1\">Home</a></b></p>\n"},
        RenderCase{"Heading", {"text", "== Menus & keys"}, "<p>text</p>\n<h3>Menus &amp; keys</h3>\n"},
        RenderCase{"Bullets",
                   {"* one", "  continued", "* two [[1]]", "after"},
                   "<ul>\n<li>one continued</li>\n<li>two <a href=\"topic:1\">Contents</a> after</li>\n</ul>\n"},
        RenderCase{"Table",
                   {"| Code | Topic |", "| ZR4 | [[12|Grid]] |", "|ZR1|a & b"},
                   "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
                   "<tr><th align=\"left\">Code</th><th align=\"left\">Topic</th></tr>\n"
                   "<tr><td align=\"left\">ZR4</td><td align=\"left\"><a href=\"topic:12\">Grid</a></td></tr>\n"
                   "<tr><td align=\"left\">ZR1</td><td align=\"left\">a &amp; b</td></tr>\n"
                   "</table>\n"},
        RenderCase{"PreformattedKeepsBlanksAndMarkup",
                   {"> \"01\",\"5\"  **x** [[1]]", ">", ">   <end>"},
                   "<pre>&quot;01&quot;,&quot;5&quot;  **x** [[1]]\n\n  &lt;end&gt;\n</pre>\n"},
        RenderCase{"BlocksFollowEachOther",
                   {"para", "* item", "| a |", "> pre", "last"},
                   "<p>para</p>\n<ul>\n<li>item</li>\n</ul>\n"
                   "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
                   "<tr><th align=\"left\">a</th></tr>\n</table>\n<pre>pre\n</pre>\n<p>last</p>\n"}),
    [](const testing::TestParamInfo<RenderCase> &info) { return std::string(info.param.name); });

TEST(HelpFileTest, BrokenLinksNameTopicAndTarget)
{
    const HelpFile file = ParseOrFail("@topic 1 One\n[[2]] [[3|x]] [[1]]\n> [[9]]\n@topic 2 Two\n| [[7|y]] |\n");
    EXPECT_EQ(file.BrokenLinks(), (std::vector<std::pair<int, int>>{{1, 3}, {2, 7}}));
}

TEST(HelpFileTest, TopicFromLinkAcceptsOnlyTopicNumbers)
{
    EXPECT_EQ(TopicFromLink("topic:23"), 23);
    EXPECT_EQ(TopicFromLink("topic:0"), 0);
    EXPECT_EQ(TopicFromLink("topic:"), 0);
    EXPECT_EQ(TopicFromLink("topic:8x"), 0);
    EXPECT_EQ(TopicFromLink("http://example.org/"), 0);
}

// The help file the program ships with.
class ShippedHelpTest : public testing::Test {
protected:
    void SetUp() override
    {
        const Result<HelpFile> read = ReadHelpFile(ShippedHelpPath());
        ASSERT_TRUE(read) << FailureText(read.Error());
        file = *read;
    }
    HelpFile file;
};

TEST_F(ShippedHelpTest, HoldsContentsQuickStartAndIndexOfTables)
{
    ASSERT_NE(file.Find(1), nullptr);
    ASSERT_NE(file.Find(8), nullptr);
    ASSERT_NE(file.Find(23), nullptr);
    EXPECT_EQ(file.Contents().number, 1);
    EXPECT_EQ(file.Find(8)->title, "Quick start");
    EXPECT_EQ(file.Find(23)->title, "Index of tables");
}

TEST_F(ShippedHelpTest, IndexOfTablesGivesEveryTableWithYearsQuartersAndLines)
{
    struct Row {
        const char *code, *years, *quarters, *lines;
    };
    const Row rows[] = {{"ZR4", "1948-2008", "241", "18"}, {"ZR1", "1948-2008", "241", "60"},
                        {"ZR5N", "1990-2008", "73", "46"}, {"ZR5", "1958-2001", "176", "36"},
                        {"ZR5H", "1948-1957", "40", "33"}, {"ZR6N", "2001-2008", "29", "33"},
                        {"ZR6", "1998-2001", "16", "23"},  {"ZR7N", "2001-2008", "29", "27"},
                        {"ZR7", "1958-2001", "176", "17"}, {"ZR7H", "1948-1957", "40", "14"}};
    const std::string html = RenderTopicHtml(*file.Find(23), file);
    for (const Row &row : rows) {
        const std::string cells = std::string("<td align=\"left\">") + row.code + "</td><td align=\"left\">"
            + row.years + "</td><td align=\"left\">" + row.quarters + "</td><td align=\"left\">" + row.lines
            + "</td>";
        EXPECT_NE(html.find(cells), std::string::npos) << row.code;
    }
}

TEST_F(ShippedHelpTest, EveryTopicHasKeywordsAndIsLinkedFromAnotherAndEveryLinkResolves)
{
    EXPECT_TRUE(file.BrokenLinks().empty());
    std::set<int> linked;
    for (const HelpTopic &topic : file.Topics()) {
        EXPECT_FALSE(topic.keywords.empty()) << topic.number;
        EXPECT_FALSE(topic.body.empty()) << topic.number;
        const std::string html = RenderTopicHtml(topic, file);
        for (std::size_t at = html.find("href=\"topic:"); at != std::string::npos;
             at = html.find("href=\"topic:", at + 1)) {
            const int target = TopicFromLink(html.substr(at + 6, html.find('"', at + 6) - at - 6));
            if (target != topic.number)
                linked.insert(target);
        }
    }
    for (const HelpTopic &topic : file.Topics()) {
        if (topic.number != 1) {
            EXPECT_TRUE(linked.count(topic.number)) << "topic " << topic.number << " is not linked";
        }
    }
}

TEST_F(ShippedHelpTest, IsPlainAsciiAndDescribesTheProgramsOwnTexts)
{
    const std::optional<std::string> text = ReadWholeFile(ShippedHelpPath());
    ASSERT_TRUE(text);
    EXPECT_TRUE(std::all_of(text->begin(), text->end(), [](char c) { return static_cast<unsigned char>(c) < 128; }));
    for (const char *phrase : {"1. Table", "2. Specific table", "3. Quarters", "4. Select States", "5. Display",
                               "/UNSUPPRESSED", "Reset to default", "Change path to ZR files", "Print active window",
                               "Print Table for selected areas", "Copy selected to clipboard", "Export to file",
                               "Reverse years", "Close All", "Minimize All", "Format of exported files"})
        EXPECT_NE(text->find(phrase), std::string::npos) << phrase;
}

// The record formats topic lists every format of the export wizard, with
// the extension its per-area files take, and counts them right.
TEST_F(ShippedHelpTest, RecordFormatsTopicListsEveryExportFormat)
{
    const HelpTopic *topic = file.Find(18);
    ASSERT_NE(topic, nullptr);
    const char *const counts[] = {"No", "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine"};
    ASSERT_LT(ExportFormatCount, 10);
    std::string text;
    for (const std::string &line : topic->body)
        text += line + " ";
    EXPECT_NE(text.find(std::string(counts[ExportFormatCount]) + " formats"), std::string::npos) << text.substr(0, 120);
    for (const ExportFormatInfo &format : ExportFormats()) {
        const auto row = std::find_if(topic->body.begin(), topic->body.end(), [&format](const std::string &line) {
            return line.rfind("| " + std::string(format.WizardCaption) + " |", 0) == 0;
        });
        ASSERT_NE(row, topic->body.end()) << format.WizardCaption;
        const std::string ending = "| " + std::string(format.Extension);
        EXPECT_EQ(row->substr(row->size() - std::min(row->size(), ending.size())), ending) << *row;
    }
}

TEST_F(ShippedHelpTest, DisplayTopicGivesTheChecksInTheProgramsOrder)
{
    // The order the display command checks: nothing chosen asks for the
    // table, a table alone for the areas, then the quarters.
    ProgramState state;
    const SelectionProblem noTable = DisplayReadiness(state);
    state.TableCode = "ZR4";
    const SelectionProblem noAreas = DisplayReadiness(state);
    state.AreaSelected = AreaFlagsFromChoice({2, 5});
    const std::vector<SelectionProblem> order{noTable, noAreas, DisplayReadiness(state)};
    ASSERT_EQ(order, (std::vector<SelectionProblem>{SelectionProblem::NoTable, SelectionProblem::NoAreas,
                                                    SelectionProblem::NoQuarters}));
    const Result<HelpFile> file = ReadHelpFile(ShippedHelpPath());
    ASSERT_TRUE(file);
    const HelpTopic *topic = file->Find(9);
    ASSERT_NE(topic, nullptr);
    std::string text;
    for (const std::string &line : topic->body)
        text += line + " ";
    const std::size_t start = text.find("in this order");
    ASSERT_NE(start, std::string::npos);
    std::size_t last = start;
    for (const SelectionProblem problem : order) {
        // The message's first words, as the help may break its line.
        const std::string words = ReadinessMessage(problem)->text.substr(0, 16);
        const std::size_t at = text.find(words, start);
        ASSERT_NE(at, std::string::npos) << words;
        EXPECT_GT(at, last) << words;
        last = at;
    }
}

} // namespace
} // namespace tarvel

#include "core/export/batch_command.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/area_sort.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace tarvel {
namespace {

std::vector<std::uint8_t> Flags(int count, const std::vector<int> &chosen)
{
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(count) + 1, 0);
    for (const int n : chosen)
        flags[static_cast<std::size_t>(n)] = 255;
    return flags;
}

// What /bin/sh makes of a command line: each word on a line of its own.
std::string ShellWords(const std::string &words)
{
    std::string output;
    FILE *pipe = popen(("printf '%s\\n' " + words).c_str(), "r");
    if (!pipe)
        return "<no shell>";
    std::array<char, 256> buffer{};
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

TEST(BatchCommand, ShellReadsEveryQuotedWordBackAsItWas)
{
    const std::vector<std::pair<std::string, std::string>> quoted{
        {"export", "export"},
        {"/data/ZR files/", "'/data/ZR files/'"},
        {"", "''"},
        {"it's", "'it'\\''s'"},
        {"2007.2-2008.1", "2007.2-2008.1"},
        {"$HOME*", "'$HOME*'"},
        {"a\"b`c\\d", "'a\"b`c\\d'"},
        {"~/x;rm -rf y", "'~/x;rm -rf y'"},
        {"Caf\xc3\xa9.csv", "'Caf\xc3\xa9.csv'"},
    };
    std::string words;
    std::string expected;
    for (const auto &[word, text] : quoted) {
        EXPECT_EQ(ShellQuote(word), text) << word;
        words += " " + text;
        expected += word + "\n";
    }
    EXPECT_EQ(ShellWords(words), expected);
    EXPECT_EQ(ShellCommand({"a b", "c"}), "'a b' c");
}

TEST(BatchCommand, ChoicesBecomeTheValuesTarvelBatchReads)
{
    EXPECT_EQ(NumberRangesText(Flags(60, {})), "");
    EXPECT_EQ(NumberRangesText(Flags(60, {2})), "2");
    EXPECT_EQ(NumberRangesText(Flags(60, {1, 2, 3, 5, 7, 8, 60})), "1-3,5,7-8,60");
    std::vector<int> every;
    for (int n = 1; n <= 60; ++n)
        every.push_back(n);
    EXPECT_EQ(NumberRangesText(Flags(60, every)), "all");

    EXPECT_EQ(QuartersText(Flags(73, {}), "ZR5N"), "");
    EXPECT_EQ(QuartersText(Flags(73, {73}), "ZR5N"), "2008.1");
    EXPECT_EQ(QuartersText(Flags(73, {70, 71, 72, 73}), "ZR5N"), "2007.2-2008.1");
    EXPECT_EQ(QuartersText(Flags(73, {1, 73}), "ZR5N"), "1990.1,2008.1");
    std::vector<int> all;
    for (int k = 1; k <= 73; ++k)
        all.push_back(k);
    EXPECT_EQ(QuartersText(Flags(73, all), "ZR5N"), "all");
}

class BatchCommandTest : public testing::Test {
protected:
    BatchCommandTest()
    {
        base.Program = "/opt/tarvel/bin/tarvel-batch";
        base.WorkingFolder = "/home/ann/work/";
        selection.Paths = {"/opt/tarvel/bin/", "/data/zr/", false};
        selection.AreaSelected[2] = 255;
        selection.AreaSelected[6] = 255;
        selection.QuarterSelected = Flags(73, {70, 71, 72, 73});
        options.TableCode = "ZR5N";
        options.FileName = "out/two states.csv";
        for (int k = 1; k <= LineCount("ZR5N"); ++k)
            options.Lines.push_back({"line " + std::to_string(k), k <= 3});
    }

    BatchCommandBase base;
    ExportOptions options;
    ExportSelection selection;
};

TEST_F(BatchCommandTest, ExportNamesEveryChoiceThatIsNotTheDefault)
{
    EXPECT_EQ(ExportCommand(base, options, selection).Text,
              "/opt/tarvel/bin/tarvel-batch --data /data/zr/ export --table ZR5N --areas 2,6 --quarters "
              "2007.2-2008.1 --lines 1-3 --format comma --output '/home/ann/work/out/two states.csv'");

    options.Format = ExportFormat::Tab;
    options.Output = ExportOutput::FilePerArea;
    options.FileName = "/tmp/per area/";
    options.Header = false;
    options.LineTitle = false;
    options.AreaName = true;
    options.Quote = false;
    options.Append = true;
    options.Footnotes = true;
    selection.Paths.Unsuppressed = true;
    EXPECT_EQ(ExportCommand(base, options, selection).Text,
              "/opt/tarvel/bin/tarvel-batch --unsuppressed --data /data/zr/ export --table ZR5N --areas 2,6 "
              "--quarters 2007.2-2008.1 --lines 1-3 --format tab --per-area '/tmp/per area/' --no-header "
              "--no-line-titles --area-names --no-quotes --append --footnotes");

    // A workbook is never appended to nor quoted: the ticks it ignores are left out.
    options.Format = ExportFormat::Workbook;
    options.Output = ExportOutput::OneFile;
    options.FileName = "/tmp/book.xlsx";
    const BatchCommand book = ExportCommand(base, options, selection);
    EXPECT_EQ(book.Text.find("--append"), std::string::npos) << book.Text;
    EXPECT_EQ(book.Text.find("--no-quotes"), std::string::npos) << book.Text;
    EXPECT_NE(book.Text.find("--format xlsx --output /tmp/book.xlsx"), std::string::npos) << book.Text;

    // The table whose lines are the areas needs no chosen area.
    options.TableCode = "ZR1";
    options.Lines.resize(60);
    selection.AreaSelected = {};
    selection.QuarterSelected = Flags(241, {241});
    EXPECT_NE(ExportCommand(base, options, selection).Text.find("--table ZR1 --areas all --quarters 2008.1"),
              std::string::npos);
}

TEST_F(BatchCommandTest, ExportWithoutWhatTheWizardAsksForHasNoCommand)
{
    struct Case {
        const char *what;
        void (*change)(ExportOptions &, ExportSelection &);
    } const cases[] = {
        {"no line", [](ExportOptions &o, ExportSelection &) { o.Lines.assign(o.Lines.size(), {"x", false}); }},
        {"no file", [](ExportOptions &o, ExportSelection &) { o.FileName = "-no file selected-"; }},
        {"a folder for one file", [](ExportOptions &o, ExportSelection &) { o.FileName = "/tmp/"; }},
        {"a file per area", [](ExportOptions &o, ExportSelection &) { o.Output = ExportOutput::FilePerArea; }},
        {"no area", [](ExportOptions &, ExportSelection &s) { s.AreaSelected = {}; }},
        {"no quarter", [](ExportOptions &, ExportSelection &s) { s.QuarterSelected = Flags(73, {}); }},
        {"no data folder", [](ExportOptions &, ExportSelection &s) { s.Paths.DataFolder.clear(); }},
    };
    for (const Case &c : cases) {
        ExportOptions changed = options;
        ExportSelection chosen = selection;
        c.change(changed, chosen);
        const BatchCommand command = ExportCommand(base, changed, chosen);
        EXPECT_FALSE(command.Made()) << c.what << ": " << command.Text;
        EXPECT_FALSE(command.Reason.empty()) << c.what;
    }
}

TEST_F(BatchCommandTest, PrintAllGoesToTextAndHtmlFilesOnly)
{
    PrintOptions print;
    print.PrintToFile = true;
    print.PrintFileName = "all areas.htm";
    print.IncludeFootnotes = true;
    const std::vector<std::uint8_t> quarters = Flags(73, {70, 71, 72, 73});
    EXPECT_EQ(PrintAllCommand(base, selection.Paths, "ZR5N", {2, 6}, quarters, true, print).Text,
              "/opt/tarvel/bin/tarvel-batch --data /data/zr/ print --table ZR5N --areas 2,6 --quarters "
              "2007.2-2008.1 --output '/home/ann/work/all areas.htm' --footnotes --reverse");
    // One pass holds every area of the table whose lines are the areas.
    EXPECT_EQ(PrintAllCommand(base, selection.Paths, "ZR1", {1}, Flags(241, {241}), false, print).Text,
              "/opt/tarvel/bin/tarvel-batch --data /data/zr/ print --table ZR1 --quarters 2008.1 --output "
              "'/home/ann/work/all areas.htm' --footnotes");

    struct Case {
        const char *what;
        bool toFile;
        const char *file;
        std::vector<int> areas;
    } const cases[] = {
        {"a printer", false, "x.txt", {2, 6}},
        {"a PDF", true, "/tmp/x.PDF", {2, 6}},
        {"no file", true, "  ", {2, 6}},
        {"areas backwards", true, "x.txt", {6, 2}},
        {"no area", true, "x.txt", {}},
    };
    for (const Case &c : cases) {
        PrintOptions changed = print;
        changed.PrintToFile = c.toFile;
        changed.PrintFileName = c.file;
        const BatchCommand command = PrintAllCommand(base, selection.Paths, "ZR5N", c.areas, quarters, false, changed);
        EXPECT_FALSE(command.Made()) << c.what << ": " << command.Text;
        EXPECT_FALSE(command.Reason.empty()) << c.what;
    }
}

// The active window's own quarters and their order make the command; the
// windows tarvel-batch cannot print have none.
TEST_F(BatchCommandTest, PrintWindowReadsItsQuartersFromTheWindow)
{
    const DataPaths paths{"/nonexistent/", test::SampleDataDir(), false};
    TableViewRequest request;
    request.Paths = paths;
    request.Code = "ZR6N";
    request.CurrentArea = 5;
    request.QuarterSelected = Flags(29, {20, 21, 22, 29});
    request.Reverse = true;
    Result<Grid> grid = BuildTableView(request);
    ASSERT_TRUE(grid) << FailureText(grid.Error());
    PrintOptions print;
    print.PrintToFile = true;
    print.PrintFileName = "/tmp/w.txt";
    const PrintSnapshot snapshot = PrintSnapshot::FromGrid(*grid);
    EXPECT_EQ(PrintWindowCommand(base, paths, snapshot, print, false).Text,
              "/opt/tarvel/bin/tarvel-batch --data " + paths.DataFolder
                  + " print --table ZR6N --areas 5 --quarters 2005.4,2006.1,2006.2,2008.1 --output /tmp/w.txt "
                    "--reverse");

    EXPECT_FALSE(PrintWindowCommand(base, paths, snapshot, print, true).Made()); // sorted
    PrintSnapshot document = PrintSnapshot::FromDocument("ZR6Nfn.txt", "text", ChildKind::Document);
    EXPECT_FALSE(PrintWindowCommand(base, paths, document, print, false).Made());
    OneLineSource source{"ZR6N", 1, "Compensation", Flags(29, {29})};
    Result<Grid> oneLine = BuildOneLineView(paths, source, false);
    ASSERT_TRUE(oneLine);
    const BatchCommand line = PrintWindowCommand(base, paths, PrintSnapshot::FromGrid(*oneLine), print, false);
    EXPECT_FALSE(line.Made());
    EXPECT_NE(line.Reason.find("one-line"), std::string::npos) << line.Reason;
}

} // namespace
} // namespace tarvel

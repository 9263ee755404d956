// The listing commands' CSV and JSON forms, read back with Python's csv
// and json modules and compared field by field with their text form; and
// --sort.
#include "cli/batch_commands.h"

#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

test::BatchOutcome RunSample(std::vector<std::string> args, bool unsuppressed = false)
{
    return test::RunBatch(test::WithData(std::move(args), test::SampleDataDir(), unsuppressed));
}

// The checker's output and exit status.
struct Check {
    int status = -1;
    std::string output;
};

Check RunChecker(const std::vector<std::string> &args)
{
    std::string command = std::string(TARVEL_PYTHON3) + " " + TARVEL_CHECK_SCRIPT_OUTPUT;
    for (const std::string &arg : args)
        command += " '" + arg + "'";
    Check check;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return check;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        check.output.append(buffer, n);
    check.status = pclose(pipe);
    return check;
}

struct FormsCase {
    const char *name;
    std::vector<std::string> args;
    bool unsuppressed = false;
    const char *sortedQuarter = nullptr;
    const char *order = nullptr;
    bool withheld = true; ///< the grid shows withheld cells
};

void PrintTo(const FormsCase &c, std::ostream *os)
{
    *os << c.name;
}

class GridForms : public testing::TestWithParam<FormsCase> {};

// The three forms of one grid agree on every value, code, title and flag.
TEST_P(GridForms, CsvAndJsonHoldEveryValueOfTheGrid)
{
    const FormsCase &c = GetParam();
    TempFolder folder;
    std::vector<std::string> files;
    for (const char *form : {"text", "csv", "json"}) {
        std::vector<std::string> args = c.args;
        if (std::string(form) != "text")
            args.insert(args.end(), {"--format", form});
        const test::BatchOutcome r = RunSample(args, c.unsuppressed);
        ASSERT_EQ(r.status, batch::ExitOk) << form << ": " << r.err;
        ASSERT_FALSE(r.out.empty()) << form;
        files.push_back(folder.Write(std::string("out.") + form, r.out));
    }
    std::vector<std::string> args{"grid", files[0], files[1], files[2]};
    if (c.sortedQuarter)
        args.insert(args.end(), {c.sortedQuarter, c.order});
    const Check check = RunChecker(args);
    EXPECT_EQ(check.status, 0) << check.output;
    // The grids with withheld cells put the flags to the test.
    std::smatch count;
    ASSERT_TRUE(std::regex_search(check.output, count, std::regex("withheld cells: (\\d+)"))) << check.output;
    EXPECT_EQ(std::stoi(count[1]) > 0, c.withheld) << check.output;
    // The values as stored, with the decimals the grid rounds away.
    EXPECT_TRUE(std::regex_search(test::FileBytes(files[1]), std::regex(",-?[0-9]*\\.[0-9]+,")));

    // A value changed in the CSV, or a reason dropped from the JSON, is seen.
    std::string csv = test::FileBytes(files[1]);
    const std::size_t digit = csv.find_first_of("123456789", csv.find('\n', csv.find('\n') + 1));
    ASSERT_NE(digit, std::string::npos);
    csv[digit] = csv[digit] == '9' ? '8' : static_cast<char>(csv[digit] + 1);
    const std::string changed = folder.Write("changed.csv", csv);
    EXPECT_EQ(RunChecker({"grid", files[0], changed, files[2]}).status == 0, false) << "a changed value passed";
}

INSTANTIATE_TEST_SUITE_P(
    Batch, GridForms,
    testing::Values(
        FormsCase{"ShowAllQuarters", {"show", "--table", "ZR5N", "--area", "2", "--quarters", "all"}},
        FormsCase{"ShowZr6", {"show", "--table", "ZR6", "--area", "5", "--quarters", "all"}},
        FormsCase{"ShowLineReversed", {"show-line", "--table", "ZR7N", "--line", "5", "--quarters", "last8",
                                       "--reverse"}},
        FormsCase{"ShowLineUnsuppressed", {"show-line", "--table", "ZR7N", "--line", "5", "--quarters", "all"}, true},
        FormsCase{"ShowLineSortedLowestFirst",
                  {"show-line", "--table", "ZR7N", "--line", "5", "--quarters", "all", "--sort", "2007.3:asc"},
                  false,
                  "2007.3",
                  "lowest first"},
        FormsCase{"ShowZr1SortedHighestFirst",
                  {"show", "--table", "ZR1", "--area", "1", "--quarters", "all", "--sort", "1990.1"},
                  false,
                  "1990.1",
                  "highest first",
                  false}),
    [](const testing::TestParamInfo<FormsCase> &info) { return std::string(info.param.name); });

TEST(ListForms, TablesAreasAndLinesAgreeWithTheirText)
{
    TempFolder folder;
    const std::vector<std::pair<std::string, std::vector<std::string>>> lists{
        {"tables", {"tables"}}, {"areas", {"areas"}}, {"lines", {"lines", "--table", "ZR5N"}}};
    for (const auto &[name, command] : lists) {
        std::vector<std::string> files;
        for (const char *form : {"text", "csv", "json"}) {
            std::vector<std::string> args = command;
            args.insert(args.end(), {"--format", form});
            const test::BatchOutcome r = RunSample(args);
            ASSERT_EQ(r.status, batch::ExitOk) << name << " " << form << ": " << r.err;
            files.push_back(folder.Write(name + "." + form, r.out));
        }
        const Check check = RunChecker({"list", name, files[0], files[1], files[2]});
        EXPECT_EQ(check.status, 0) << name << ": " << check.output;
    }
}

// Text stays what it always was, asked for or not.
TEST(ListForms, TextIsTheDefault)
{
    for (const std::vector<std::string> &command :
         {std::vector<std::string>{"tables"}, {"areas"}, {"lines", "--table", "ZR6"},
          {"show", "--table", "ZR6", "--area", "3"}, {"show-line", "--table", "ZR6", "--line", "2"}}) {
        const test::BatchOutcome plain = RunSample(command);
        std::vector<std::string> args = command;
        args.insert(args.end(), {"--format", "text"});
        const test::BatchOutcome text = RunSample(args);
        ASSERT_EQ(plain.status, batch::ExitOk) << command[0] << plain.err;
        EXPECT_EQ(text.out, plain.out) << command[0];
        EXPECT_EQ(text.status, batch::ExitOk);
    }
}

TEST(SortOption, RanksTheStatesAndSaysSoInTheCaption)
{
    const test::BatchOutcome plain = RunSample({"show-line", "--table", "ZR5N", "--line", "1"});
    const test::BatchOutcome sorted = RunSample({"show-line", "--table", "ZR5N", "--line", "1", "--sort", "2008.1"});
    const test::BatchOutcome desc = RunSample({"show-line", "--table", "ZR5N", "--line", "1", "--sort", "2008.1:desc"});
    ASSERT_EQ(sorted.status, batch::ExitOk) << sorted.err;
    EXPECT_EQ(desc.out, sorted.out);
    ASSERT_EQ(sorted.lines.size(), plain.lines.size());
    EXPECT_EQ(sorted.lines[0], plain.lines[0] + " - sorted by 2008.1, highest first");
    // The nation, the spacers and the regions stay; the states hold the same rows.
    for (std::size_t i = 1; i < sorted.lines.size(); ++i) {
        if (i < 4 || i > 54) {
            EXPECT_EQ(sorted.lines[i], plain.lines[i]) << i;
        }
    }
    std::vector<std::string> before(plain.lines.begin() + 4, plain.lines.begin() + 55);
    std::vector<std::string> after(sorted.lines.begin() + 4, sorted.lines.begin() + 55);
    EXPECT_NE(before, after);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);
}

TEST(SortOption, WrongValuesAreUsageErrors)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"show-line", "--table", "ZR5N", "--line", "1", "--sort", "2008.1:up"}, "--sort takes QUARTER"},
        {{"show-line", "--table", "ZR5N", "--line", "1", "--sort", "1989.4"}, "--sort needs a quarter of ZR5N"},
        {{"show-line", "--table", "ZR5N", "--line", "1", "--sort", "2008.5"}, "--sort needs a quarter of ZR5N"},
        {{"show-line", "--table", "ZR5N", "--line", "1", "--sort", "2000.1"}, "is not among the quarters shown"},
        {{"show", "--table", "ZR5N", "--area", "2", "--sort", "2008.1"}, "--sort ranks areas"},
        {{"show", "--table", "ZR5N", "--area", "2", "--format", "xml"}, "is not an output format of show"},
        {{"tables", "--format", "comma"}, "(text, csv, json)"},
        {{"export", "--table", "ZR5N", "--areas", "2", "--format", "csv", "--output", "-"}, "needs --format comma"},
    };
    for (const auto &[args, message] : cases) {
        const test::BatchOutcome r = RunSample(args);
        EXPECT_EQ(r.status, batch::ExitUsage) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << args.back();
    }
}

} // namespace
} // namespace tarvel

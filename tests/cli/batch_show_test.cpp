#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/one_line_view.h"
#include "sample_data.h"
#include "batch_run.h"
#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

using Outcome = test::BatchOutcome;

// A folder with the sample ZR6 and ZR1 tables in both modes, written once.
class BatchShow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<TempFolder>();
        sample::Options options;
        options.tables = {"ZR6", "ZR1"};
        options.documents = false;
        ASSERT_EQ(sample::WriteSampleFolder(s_folder->Path(), options), "");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    static Outcome Run(std::vector<std::string> args)
    {
        return test::RunBatch(test::WithData(std::move(args), s_folder->Path()));
    }

    static std::vector<std::string> Cells(const std::string &line)
    {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos)
                return cells;
            start = tab + 1;
        }
    }

    // Every quarter cell a view can show.
    static bool IsCellText(const std::string &text)
    {
        static const std::regex pattern(R"(\(D\)|\(N\)|-?\d{1,3}(,\d{3})*( \*)?)");
        return std::regex_match(text, pattern);
    }

    static inline std::unique_ptr<TempFolder> s_folder;
};

TEST_F(BatchShow, ShowPrintsCaptionThenEveryRowWithTabs)
{
    const Outcome r = Run({"show", "--table", "ZR6", "--area", "2"});
    ASSERT_EQ(r.status, batch::ExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    ASSERT_EQ(r.out.back(), '\n');
    ASSERT_EQ(r.lines.size(), 1u + 1u + 24u); // caption, row 0, 24 layout rows

    const auto &area = sample::Areas()[1];
    EXPECT_EQ(r.lines[0], "ZR6 SIC series 1998-2001 ~ " + Trim(area.name) + " [" + area.code + "]");
    EXPECT_EQ(r.lines[1], "     Item\t2001.1\t2001.2\t2001.3\t2001.4");
    EXPECT_EQ(r.lines[1 + 6], "Compensation of employees by industry\t\t\t\t");

    const auto titles = sample::LineTitles("ZR6");
    int line = 0;
    for (int row = 1; row <= 24; ++row) {
        if (row == 6)
            continue;
        const auto cells = Cells(r.lines[static_cast<std::size_t>(1 + row)]);
        ASSERT_EQ(cells.size(), 5u) << "row " << row;
        EXPECT_EQ(cells[0], TrimRight(titles[static_cast<std::size_t>(line++)].title)) << "row " << row;
        for (std::size_t c = 1; c < cells.size(); ++c)
            EXPECT_TRUE(IsCellText(cells[c])) << "row " << row << ": \"" << cells[c] << "\"";
    }
}

TEST_F(BatchShow, QuartersAndReverseOrderTheColumns)
{
    const Outcome forward = Run({"show", "--table", "ZR6", "--area", "5", "--quarters", "2000.1,1998.3"});
    ASSERT_EQ(forward.status, batch::ExitOk) << forward.err;
    EXPECT_EQ(forward.lines[1], "     Item\t1998.3\t2000.1");

    const Outcome reverse
        = Run({"show", "--table", "ZR6", "--area", "5", "--quarters", "2000.1,1998.3", "--reverse"});
    ASSERT_EQ(reverse.status, batch::ExitOk) << reverse.err;
    EXPECT_EQ(reverse.lines[1], "     Item\t2000.1\t1998.3");
    for (std::size_t i = 2; i < forward.lines.size(); ++i) {
        const auto a = Cells(forward.lines[i]);
        const auto b = Cells(reverse.lines[i]);
        EXPECT_EQ(a, (std::vector<std::string>{b[0], b[2], b[1]}));
    }
}

TEST_F(BatchShow, Zr1IgnoresTheArea)
{
    const Outcome r = Run({"show", "--table", "ZR1", "--area", "99"});
    ASSERT_EQ(r.status, batch::ExitOk) << r.err;
    ASSERT_EQ(r.lines.size(), 1u + 64u);
    EXPECT_EQ(r.lines[0], "ZR1 Current series 1948-2008 ~ Personal Income");
    EXPECT_EQ(r.lines[1 + 55], "    ZUL Regions\t\t\t\t");
    EXPECT_EQ(r.lines[1 + 2], "\t\t\t\t");
}

TEST_F(BatchShow, ShowLinePrintsOneLineOfEveryArea)
{
    const Outcome r = Run({"show-line", "--table", "ZR6", "--line", "1", "--quarters", "all"});
    ASSERT_EQ(r.status, batch::ExitOk) << r.err;
    ASSERT_EQ(r.lines.size(), 1u + 64u);
    EXPECT_EQ(r.lines[0],
              "ZR6 SIC series 1998-2001 - " + ShortenLineTitle(Trim(sample::LineTitles("ZR6")[0].title)));
    const auto header = Cells(r.lines[1]);
    ASSERT_EQ(header.size(), 17u);
    EXPECT_EQ(header.front(), "    State");
    EXPECT_EQ(header[1], "1998.1");
    EXPECT_EQ(header.back(), "2001.4");
    EXPECT_EQ(r.lines[1 + 55], "    ZUL Regions" + std::string(16, '\t'));
    EXPECT_EQ(Cells(r.lines[1 + 1])[0], TrimRight(sample::Areas()[0].name));
    EXPECT_EQ(Cells(r.lines[1 + 63])[0], TrimRight(sample::Areas()[59].name));
    EXPECT_EQ(Cells(r.lines[1 + 63]).size(), 17u);
}

TEST_F(BatchShow, ShowLineMatchesTheAreaViewOfTheSameLine)
{
    // Line 3 of area 7 appears in both views with the same cells.
    const Outcome area = Run({"show", "--table", "ZR6", "--area", "7", "--quarters", "last8"});
    const Outcome line = Run({"show-line", "--table", "ZR6", "--line", "3", "--quarters", "last8"});
    ASSERT_EQ(area.status, batch::ExitOk) << area.err;
    ASSERT_EQ(line.status, batch::ExitOk) << line.err;
    auto fromArea = Cells(area.lines[1 + 3]);
    auto fromLine = Cells(line.lines[1 + 8]); // area 7 stands in row 8
    fromArea.erase(fromArea.begin());
    fromLine.erase(fromLine.begin());
    EXPECT_EQ(fromArea, fromLine);
}

// A value field as a view shows it, worked out here from the field's text:
// rounded to a whole number, halves away from zero, thousands separated by
// commas.
std::string ShownValue(const std::string &field)
{
    const long long whole = std::llround(std::strtod(field.c_str(), nullptr));
    std::string digits = std::to_string(whole < 0 ? -whole : whole);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return (whole < 0 ? "-" : "") + digits;
}

std::vector<std::string> SplitAt(const std::string &text, char separator)
{
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);)
        pieces.push_back(piece);
    return pieces;
}

TEST_F(BatchShow, UnsuppressedShowsEveryValue)
{
    const Outcome r = Run({"--unsuppressed", "show", "--table", "ZR6", "--area", "3", "--quarters", "all"});
    const Outcome published = Run({"show", "--table", "ZR6", "--area", "3", "--quarters", "all"});
    ASSERT_EQ(r.status, batch::ExitOk) << r.err;
    ASSERT_EQ(published.status, batch::ExitOk) << published.err;
    ASSERT_EQ(r.lines.size(), published.lines.size());

    // Area 3's records of the unsuppressed file, split at the commas: codes,
    // then one value field per quarter, then the flags (a non-zero flag
    // withholds the quarter from the published view).
    const std::string areaCode = sample::Areas()[2].code;
    std::vector<std::vector<std::string>> records;
    std::istringstream file(test::FileBytes(s_folder->Path() + "ZR6.xxx"));
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields = SplitAt(line, ',');
        if (!fields.empty() && fields[0] == areaCode)
            records.push_back(std::move(fields));
    }
    ASSERT_EQ(records.size(), sample::LineTitles("ZR6").size());

    constexpr std::size_t FirstValue = 5;
    std::size_t record = 0;
    int withheld = 0;
    for (std::size_t row = 2; row < r.lines.size(); ++row) {
        const std::vector<std::string> cells = Cells(r.lines[row]);
        const std::vector<std::string> shown = Cells(published.lines[row]);
        ASSERT_EQ(cells.size(), 1u + 16u) << "row " << row;
        if (cells[1].empty())
            continue; // a heading row
        ASSERT_LT(record, records.size()) << "row " << row;
        const std::vector<std::string> &fields = records[record++];
        ASSERT_EQ(fields.size(), FirstValue + 16u + 1u) << "row " << row;
        const std::string &flags = fields.back();
        for (std::size_t k = 1; k < cells.size(); ++k) {
            const bool flagged = flags[k - 1] != '0';
            // Every value is shown; a withheld one is marked with " *".
            EXPECT_EQ(cells[k], ShownValue(fields[FirstValue + k - 1]) + (flagged ? " *" : ""))
                << "row " << row << ", quarter " << k;
            if (flagged) {
                ++withheld;
                EXPECT_TRUE(shown[k] == "(D)" || shown[k] == "(N)") << "row " << row << ": " << shown[k];
            } else {
                EXPECT_EQ(shown[k], cells[k]) << "row " << row << ", quarter " << k;
            }
        }
    }
    EXPECT_EQ(record, records.size());
    EXPECT_GT(withheld, 0) << "area 3 has no withheld value to show";
}

struct ErrorCase {
    std::vector<std::string> args;
    int status;
    const char *message; // part of stderr
};

void PrintTo(const ErrorCase &c, std::ostream *os)
{
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        const std::string &arg = c.args[i];
        const bool plain =
            !arg.empty() && std::all_of(arg.begin(), arg.end(), [](char ch) { return ch > ' ' && ch < 0x7f; });
        *os << (i == 0 ? "" : " ") << (plain ? arg : test::CaseText(arg));
    }
    *os << " -> exit " << c.status;
}

class BatchShowErrors : public BatchShow, public testing::WithParamInterface<ErrorCase> {};

TEST_P(BatchShowErrors, ReportsWhatIsWrong)
{
    const Outcome r = Run(GetParam().args);
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    BatchShow, BatchShowErrors,
    testing::Values(ErrorCase{{"show", "--table", "ZR6", "--area", "61"}, 2, "area 61"},
                    ErrorCase{{"show", "--table", "ZR6", "--area", "0"}, 2, "area 0"},
                    ErrorCase{{"show", "--table", "ZR6", "--area", "two"}, 2, "two"},
                    ErrorCase{{"show", "--table", "ZR6"}, 2, "--area"},
                    ErrorCase{{"show", "--area", "1"}, 2, "--table"},
                    ErrorCase{{"show", "--table", "ZR9", "--area", "1"}, 2, "ZR9"},
                    ErrorCase{{"show", "--table", "ZR6", "--area", "1", "--quarters", "2002.1"}, 2, "2002.1"},
                    ErrorCase{{"show-line", "--table", "ZR6", "--line", "0"}, 2, "line 0"},
                    ErrorCase{{"show-line", "--table", "ZR6", "--line", "24"}, 2, "line 24"},
                    ErrorCase{{"show-line", "--table", "ZR6"}, 2, "--line"},
                    ErrorCase{{"show-line", "--table", "ZR1", "--line", "1"}, 2, "ZR1"},
                    ErrorCase{{"show-line", "--table", "ZR7", "--line", "1"}, 1, "could not be accessed."}));

TEST_F(BatchShow, MissingFileMessageNamesItInCapitals)
{
    const Outcome r = Run({"show", "--table", "ZR5", "--area", "1"});
    EXPECT_EQ(r.status, batch::ExitFile);
    EXPECT_EQ(r.err, "For some reason the file " + ToUpper(s_folder->Path() + "ZR5.dfx")
                         + " could not be accessed.\nNo such file or directory\n");
}

} // namespace
} // namespace tarvel

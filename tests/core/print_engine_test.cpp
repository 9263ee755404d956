#include "core/print/print_engine.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/print/text_target.h"
#include "core/views/table_view_builder.h"
#include "case_names.h"
#include "export_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <random>
#include <utility>

namespace tarvel {
namespace {

using test::RecordingSink;
using test::TempFolder;
using Rows = std::vector<std::vector<std::string>>;

const char *const Stamp = "6/15/2008 3:04:05 PM";

Grid MakeGrid(const std::string &caption, const Rows &rows, ChildKind tag = ChildKind::TableView)
{
    Grid grid(static_cast<int>(rows.size()), rows.empty() ? 0 : static_cast<int>(rows[0].size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            grid.SetCell(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
    }
    // The captions given begin with the table code.
    grid.Code = caption.substr(0, caption.find(' '));
    grid.Caption = caption;
    grid.Tag = tag;
    return grid;
}

// rows x columns of "Line r" titles and values r * 100 + c.
Grid NumberedGrid(const std::string &caption, int rows, int columns)
{
    const std::vector<std::string> labels{"2000.1", "2000.2", "2000.3", "2000.4", "2001.1", "2001.2", "2001.3"};
    Rows cells{{"     Item"}};
    for (int c = 1; c <= columns; ++c)
        cells[0].push_back(labels[static_cast<std::size_t>(c - 1)]);
    for (int r = 1; r <= rows; ++r) {
        cells.push_back({"Line " + std::to_string(r)});
        for (int c = 1; c <= columns; ++c)
            cells.back().push_back(std::to_string(r * 100 + c));
    }
    return MakeGrid(caption, cells);
}

Grid SmallTable()
{
    return MakeGrid("ZR4 NAICS series 1990-2008 ~ Alabama [01]",
                    {{"     Item", "2007.4", "2008.1", "2008.2"},
                     {"Personal income", "1,234,567", "1,240,001", "(D)"},
                     {"  Population (persons)", "4,627,851", "4,641,000", "4,661,900"},
                     {"", "", "", ""},
                     {"Per capita income", "32,404", "32,577", "(N)"}});
}

Grid AreaTable(const std::string &area, const std::string &v1, const std::string &v2)
{
    return MakeGrid("ZR4 NAICS series 1990-2008 ~ " + area,
                    {{"     Item", "2008.1", "2008.2"}, {"Personal income", v1, v2}}, ChildKind::PrintAll);
}

PrintOptions FileOptions(const std::string &file)
{
    PrintOptions options;
    options.PrintToFile = true;
    options.PrintFileName = file;
    options.PrintFontSize = 8;
    return options;
}

std::unique_ptr<PrintTarget> Target(const std::string &file)
{
    return MakeFileTarget(file, [] { return std::string(Stamp); });
}

std::string Expected(const std::string &name)
{
    return ReadWholeFile(test::TestDataDir() + "expected/print/" + name).value_or("<missing expected file>");
}

std::string Contents(const std::string &file)
{
    return ReadWholeFile(file).value_or("<no output>");
}

// Byte-exact table jobs, one window each, to a new file.
struct TableCase {
    const char *expected;
    std::function<Grid()> grid;
};

void PrintTo(const TableCase &c, std::ostream *os)
{
    *os << c.expected;
}

class TableJob : public testing::TestWithParam<TableCase> {};

TEST_P(TableJob, WritesTheFormatByteForByte)
{
    TempFolder folder;
    const std::string file = folder.Path() + "out" + std::filesystem::path(GetParam().expected).extension().string();
    RecordingSink sink;
    const auto target = Target(file);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(GetParam().grid()), *target, FileOptions(file), {}, sink),
              PrintStatus::Printed);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(target->IsOpen());
    EXPECT_EQ(Contents(file), Expected(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Print, TableJob,
    testing::Values(
        // Three data columns: one band of shorter lines, full-width rules.
        TableCase{"small_table.txt", SmallTable}, TableCase{"small_table.htm", SmallTable},
        // Two bands down, then the seventh column's two; no title for ZR5H.
        TableCase{"rows_130.txt", [] { return NumberedGrid("ZR5H SIC series 1958-2001 ~ Utah [49]", 130, 7); }},
        TableCase{"rows_131.txt", [] { return NumberedGrid("ZR7 SIC series 1958-2001 ~ Texas [48]", 131, 2); }},
        TableCase{"line_width_106.txt",
                  [] {
                      return MakeGrid(
                          "ZR5N NAICS series 1990-2008 ~ United States [00]",
                          {{"     Item", "2007.2", "2007.3", "2007.4", "2008.1", "2008.2", "2008.3"},
                           {"Wage and salary disbursements, private", "1,234,567", "1,240,001", "1,251,300",
                            "1,260,000", "1,270,450", "1,281,999"},
                           {"  Farm earnings", "-2,500", "-1,200", "0", "310", "(D)", "(N)"}});
                  }},
        TableCase{"indents.htm", [] {
                      return MakeGrid("ZR6 SIC series 1958-2001 ~ Ohio [39]",
                                      {{"     Item", "2008.1"},
                                       {"        Eight blanks", "1"},
                                       {"      Six blanks", "2"},
                                       {" One blank", "3"},
                                       {"Wages & <salaries>", "4"},
                                       {"", ""}});
                  }}));

TEST(PrintEngine, SecondHtmlJobToTheSameFileStartsWithARule)
{
    TempFolder folder;
    const std::string file = folder.Path() + "twice.htm";
    RecordingSink sink;
    for (int job = 0; job < 2; ++job) {
        const auto target = Target(file);
        EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), *target, FileOptions(file), {}, sink),
                  PrintStatus::Printed);
    }
    EXPECT_EQ(Contents(file), Expected("second_job.htm"));
}

class DocumentJob : public testing::TestWithParam<const char *> {};

TEST_P(DocumentJob, PrintsCaptionAndTextUnescaped)
{
    TempFolder folder;
    const std::string file = folder.Path() + "doc" + std::filesystem::path(GetParam()).extension().string();
    RecordingSink sink;
    const auto target = Target(file);
    const auto snapshot = PrintSnapshot::FromDocument(
        "ZR5N  footnotes (/data/ZR5Nfn.txt)", "1/ Estimates <in> thousands & millions.\r\n2/ Second note.",
        ChildKind::Document);
    EXPECT_EQ(PrintWindow(snapshot, *target, FileOptions(file), {}, sink), PrintStatus::Printed);
    EXPECT_EQ(Contents(file), Expected(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Print, DocumentJob, testing::Values("document.htm", "document.txt"));

// Print-all of three areas, built as the run asks for them.
AreaGridBuilder ThreeAreas()
{
    return [](int area) -> Result<Grid> {
        switch (area) {
        case 1: return AreaTable("Alabama [01]", "1,234,567", "1,240,001");
        case 2: return AreaTable("Alaska [02]", "27,001", "27,500");
        case 4: return AreaTable("Arizona [04]", "12,345,678", "12,400,000");
        default: return Failure::NotAccessible("/data/ZR4.dfx");
        }
    };
}

TEST(PrintAll, ThreeAreasToATextFileWithFootnotes)
{
    TempFolder data;
    data.Write("ZR4fn.txt", "1/ Footnote one.   \r\n2/ Footnote two.\r\n   ");
    TempFolder out;
    const std::string file = out.Path() + "all.txt";
    PrintOptions options = FileOptions(file);
    options.IncludeFootnotes = true;
    RecordingSink sink;
    const auto target = Target(file);
    const auto summary = PrintAllAreas({1, 2, 4}, ThreeAreas(), *target, options, {out.Path(), data.Path()}, sink);
    EXPECT_EQ(summary.Printed, 3);
    EXPECT_EQ(summary.Failed, 0);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(target->IsOpen());
    EXPECT_EQ(Contents(file), Expected("print_all.txt"));
}

TEST(PrintAll, ThreeAreasAppendedToAnExistingHtmlFileGetOneRuleAndOneCommentBlock)
{
    TempFolder out;
    const std::string file = out.Write("all.HTM", "<html>\r\n<p>An earlier job</p>\r\n");
    RecordingSink sink;
    const auto target = Target(file);
    const auto summary = PrintAllAreas({1, 2, 4}, ThreeAreas(), *target, FileOptions(file), {}, sink);
    EXPECT_EQ(summary.Printed, 3);
    EXPECT_EQ(Contents(file), Expected("print_all_existing.htm"));
}

TEST(PrintAll, AreaThatCannotBeBuiltIsSkippedAndTheLastBuiltOneEndsTheOutput)
{
    TempFolder data;
    data.Write("ZR4fn.txt", "Notes\r\n");
    TempFolder out;
    const std::string file = out.Path() + "skip.txt";
    PrintOptions options = FileOptions(file);
    options.IncludeFootnotes = true;
    RecordingSink sink;
    const auto target = Target(file);
    // Area 3 cannot be built, in the middle and at the end of the run.
    const auto summary =
        PrintAllAreas({1, 3, 2, 3}, ThreeAreas(), *target, options, {out.Path(), data.Path()}, sink);
    EXPECT_EQ(summary.Printed, 2);
    EXPECT_EQ(summary.Failed, 2);
    EXPECT_EQ(summary.FailedAreas, (std::vector<int>{3, 3}));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, FileNotAccessibleText("/data/ZR4.dfx"));

    const std::string text = Contents(file);
    EXPECT_NE(text.find("Alabama [01]"), std::string::npos);
    EXPECT_NE(text.find("Alaska [02]"), std::string::npos);
    // The footnotes still follow the last area printed, then the final form feed.
    EXPECT_TRUE(text.ends_with("HALVERN\r\n\f\r\nNotes\r\n\r\n\f\r\n")) << text;
}

// Print-all builds each area's table view: an area whose shown value is not
// a number is reported as damaged and left out; the others print.
TEST(PrintAll, AnAreaWithAValueThatIsNoNumberIsReportedAndLeftOut)
{
    TempFolder data;
    test::WriteExportFixture(data);
    test::PutValueField(data, "ZR6.dfx", "ZR6", 3, 4, 16, "  ABCDEFGH");
    TempFolder out;
    const std::string file = out.Path() + "all.txt";
    RecordingSink sink;
    const auto target = Target(file);
    const AreaGridBuilder build = [&data](int area) {
        TableViewRequest request;
        request.Paths = {"/nonexistent/", data.Path(), false};
        request.Code = "ZR6";
        request.CurrentArea = area;
        request.QuarterSelected.assign(static_cast<std::size_t>(QuarterCount("ZR6")) + 1, 0);
        request.QuarterSelected[15] = request.QuarterSelected[16] = 1;
        request.PrintAllMode = true;
        return BuildTableView(request);
    };
    const auto summary = PrintAllAreas({2, 3, 4}, build, *target, FileOptions(file), {}, sink);
    EXPECT_EQ(summary.Printed, 2);
    EXPECT_EQ(summary.Failed, 1);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "File damaged");
    EXPECT_EQ(sink.messages[0].text, "The file " + FileNameInCapitals(data.Path() + "ZR6.dfx")
                                         + " is damaged or incomplete: its record for area 3, line 4 holds a value "
                                           "for 2001.4 that is not a number.");
    const std::string text = Contents(file);
    EXPECT_NE(text.find("Alabama [01]"), std::string::npos);
    EXPECT_EQ(text.find("Alaska [02]"), std::string::npos);
    EXPECT_NE(text.find("Arizona [04]"), std::string::npos);
}

// An output that cannot be opened, or cannot take what is written, fails
// the run once, with the system's reason; it is no failure of the areas.
TEST(PrintAll, AnOutputThatFailsIsReportedOnceWithItsReason)
{
    TempFolder out;
    std::filesystem::create_directory(out.Path() + "folder.txt");
    struct Case {
        std::string file;
        const char *reason;
    };
    for (const Case &c : {Case{out.Path() + "folder.txt", "Is a directory"},
                          Case{out.Path() + "none/all.txt", "No such file or directory"},
                          Case{"/dev/full", "No space left on device"}}) {
        for (const bool whole : {false, true}) {
            RecordingSink sink;
            auto target = MakeFileTarget(c.file);
            target->SetWholeOrNothing(whole);
            const auto summary = PrintAllAreas({1, 2, 4}, ThreeAreas(), *target, FileOptions(c.file), {}, sink);
            EXPECT_EQ(summary.Printed, 0) << c.file;
            EXPECT_TRUE(summary.FailedAreas.empty()) << c.file;
            ASSERT_EQ(sink.messages.size(), 1u) << c.file;
            EXPECT_EQ(sink.messages[0].text, FileNotAccessibleText(c.file) + "\n" + c.reason);
        }
    }
}

TEST(PrintAll, ARunThatStopsLeavesTheEarlierFileByteForByte)
{
    // A builder that gives way after two areas (out of memory, say) ends the
    // run; the pages of the first two never reach the file.
    for (const char *name : {"all.txt", "all.htm", "new.txt"}) {
        TempFolder out;
        const std::string file = out.Path() + name;
        const bool existed = std::string(name) != "new.txt";
        if (existed)
            out.Write(name, "An earlier job\r\n");
        RecordingSink sink;
        const auto target = Target(file);
        const AreaGridBuilder failing = [](int area) -> Result<Grid> {
            if (area == 4)
                throw std::bad_alloc();
            return ThreeAreas()(area);
        };
        const auto summary = PrintAllAreas({1, 2, 4}, failing, *target, FileOptions(file), {}, sink);
        EXPECT_EQ(summary.Printed, 0);
        EXPECT_FALSE(target->IsOpen());
        EXPECT_EQ(Contents(file), existed ? "An earlier job\r\n" : "<no output>") << name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), existed ? 1 : 0);
    }
}

TEST(PrintEngine, AHugeFootnoteFileIsReportedByItsOwnName)
{
    TempFolder data;
    const std::string notes = data.Write("ZR4fn.txt", "Notes\r\n");
    std::filesystem::resize_file(notes, MaxTextFileSize + 1);
    const std::string file = data.Path() + "out.txt";
    PrintOptions options = FileOptions(file);
    options.IncludeFootnotes = true;
    RecordingSink sink;
    const auto target = Target(file);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), *target, options, {data.Path(), data.Path()}, sink),
              PrintStatus::Failed);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "File damaged");
    EXPECT_EQ(sink.messages[0].text, "The file " + FileNameInCapitals(notes)
                                         + " is damaged or incomplete: it is larger than 16 MB, more than such a "
                                           "file ever holds.");
    EXPECT_EQ(Contents(file), Expected("small_table.txt"));
}

TEST(PrintEngine, MissingFootnoteFileClosesTheOutputAtOnceAndKeepsThePages)
{
    TempFolder data;
    const std::string file = data.Path() + "out.txt";
    PrintOptions options = FileOptions(file);
    options.IncludeFootnotes = true;
    RecordingSink sink;
    const auto target = Target(file);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), *target, options, {data.Path(), data.Path()}, sink),
              PrintStatus::Failed);
    EXPECT_FALSE(target->IsOpen());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "File not accessible");
    EXPECT_NE(sink.messages[0].text.find(ToUpper(data.Path()) + "ZR4FN.TXT"), std::string::npos);
    // The page and the form feed before the footnotes; no closing form feed
    // (the page alone ends in one form feed, so the bytes match that file).
    EXPECT_EQ(Contents(file), Expected("small_table.txt"));
}

TEST(PrintEngine, GridWithoutDataColumnsPrintsOnePageOfTitles)
{
    TempFolder out;
    const std::string file = out.Path() + "titles.txt";
    RecordingSink sink;
    const auto target = Target(file);
    const Grid grid = MakeGrid("ZR5H SIC series 1958-2001 ~ Iowa [19]", {{"Item"}, {"A"}, {"Bb"}});
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(grid), *target, FileOptions(file), {}, sink), PrintStatus::Printed);
    // TitleWidth 6, CellWidth 0: LineWidth 6; the foot counts fall below 1.
    EXPECT_EQ(Contents(file), "Iowa [19]\r\n------\r\nItem  \r\n------\r\nA     \r\nBb    \r\n\r\n"
                              "See footnotes at end of table.MERIDANT\r\nTable ZR5HJune 2008HALVERN\r\n\f\r\n");
}

// A target that records the elements, measuring like a printer.
class RecordingTarget final : public PrintTarget {
public:
    explicit RecordingTarget(PrinterMeasures measures) : m_measures(measures) {}
    std::string FileName() const override { return {}; }
    bool IsOpen() const override { return m_open; }
    OpenResult Open() override
    {
        m_open = true;
        return OpenResult::NewOutput;
    }
    std::optional<PageGeometry> Geometry(int, int) override { return PrinterPageGeometry(m_measures); }
    void BeginFileOutput(bool) override { log += "begin;"; }
    void PageTop() override { log += "top;"; }
    void TitleLine(int kind, const std::string &) override { log += "title" + std::to_string(kind) + ";"; }
    void AreaLine(const std::string &text) override { log += "area " + text + ";"; }
    void HeaderRow(RowCells cells) override { log += "header" + std::to_string(cells.size()) + ";"; }
    void DataRow(RowCells cells) override { log += "row " + std::string(cells[0]) + ";"; }
    void PageFoot(const std::string &code) override { log += "foot " + code + ";"; }
    void PageBreak() override { log += "break;"; }
    void FootnoteText(const std::string &) override { log += "notes;"; }
    void DocumentHeading(const std::string &, bool) override {}
    void DocumentBody(const std::string &) override {}
    void DocumentEnd(bool) override {}
    bool EndOutput() override
    {
        m_open = false;
        log += "end;";
        return true;
    }
    std::string log;

private:
    PrinterMeasures m_measures;
    bool m_open = false;
};

TEST(PrintEngine, PrinterWithoutDataColumnsPrintsOnePageInsteadOfDividingByZero)
{
    // Room for two data rows a page: (1000 - 900) \ 30 - 1; a cell of width 0.
    RecordingTarget printer({1000, 1000, 100, 60, 0, 30});
    RecordingSink sink;
    PrintOptions options;
    options.PrintFontSize = 8;
    const Grid grid = MakeGrid("ZR5H SIC series 1958-2001 ~ Iowa [19]", {{"Item"}, {"A"}, {"B"}});
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(grid), printer, options, {}, sink), PrintStatus::Printed);
    EXPECT_EQ(printer.log, "begin;top;area Iowa [19];header1;row A;row B;foot ZR5H;break;end;");
}

TEST(PrintEngine, PrinterPagesRunDownThenAcrossWithAnEmptyLineAtEachTop)
{
    // W 1000, reference 600, cells of 200: 3 columns; H 1000, 15 x 60, lines
    // of 40: (1000 - 900) \ 40 - 1 = 1 row a page.
    RecordingTarget printer({1000, 1000, 600, 60, 200, 40});
    RecordingSink sink;
    PrintOptions options;
    options.PrintFontSize = 8;
    const Grid grid = NumberedGrid("ZR4 x ~ Utah [49]", 2, 4);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(grid), printer, options, {}, sink), PrintStatus::Printed);
    const std::string page = "top;title1;title2;area Utah [49];";
    EXPECT_EQ(printer.log, "begin;" + page + "header4;row Line 1;foot ZR4;break;" + page
                               + "header4;row Line 2;foot ZR4;break;" + page + "header2;row Line 1;foot ZR4;break;"
                               + page + "header2;row Line 2;foot ZR4;break;end;");
}

TEST(PrintEngine, FontTooLargeWarnsAndPrintsNothing)
{
    RecordingTarget printer({1000, 1000, 600, 67, 200, 40}); // 15 x 67 > 1000
    RecordingSink sink;
    PrintOptions options;
    options.PrintFontSize = 72;
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), printer, options, {}, sink), PrintStatus::Failed);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "Font too large");
    EXPECT_EQ(sink.messages[0].text, "The chosen printer font is too large. Please select 'Print active window...' "
                                     "again, and select a smaller font by hitting the 'Change Font' button.");
    EXPECT_EQ(printer.log, "begin;");
}

struct GeometryCase {
    PrinterMeasures measures;
    std::optional<PageGeometry> expected;
};

void PrintTo(const GeometryCase &c, std::ostream *os)
{
    const PrinterMeasures &m = c.measures;
    *os << "page " << test::CaseNumber(m.PageWidth) << 'x' << test::CaseNumber(m.PageHeight) << " ref "
        << test::CaseNumber(m.ReferenceWidth) << " 10X " << test::CaseNumber(m.TenXHeight) << " cell "
        << test::CaseNumber(m.CellWidth) << " X " << test::CaseNumber(m.XHeight) << " -> ";
    if (c.expected)
        *os << "columns " << c.expected->ColumnsPerPage << ", rows " << c.expected->RowsPerPage;
    else
        *os << "too small";
}

class PrinterGeometry : public testing::TestWithParam<GeometryCase> {};

TEST_P(PrinterGeometry, FollowsThePageArithmetic)
{
    const auto geometry = PrinterPageGeometry(GetParam().measures);
    ASSERT_EQ(geometry.has_value(), GetParam().expected.has_value());
    if (geometry) {
        EXPECT_EQ(geometry->ColumnsPerPage, GetParam().expected->ColumnsPerPage);
        EXPECT_EQ(geometry->RowsPerPage, GetParam().expected->RowsPerPage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Print, PrinterGeometry,
    testing::Values(
        // (1000 - 600) \ 200 + 1 = 3; (1000 - 15 x 40) \ 40 - 1 = 9.
        GeometryCase{{1000, 1000, 600, 40, 200, 40}, PageGeometry{3, 9}},
        // Measures round halves to even: 600.5 -> 600, 40.5 -> 40, 199.5 -> 200.
        GeometryCase{{1000, 1000, 600.5, 40.5, 199.5, 39.5}, PageGeometry{3, 9}},
        // The reference width or fifteen line heights filling the page.
        GeometryCase{{1000, 1000, 1000, 10, 10, 10}, std::nullopt},
        GeometryCase{{1000, 900, 100, 60, 10, 10}, std::nullopt},
        // Zero cell width and zero line height do not divide by zero.
        GeometryCase{{1000, 1000, 100, 10, 0, 0}, PageGeometry{1, 1}},
        // Fewer than two free lines still leave one row a page.
        GeometryCase{{1000, 1000, 100, 66, 10, 66}, PageGeometry{91, 1}}));

struct PlanCase {
    int lastRow;
    int lastCol;
    std::vector<std::vector<int>> pages; // first/last column, first/last row
};

void PrintTo(const PlanCase &c, std::ostream *os)
{
    *os << "last row " << c.lastRow << " column " << c.lastCol << " -> pages " << c.pages.size();
}

class PagePlanTest : public testing::TestWithParam<PlanCase> {};

TEST_P(PagePlanTest, RunsDownThenAcross)
{
    const auto pages = PagePlan(GetParam().lastRow, GetParam().lastCol, {6, 65});
    std::vector<std::vector<int>> got;
    for (const PageBand &band : pages)
        got.push_back({band.FirstColumn, band.LastColumn, band.FirstRow, band.LastRow});
    EXPECT_EQ(got, GetParam().pages);
}

INSTANTIATE_TEST_SUITE_P(
    Print, PagePlanTest,
    testing::Values(PlanCase{130, 6, {{1, 6, 1, 65}, {1, 6, 66, 130}}},
                    PlanCase{131, 6, {{1, 6, 1, 65}, {1, 6, 66, 130}, {1, 6, 131, 131}}},
                    PlanCase{65, 13, {{1, 6, 1, 65}, {7, 12, 1, 65}, {13, 13, 1, 65}}},
                    PlanCase{70, 0, {{1, 0, 1, 65}}}, // no data columns: one page
                    PlanCase{0, 3, {{1, 3, 1, 0}}}));

struct RefusedCase {
    const char *name;
    bool refused;
};

void PrintTo(const RefusedCase &c, std::ostream *os)
{
    *os << test::CaseText(c.name) << " -> " << (c.refused ? "refused" : "allowed");
}

class OutputName : public testing::TestWithParam<RefusedCase> {};

TEST_P(OutputName, NeverWritesIntoAFileTheProgramReads)
{
    TempFolder data;
    const std::string dataFile = data.Write("ZR4.dfx", "data\r\n");
    TempFolder program;
    std::filesystem::create_symlink(dataFile, program.Path() + "link.txt");
    const DataPaths paths{program.Path(), data.Path(), false};
    const std::string name = GetParam().name;
    const std::string file = (name.starts_with("program:") ? program.Path() + name.substr(8) : data.Path() + name);
    EXPECT_EQ(IsProgramInputFile(paths, file), GetParam().refused);
    if (!GetParam().refused)
        return;
    RecordingSink sink;
    const auto target = Target(file);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), *target, FileOptions(file), paths, sink),
              PrintStatus::Failed);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, RefusedOutputText(file));
    EXPECT_EQ(Contents(dataFile), "data\r\n");
}

INSTANTIATE_TEST_SUITE_P(Print, OutputName,
                         testing::Values(RefusedCase{"zr4.DFX", true}, RefusedCase{"ZR5Nfn.txt", true},
                                         RefusedCase{"STATCODE.CSV", true}, RefusedCase{"program:zr7line.csv", true},
                                         RefusedCase{"program:link.txt", true}, RefusedCase{"report.txt", false},
                                         RefusedCase{"ZR4.dfx.htm", false}));

TEST(PrintEngine, OutputThatCannotBeOpenedIsReportedInCapitals)
{
    TempFolder out;
    const std::string file = out.Path() + "no-such-folder/out.txt";
    RecordingSink sink;
    const auto target = Target(file);
    EXPECT_EQ(PrintWindow(PrintSnapshot::FromGrid(SmallTable()), *target, FileOptions(file), {}, sink),
              PrintStatus::Failed);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, FileNotAccessibleText(file) + "\nNo such file or directory");
    EXPECT_EQ(FileNotAccessibleText(file, ENOENT), sink.messages[0].text);
}

TEST(PrintEngine, RequestChecks)
{
    RecordingSink sink;
    PrintOptions options = FileOptions("");
    options.PrintFontSize = 0;
    EXPECT_EQ(CheckPrintRequest(options, sink), RequestCheck::Cancelled);
    EXPECT_TRUE(sink.messages.empty());
    for (const char *name : {"", "<no file>"}) {
        EXPECT_EQ(CheckPrintRequest(FileOptions(name), sink), RequestCheck::NoFile);
    }
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[1].title, "ERROR");
    EXPECT_EQ(CheckPrintRequest(FileOptions("a.txt"), sink), RequestCheck::Go);
}

TEST(PrintEngine, CaptionsAndNames)
{
    EXPECT_TRUE(IsHtmlOutputName("/tmp/REPORT.HTM"));
    EXPECT_TRUE(IsHtmlOutputName(".htm"));
    EXPECT_FALSE(IsHtmlOutputName("report.html"));
    EXPECT_FALSE(IsHtmlOutputName("htm"));
    EXPECT_EQ(PrintAreaText("ZR5N NAICS series - Wages ~ x", ChildKind::SOL), "ZR5N NAICS series - Wages ~ x");
    EXPECT_EQ(PrintAreaText("ZR5 SIC ~ Utah [49]", ChildKind::TableView), "Utah [49]");
    EXPECT_EQ(PrintTitle("ZR7H"), "");
    EXPECT_EQ(PrintAllAreaList("ZR1", std::vector<std::uint8_t>(61, 255)), std::vector<int>{1});
}

TEST(PrintEngine, TheHtmlDateOfTheCLocalesIsTheBuiltInOne)
{
    // These read no locale files: C.UTF-8 writes dates as C does, and a C
    // locale in another code set that is not installed falls back to C.
    for (const char *name : {"", "C", "POSIX", "C.UTF-8", "C.utf8"})
        EXPECT_TRUE(NamesCTimeLocale(name)) << name;
    for (const char *name : {"en_US.UTF-8", "de_DE", "fr_FR.utf8@euro", "Catalan"})
        EXPECT_FALSE(NamesCTimeLocale(name)) << name;

    // LC_ALL comes before LANG: a C.UTF-8 environment writes the C format.
    const char *const before = std::getenv("LC_ALL");
    const std::string kept = before != nullptr ? before : "";
    ::setenv("LC_ALL", "C.UTF-8", 1);
    const std::string text = LocalDateTimeText();
    if (before != nullptr)
        ::setenv("LC_ALL", kept.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    ASSERT_EQ(text.size(), 17u) << text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char expected = i == 2 || i == 5 ? '/' : i == 8 ? ' ' : i == 11 || i == 14 ? ':' : '0';
        EXPECT_EQ(std::isdigit(static_cast<unsigned char>(text[i])) ? '0' : text[i], expected) << text;
    }
}

TEST(PrintEngine, RowsComposedInPlaceKeepEveryCellWhateverItsLength)
{
    // Every length around the moves of 4 and 8 bytes, in both kinds of row.
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>('a' + (length + i) % 26);
        char room[64];
        std::memset(room, '#', sizeof room);
        EXPECT_EQ(CopyText(room, text), room + length);
        EXPECT_EQ(std::string(room, length), text);
        EXPECT_EQ(room[length], '#') << length;

        TableLayout layout;
        layout.TitleWidth = 12;
        layout.CellWidth = 20;
        const std::string_view row[] = {text, text, "7"};
        const std::string expected = text + std::string(12 - std::min<std::size_t>(length, 12), ' ')
            + std::string(20 - std::min<std::size_t>(length, 20), ' ') + text + std::string(19, ' ') + "7";
        EXPECT_EQ(PaddedRowText(layout, row), expected) << length;
    }
}

// Texts are copied as memmove copies them, whatever their length (around
// the moves of 4 and 8 bytes, and past the 16 bytes the quick copy takes)
// and however they overlap the place they go to, before or after it.
TEST(PrintEngine, TextsCopyAsMemmoveCopiesThem)
{
    std::mt19937_64 random(99);
    for (std::size_t length = 0; length <= 40; ++length) {
        for (int shift = -9; shift <= 9; ++shift) {
            char copied[128];
            for (char &c : copied)
                c = static_cast<char>('A' + random() % 26);
            char moved[sizeof copied];
            std::memcpy(moved, copied, sizeof copied);
            const std::size_t from = 40;
            const auto to = static_cast<std::size_t>(static_cast<int>(from) + shift);
            EXPECT_EQ(CopyText(copied + to, std::string_view(copied + from, length)), copied + to + length);
            std::memmove(moved + to, moved + from, length);
            EXPECT_EQ(std::string_view(copied, sizeof copied), std::string_view(moved, sizeof moved))
                << "length " << length << ", shift " << shift;
        }
    }
}

// The file targets copy whole data rows from the grid's cell blocks: the
// rows must be what DataRow writes of each, for cells of every length (past
// the 15 characters a block holds too), any title, and layouts the cells
// fit, too narrow for them, or wider than the blocks' copies.
TEST(PrintEngine, RowsCopiedFromCellBlocksAreTheRowsOneByOne)
{
    std::mt19937_64 random(1407);
    Rows rows;
    for (int r = 0; r < 40; ++r) {
        rows.push_back({std::string(random() % 8, ' ') + "Line " + std::to_string(r)
                        + std::string(random() % 30, 't')});
        for (int c = 1; c <= 9; ++c) {
            const std::size_t length = random() % (r < 30 ? 16 : 24);
            std::string text;
            for (std::size_t i = 0; i < length; ++i)
                text += "0123456789,-*() "[random() % 16];
            rows.back().push_back(text);
        }
    }
    const Grid grid = MakeGrid("ZR4 NAICS series 1990-2008 ~ Alabama [01]", rows);

    // The widths as measured cell by cell.
    int titleWidth = 0;
    int cellWidth = 0;
    MeasureGrid(grid, titleWidth, cellWidth);
    std::size_t widestTitle = 0;
    std::size_t widestCell = 0;
    for (const auto &row : rows) {
        widestTitle = std::max(widestTitle, row[0].size());
        for (std::size_t c = 1; c < row.size(); ++c)
            widestCell = std::max(widestCell, row[c].size());
    }
    EXPECT_EQ(titleWidth, static_cast<int>(widestTitle) + 2);
    EXPECT_EQ(cellWidth, static_cast<int>(widestCell) + 2);

    TempFolder folder;
    int job = 0;
    std::vector<std::string_view> cells;
    for (const std::string kind : {".txt", ".htm"}) {
        for (const auto &[title, cell] : std::vector<std::pair<int, int>>{
                 {titleWidth, cellWidth}, {titleWidth, 17}, {titleWidth - 9, 7}, {titleWidth + 3, 40}, {0, 0}}) {
            const std::string blocksFile = folder.Path() + "blocks" + std::to_string(job) + kind;
            const std::string rowsFile = folder.Path() + "rows" + std::to_string(job++) + kind;
            const auto blocks = Target(blocksFile);
            const auto oneByOne = Target(rowsFile);
            TableLayout layout;
            layout.TitleWidth = title;
            layout.CellWidth = cell;
            for (PrintTarget *target : {blocks.get(), oneByOne.get()}) {
                ASSERT_NE(target->Open(), OpenResult::Failed);
                target->SetLayout(layout);
            }
            for (const auto &[first, last] : std::vector<std::pair<int, int>>{{1, 9}, {3, 5}, {9, 9}, {4, 3}}) {
                blocks->DataRows(grid, 0, grid.Rows() - 1, first, last);
                for (int r = 0; r < grid.Rows(); ++r)
                    oneByOne->DataRow(GridRowCells(grid, r, first, last, cells));
            }
            EXPECT_TRUE(blocks->EndOutput());
            EXPECT_TRUE(oneByOne->EndOutput());
            const std::string written = Contents(rowsFile);
            EXPECT_EQ(Contents(blocksFile), written) << kind << " title " << title << " cell " << cell;
            EXPECT_GT(written.size(), 4000u);
        }
    }
}

} // namespace
} // namespace tarvel

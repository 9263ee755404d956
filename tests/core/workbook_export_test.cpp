#include "core/export/export_writer.h"
#include "core/export/workbook_writer.h"

#include "core/catalog/table_catalog.h"
#include "export_fixture.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;
using test::TempFolder;

using test::Quarters;

std::vector<int> Range(int first, int last)
{
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

// The names in a folder, without the folder.
std::set<std::string> FolderNames(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs the reader script on a comma export and a workbook of the same
// choices; its output lists every cell that differs.
std::string CompareWithReader(const std::string &comma, const std::string &workbook, bool unsuppressed)
{
    const std::string command = std::string("'") + TARVEL_PYTHON3 + "' '" + TARVEL_COMPARE_WORKBOOK + "' '" + comma
        + "' '" + workbook + "'" + (unsuppressed ? " --unsuppressed" : "") + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "the reader could not be started";
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    if (status != 0 && output.empty())
        output = "the reader failed (status " + std::to_string(status) + ")";
    return status == 0 ? std::string() : output;
}

struct BookCase {
    const char *name;
    bool sample; // the generated sample data, else the hand-made fixture
    const char *code;
    std::vector<int> areas;
    std::vector<int> lines; // empty: all
    std::vector<int> quarters;
    bool header;
    bool lineTitle;
    bool areaName;
    bool footnotes;
    bool perArea;
    bool unsuppressed;
};

void PrintTo(const BookCase &c, std::ostream *os)
{
    *os << c.name;
}

class WorkbookExport : public ::testing::TestWithParam<BookCase> {
protected:
    void SetUp() override { test::WriteExportFixture(m_data); }

    ExportOptions Options(const BookCase &c, ExportFormat format, const std::string &name) const
    {
        ExportOptions options;
        options.TableCode = c.code;
        options.Format = format;
        options.Header = c.header;
        options.LineTitle = c.lineTitle;
        options.AreaName = c.areaName;
        options.Footnotes = c.footnotes;
        options.Output = c.perArea ? ExportOutput::FilePerArea : ExportOutput::OneFile;
        options.FileName = name;
        const DataPaths paths = Paths(c);
        const auto titles = ReadLineTitlesForExport(LineTitleFileName(paths, c.code), c.code);
        if (titles) {
            for (const std::string &title : *titles)
                options.Lines.push_back({title, c.lines.empty()});
        }
        for (const int line : c.lines)
            options.Lines.at(static_cast<std::size_t>(line - 1)).selected = true;
        return options;
    }

    DataPaths Paths(const BookCase &c) const
    {
        if (c.sample)
            return {m_program.Path(), test::SampleDataDir(), c.unsuppressed};
        return {m_program.Path(), m_data.Path(), c.unsuppressed};
    }

    ExportSelection Selection(const BookCase &c) const
    {
        ExportSelection selection;
        selection.Paths = Paths(c);
        for (const int a : c.areas)
            selection.AreaSelected[static_cast<std::size_t>(a)] = 255;
        selection.QuarterSelected = Quarters(c.code, c.quarters);
        return selection;
    }

    TempFolder m_data;
    TempFolder m_program;
    TempFolder m_comma;
    TempFolder m_books;
};

// Every cell of each workbook against the comma export of the same choices:
// the same records, values, codes with their zeros and withheld markers.
TEST_P(WorkbookExport, HoldsWhatTheCommaExportHolds)
{
    const BookCase &c = GetParam();
    const std::string commaName = c.perArea ? m_comma.Path() : m_comma.Path() + "export.csv";
    const std::string bookName = c.perArea ? m_books.Path() : m_books.Path() + "export.xlsx";

    const ExportResult comma = RunExport(Options(c, ExportFormat::Comma, commaName), Selection(c));
    ASSERT_TRUE(comma.Completed()) << ExportFailureText(comma);
    const ExportResult book = RunExport(Options(c, ExportFormat::Workbook, bookName), Selection(c));
    ASSERT_TRUE(book.Completed()) << ExportFailureText(book);

    EXPECT_EQ(book.records, comma.records);
    EXPECT_EQ(book.footnotesTurnedOff, comma.footnotesTurnedOff);
    ASSERT_EQ(book.files.size(), comma.files.size());
    for (std::size_t i = 0; i < book.files.size(); ++i) {
        const std::string &file = book.files[i];
        EXPECT_EQ(fs::path(file).stem(), fs::path(comma.files[i]).stem());
        EXPECT_EQ(fs::path(file).extension(), ".xlsx");
        EXPECT_EQ(CompareWithReader(comma.files[i], file, c.unsuppressed), "") << file;
    }
    // Nothing else is left in the folder: no temporary file.
    EXPECT_EQ(FolderNames(m_books.Path()).size(), book.files.size());
}

// The fixture's Alabama (area 2) holds withheld cells and the number forms
// (-12.5, .5, 1234567.25, 1E+15, 1.5E+16, text read as 0) in 2001.3 and
// 2001.4; Alaska (area 3) a withheld cell in 2001.2. ZR1 makes one pass and
// exchanges its text columns, and has no footnote file.
INSTANTIATE_TEST_SUITE_P(
    Choices, WorkbookExport,
    ::testing::Values(
        BookCase{"AllColumnsWithFootnotes", false, "ZR6", {2, 3, 4}, Range(1, 6), Range(13, 16), true, true, true,
                 true, false, false},
        BookCase{"NoHeaderNoTexts", false, "ZR6", {2, 3}, {2, 3, 4, 5}, {14, 15, 16}, false, false, false, false,
                 false, false},
        BookCase{"Unsuppressed", false, "ZR6", {2, 3}, Range(1, 5), Range(14, 16), true, true, false, false, false,
                 true},
        BookCase{"PerAreaWithFootnotes", false, "ZR6", {2, 3, 4}, {1, 2}, {15, 16}, true, true, false, true, true,
                 false},
        BookCase{"Zr1OnePass", false, "ZR1", {2, 3}, {}, Range(238, 241), true, true, true, true, false, false},
        BookCase{"SampleZr5nAllAreas", true, "ZR5N", Range(1, AreaCount), {}, Range(70, 73), true, true, true, true,
                 false, false},
        BookCase{"SampleZr7hUnsuppressed", true, "ZR7H", Range(1, 10), {}, Range(1, 8), true, true, true, true,
                 false, true}),
    [](const ::testing::TestParamInfo<BookCase> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Bad input and failures: nothing half-written, an earlier file unharmed.

class WorkbookFailures : public ::testing::Test {
protected:
    void SetUp() override { test::WriteExportFixture(m_data); }

    ExportOptions Options(const std::string &name) const
    {
        ExportOptions options;
        options.TableCode = "ZR6";
        options.Format = ExportFormat::Workbook;
        options.FileName = name;
        for (int line = 1; line <= LineCount("ZR6"); ++line)
            options.Lines.push_back({test::Zr6Title(line), true});
        return options;
    }

    ExportSelection Selection(std::vector<int> areas) const
    {
        ExportSelection selection;
        selection.Paths = {m_program.Path(), m_data.Path(), false};
        for (const int a : areas)
            selection.AreaSelected[static_cast<std::size_t>(a)] = 255;
        selection.QuarterSelected = Quarters("ZR6", Range(1, QuarterCount("ZR6")));
        return selection;
    }

    TempFolder m_data;
    TempFolder m_program;
    TempFolder m_out;
};

TEST_F(WorkbookFailures, AppendIsIgnoredAndAnExistingFileIsReplacedWhole)
{
    const std::string file = m_out.Write("book.xlsx", "an earlier file");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ExportOptions options = Options(file);
    options.Append = true;

    const ExportResult result = RunExport(options, Selection({2}));

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    EXPECT_EQ(FileBytes(file).substr(0, 2), "PK");
    EXPECT_EQ(FolderNames(m_out.Path()), std::set<std::string>{"book.xlsx"});
    // The replacement keeps the permissions of the file it replaced.
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(WorkbookFailures, ALinkIsFollowedAndKept)
{
    TempFolder elsewhere;
    const std::string real = elsewhere.Write("real.xlsx", "an earlier file");
    const std::string link = m_out.Path() + "link.xlsx";
    fs::create_symlink(real, link);

    const ExportResult result = RunExport(Options(link), Selection({2}));

    ASSERT_TRUE(result.Completed()) << ExportFailureText(result);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(FileBytes(real).substr(0, 2), "PK");
    EXPECT_EQ(FolderNames(elsewhere.Path()), std::set<std::string>{"real.xlsx"});
}

TEST_F(WorkbookFailures, UnreadableDataOrMissingFolderLeavesEverythingAsItWas)
{
    const std::string file = m_out.Write("book.xlsx", "an earlier file");
    fs::remove(m_data.Path() + "ZR6.dfx");
    ExportResult result = RunExport(Options(file), Selection({2}));
    EXPECT_EQ(result.status, ExportStatus::FileFailed);
    EXPECT_EQ(FileBytes(file), "an earlier file");
    EXPECT_EQ(FolderNames(m_out.Path()), std::set<std::string>{"book.xlsx"});

    test::WriteExportZr6(m_data);
    const std::string missing = m_out.Path() + "no-such-folder/book.xlsx";
    result = RunExport(Options(missing), Selection({2}));
    EXPECT_EQ(result.status, ExportStatus::FileFailed);
    EXPECT_EQ(result.failure.kind, FailureKind::NotAccessible);
    EXPECT_EQ(result.failure.path, missing);
    EXPECT_FALSE(fs::exists(m_out.Path() + "no-such-folder"));
}

TEST_F(WorkbookFailures, NeverWritesOverAFileTheProgramReads)
{
    const std::string data = m_data.Path() + "ZR6.dfx";
    const std::string before = FileBytes(data);

    const ExportResult result = RunExport(Options(data), Selection({2}));

    EXPECT_EQ(result.status, ExportStatus::Refused);
    EXPECT_EQ(FileBytes(data), before);
    EXPECT_EQ(FolderNames(m_data.Path()).count(".ZR6.dfx"), 0U);
}

TEST_F(WorkbookFailures, PerAreaKeepsTheFinishedWorkbooksWhenALaterOneFails)
{
    // Alaska's workbook cannot be put in place: a folder holds its name.
    fs::create_directory(m_out.Path() + "ZR6AK.xlsx");
    ExportOptions options = Options(m_out.Path());
    options.Output = ExportOutput::FilePerArea;

    const ExportResult result = RunExport(options, Selection({2, 3, 4}));

    EXPECT_EQ(result.status, ExportStatus::FileFailed);
    EXPECT_EQ(result.failure.path, m_out.Path() + "ZR6AK.xlsx");
    EXPECT_EQ(result.files, std::vector<std::string>{m_out.Path() + "ZR6AL.xlsx"});
    EXPECT_EQ(FolderNames(m_out.Path()), (std::set<std::string>{"ZR6AK.xlsx", "ZR6AL.xlsx"}));
}

// A disk that fills while the workbook is written: the run reports the
// output file with the system's reason, the earlier file stays, no
// temporary file is left, and the library's own failure lines never reach
// the standard error. A limit on the size of the files this process writes
// stands in for the full disk, in a child process of its own.
TEST_F(WorkbookFailures, AFullDiskIsReportedAndLeavesTheEarlierFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string file = m_out.Write("book.xlsx", "an earlier file");
    const ExportOptions options = Options(file);
    const ExportSelection selection = Selection(Range(1, AreaCount));
    // Full at once, or once the rows have filled some blocks (the library's
    // own working file of rows, whose writes it does not check).
    std::uint64_t room = 0;
    const auto fillDisk = [&] {
        const std::string errors = (fs::temp_directory_path() / ("tarvel-stderr-" + std::to_string(::getpid()))).string();
        std::signal(SIGXFSZ, SIG_IGN);
        // What the run writes on the standard error is kept aside.
        const int saved = ::dup(STDERR_FILENO);
        const int aside = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(aside, STDERR_FILENO);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = room;
        setrlimit(RLIMIT_FSIZE, &limit);
        const ExportResult result = RunExport(options, selection);
        ::dup2(saved, STDERR_FILENO);
        const bool reported = result.status == ExportStatus::FileFailed
            && result.failure.kind == FailureKind::NotAccessible && result.failure.path == file
            && result.failure.error == EFBIG;
        const bool kept = FileBytes(file) == "an earlier file"
            && FolderNames(m_out.Path()) == std::set<std::string>{"book.xlsx"};
        const std::string lines = FileBytes(errors);
        std::fprintf(stderr, "reported %d kept %d quiet %d\n%s", reported ? 1 : 0, kept ? 1 : 0,
                     lines.empty() ? 1 : 0, lines.c_str());
        // The child ends without its destructors: its folders go here.
        std::error_code ec;
        for (const std::string &folder : {m_out.Path(), m_data.Path(), m_program.Path(), errors})
            fs::remove_all(folder, ec);
        std::_Exit(reported && kept && lines.empty() ? 0 : 1);
    };
    for (const std::uint64_t limit : {4096, 64 * 1024}) {
        room = limit;
        EXPECT_EXIT(fillDisk(), ::testing::ExitedWithCode(0), "reported 1 kept 1 quiet 1") << limit;
    }
}

// The workbook library is loaded from its module only when a workbook is
// written; a wrong or missing file is refused with a reason, never called.
TEST(WorkbookModule, LoadsOnlyThisProgramsModule)
{
    std::error_code ec;
    const std::string self = fs::read_symlink("/proc/self/exe", ec).parent_path().string();
    ASSERT_FALSE(ec);
    const std::string module = WorkbookModulePath(self);
    EXPECT_EQ(fs::path(module).filename(), "tarvel-xlsx.so");
    EXPECT_EQ(WorkbookModuleProblem(module), "");
    EXPECT_TRUE(WorkbookFormatAvailable());

    const std::string missing = WorkbookModuleProblem("/nonexistent/tarvel-xlsx.so");
    EXPECT_NE(missing.find("/nonexistent/tarvel-xlsx.so"), std::string::npos) << missing;
    // A library that loads but is not the module: the C library.
    EXPECT_EQ(WorkbookModuleProblem("libc.so.6"), "libc.so.6: not this program's workbook module");
    EXPECT_NE(WorkbookUnavailableText(missing).find(missing), std::string::npos);
}

} // namespace
} // namespace tarvel

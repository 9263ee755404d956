#include "cli/batch_commands.h"

#include "export_fixture.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::ExpectedExport;
using test::FileBytes;
using test::TempFolder;

class BatchExport : public testing::Test {
protected:
    void SetUp() override { test::WriteExportFixture(m_data); }

    int Run(std::vector<std::string> args, bool unsuppressed = false)
    {
        args.insert(args.begin(), "export");
        const test::BatchOutcome outcome = test::RunBatch(test::WithData(std::move(args), m_data.Path(), unsuppressed));
        m_err = outcome.err;
        return outcome.status;
    }

    TempFolder m_data;
    TempFolder m_out;
    std::string m_err;
};

// The same files as the writer's own tests, reached through the
// command's AREAS, QUARTERS and LINES forms.
TEST_F(BatchExport, OneFileWithLabelRangeAndLineRange)
{
    const std::string file = m_out.Path() + "zr6.csv";
    ASSERT_EQ(Run({"--table", "ZR6", "--areas", "2", "--quarters", "2001.3-2001.4", "--lines", "1-5", "--format",
                   "comma", "--area-names", "--output", file}),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(file), ExpectedExport("comma_quotes.csv"));
}

TEST_F(BatchExport, QuarterListInAnyOrderAndLineList)
{
    const std::string file = m_out.Path() + "zr6.prn";
    ASSERT_EQ(Run({"--table", "ZR6", "--areas", "3", "--quarters", "2001.4,2001.2", "--lines", "2,1", "--format",
                   "space", "--output", file}),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(file), ExpectedExport("subset.prn"));
}

TEST_F(BatchExport, PerAreaFolderWithoutTrailingSlash)
{
    std::string folder = m_out.Path();
    folder.pop_back();
    ASSERT_EQ(Run({"--table", "ZR6", "--areas", "2-4", "--quarters", "2001.4", "--lines", "1", "--format", "comma",
                   "--footnotes", "--per-area", folder}),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AL.csv"), ExpectedExport("per_area_AL.csv"));
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AK.csv"), ExpectedExport("per_area_AK.csv"));
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AZ.csv"), ExpectedExport("per_area_AZ.csv"));
}

TEST_F(BatchExport, Zr1AllAreasIsOnePass)
{
    const std::string file = m_out.Path() + "zr1.prn";
    ASSERT_EQ(Run({"--table", "ZR1", "--areas", "all", "--quarters", "2007.4-2008.1", "--lines", "1-2", "--format",
                   "fixed", "--output", file}),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(file), ExpectedExport("zr1_fixed.prn"));
}

TEST_F(BatchExport, UnsuppressedWarnsOnStderr)
{
    const std::string file = m_out.Path() + "zr6.txt";
    ASSERT_EQ(Run({"--table", "ZR6", "--areas", "2", "--quarters", "2001.3,2001.4", "--lines", "2", "--format", "tab",
                   "--output", file},
                  true),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(file), ExpectedExport("unsuppressed.txt"));
    EXPECT_EQ(m_err, "UNSUPPRESSED - FOR ZUL USE ONLY: You are exporting unsuppressed data. Keep the output "
                     "file(s) in a secure location.\n");
}

// --format xlsx writes a workbook; --append is refused with it before
// anything is written, and an existing file stays as it was.
TEST_F(BatchExport, WorkbookFormatWritesAWorkbookAndRefusesAppend)
{
    const std::string file = m_out.Path() + "zr6.xlsx";
    m_out.Write("zr6.xlsx", "an earlier file");
    const std::vector<std::string> args{"--table", "ZR6", "--areas", "2-3", "--quarters", "2001.3-2001.4",
                                        "--lines", "1-5", "--format", "xlsx", "--footnotes", "--output", file};
    std::vector<std::string> appending = args;
    appending.push_back("--append");
    EXPECT_EQ(Run(appending), batch::ExitUsage);
    EXPECT_NE(m_err.find("--append has no meaning with --format xlsx"), std::string::npos) << m_err;
    EXPECT_EQ(FileBytes(file), "an earlier file");

    ASSERT_EQ(Run(args), batch::ExitOk) << m_err;
    EXPECT_EQ(FileBytes(file).substr(0, 2), "PK");

    ASSERT_EQ(Run({"--table", "ZR6", "--areas", "2-3", "--quarters", "last4", "--lines", "1", "--format", "xlsx",
                   "--per-area", m_out.Path()}),
              batch::ExitOk)
        << m_err;
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AL.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(FileBytes(m_out.Path() + "ZR6AK.xlsx").substr(0, 2), "PK");
}

TEST_F(BatchExport, BadArgumentsAndFilesGiveTheirExitStatus)
{
    const std::string file = m_out.Path() + "x.csv";
    const std::vector<std::string> common{"--table", "ZR6", "--areas", "2", "--quarters", "last4"};
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = common;
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    EXPECT_EQ(Run(with({"--format", "comma"})), batch::ExitUsage);
    EXPECT_EQ(Run(with({"--format", "csv", "--output", file})), batch::ExitUsage);
    EXPECT_EQ(Run(with({"--format", "comma", "--output", file, "--per-area", m_out.Path()})), batch::ExitUsage);
    EXPECT_EQ(Run(with({"--format", "comma", "--output", file, "--line-titles", "--no-line-titles"})),
              batch::ExitUsage);
    EXPECT_EQ(Run(with({"--format", "comma", "--lines", "24", "--output", file})), batch::ExitUsage);
    // A file the program reads is refused as a file error, as print refuses it.
    EXPECT_EQ(Run(with({"--format", "comma", "--output", m_data.Path() + "statcode.csv"})), batch::ExitFile);
    EXPECT_EQ(FileBytes(file), "<missing>");

    EXPECT_EQ(Run(with({"--format", "comma", "--output", m_out.Path() + "no/such/folder.csv"})), batch::ExitFile);
    EXPECT_EQ(m_err, "For some reason the file " + ToUpper(m_out.Path()) + "NO/SUCH/FOLDER.CSV could not be accessed.\n"
                     "No such file or directory\n");
}

} // namespace
} // namespace tarvel

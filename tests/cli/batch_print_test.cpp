#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/print/print_engine.h"
#include "sample_data.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tarvel {
namespace {

using test::TempFolder;

using Outcome = test::BatchOutcome;

std::size_t Count(const std::string &text, const std::string &piece)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// A folder with the sample ZR4 and ZR1 tables and their documents.
class BatchPrint : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_data = std::make_unique<TempFolder>();
        sample::Options options;
        options.tables = {"ZR4", "ZR1"};
        ASSERT_EQ(sample::WriteSampleFolder(s_data->Path(), options), "");
    }
    static void TearDownTestSuite() { s_data.reset(); }

    static Outcome Run(std::vector<std::string> args, bool unsuppressed = false)
    {
        return test::RunBatch(test::WithData(std::move(args), s_data->Path(), unsuppressed));
    }

    static std::unique_ptr<TempFolder> s_data;
    TempFolder m_out;
};

std::unique_ptr<TempFolder> BatchPrint::s_data;

TEST_F(BatchPrint, PrintsEveryChosenAreaToATextFileWithTheFootnotesLast)
{
    const std::string file = m_out.Path() + "zr4.txt";
    const Outcome outcome =
        Run({"print", "--table", "ZR4", "--areas", "1-3", "--quarters", "last5", "--output", file, "--footnotes"});
    EXPECT_EQ(outcome.status, batch::ExitOk) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    const std::string text = ReadWholeFile(file).value_or("");
    EXPECT_EQ(Count(text, "Table ZR4 "), 3u);
    EXPECT_EQ(text.find('<'), std::string::npos);
    const std::string notes = TrimRight(ReadWholeFile(s_data->Path() + "ZR4fn.txt").value_or("?"));
    EXPECT_TRUE(text.ends_with("\f\r\n" + notes + "\r\n\f\r\n"));
}

TEST_F(BatchPrint, HtmlNameInCapitalsGivesHtmlAndZr1MakesOnePass)
{
    const std::string file = m_out.Path() + "ZR1.HTM";
    for (int job = 0; job < 2; ++job) {
        const Outcome outcome = Run({"print", "--table", "ZR1", "--areas", "all", "--output", file});
        EXPECT_EQ(outcome.status, batch::ExitOk) << outcome.err;
    }
    const std::string text = ReadWholeFile(file).value_or("");
    EXPECT_TRUE(text.starts_with("<html>\r\n<! -- created with the TARVEL software -->\r\n"));
    EXPECT_EQ(Count(text, "<hr>\r\n<! -- created with the TARVEL software -->"), 1u);
    EXPECT_EQ(Count(text, "<tr><td>Table ZR1</td>"), 2u);
    EXPECT_EQ(text.find('\f'), std::string::npos);
}

TEST_F(BatchPrint, RefusesToPrintIntoTheDataFolderFiles)
{
    const std::string dataFile = s_data->Path() + "ZR4.dfx";
    const std::string before = ReadWholeFile(dataFile).value_or("?");
    const Outcome outcome =
        Run({"print", "--table", "ZR4", "--areas", "1", "--output", s_data->Path() + "zr4.DFX"});
    EXPECT_EQ(outcome.status, batch::ExitFile);
    EXPECT_EQ(outcome.err, RefusedOutputText(s_data->Path() + "zr4.DFX") + "\n");
    EXPECT_EQ(ReadWholeFile(dataFile).value_or("!"), before);
}

TEST_F(BatchPrint, UnreadableTableIsReportedPerAreaAndWritesNothing)
{
    const std::string file = m_out.Path() + "zr6.txt";
    const Outcome outcome = Run({"print", "--table", "ZR6", "--areas", "1,2", "--output", file});
    EXPECT_EQ(outcome.status, batch::ExitFile);
    EXPECT_EQ(Count(outcome.err, "could not be accessed."), 2u);
    // The same line for each area; the last one names them.
    EXPECT_TRUE(outcome.err.ends_with(
        "\nNo such file or directory\nNothing was written: 2 areas could not be printed: United States [00], "
        "Alabama [01].\n"))
        << outcome.err;
    EXPECT_FALSE(std::filesystem::exists(file));
}

// A job that fails for any area writes nothing, not even the areas that
// could be read, so a second run after the data is mended prints each area
// once; every area that failed is reported.
TEST_F(BatchPrint, AJobWithAnAreaThatFailsWritesNothing)
{
    TempFolder data;
    sample::Options sampleOptions;
    sampleOptions.tables = {"ZR4"};
    sampleOptions.documents = false;
    ASSERT_EQ(sample::WriteSampleFolder(data.Path(), sampleOptions), "");
    // Areas 2 and 4, line 1: a blank of the first value becomes a comma.
    std::string text = test::FileBytes(data.Path() + "ZR4.dfx");
    const std::size_t length = text.find("\r\n") + 2;
    for (const int area : {2, 4}) {
        std::size_t field = static_cast<std::size_t>(area - 1) * LineCount("ZR4") * length;
        for (int comma = 0; comma < 5; ++comma)
            field = text.find(',', field) + 1;
        ASSERT_EQ(text[field], ' ');
        text[field] = ',';
    }
    std::ofstream(data.Path() + "ZR4.dfx", std::ios::binary) << text;

    const std::string earlierText = m_out.Write("earlier.txt", "an earlier job\r\n");
    const std::string earlierHtml = m_out.Write("earlier.htm", "<html>\r\nan earlier job\r\n");
    for (const std::string &file : {earlierText, earlierHtml, m_out.Path() + "new.txt"}) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = batch::Run({"--data", data.Path(), "print", "--table", "ZR4", "--areas", "1-5",
                                       "--quarters", "last4", "--output", file},
                                      "/nonexistent/", out, err);
        EXPECT_EQ(status, batch::ExitFile) << file;
        EXPECT_EQ(Count(err.str(), "is damaged or incomplete"), 2u) << err.str();
        EXPECT_NE(err.str().find("its record for area 2, line 1"), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("its record for area 4, line 1"), std::string::npos) << err.str();
        EXPECT_TRUE(err.str().ends_with("\nNothing was written: 2 areas could not be printed: Alabama [01], "
                                        "Arizona [04].\n"))
            << err.str();
    }
    EXPECT_EQ(test::FileBytes(earlierText), "an earlier job\r\n");
    EXPECT_EQ(test::FileBytes(earlierHtml), "<html>\r\nan earlier job\r\n");
    EXPECT_FALSE(std::filesystem::exists(m_out.Path() + "new.txt"));
}

TEST_F(BatchPrint, WarnsOnStderrInUnsuppressedMode)
{
    const std::string file = m_out.Path() + "secret.txt";
    const Outcome outcome = Run({"print", "--table", "ZR4", "--areas", "2", "--output", file}, true);
    EXPECT_EQ(outcome.status, batch::ExitOk) << outcome.err;
    EXPECT_EQ(outcome.err, std::string(UnsuppressedPrintText) + "\n");
}

TEST_F(BatchPrint, UsageErrors)
{
    EXPECT_EQ(Run({"print", "--table", "ZR4", "--areas", "1"}).status, batch::ExitUsage);
    EXPECT_EQ(Run({"print", "--table", "ZR4", "--output", m_out.Path() + "x.txt"}).status, batch::ExitUsage);
    EXPECT_EQ(Run({"print", "--table", "ZR4", "--areas", "1", "--output", "<x"}).status, batch::ExitUsage);
}

} // namespace
} // namespace tarvel

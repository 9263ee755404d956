#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "sample_data.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>

namespace tarvel::batch {
namespace {

using Outcome = test::BatchOutcome;

Outcome RunArgs(const std::vector<std::string> &args)
{
    return test::RunBatch(args, "/nonexistent-program-folder/");
}

std::vector<int> Chosen(const std::vector<std::uint8_t> &flags)
{
    std::vector<int> chosen;
    for (std::size_t i = 1; i < flags.size(); ++i) {
        if (flags[i] != 0)
            chosen.push_back(static_cast<int>(i));
    }
    return chosen;
}

TEST(BatchForms, AreasAcceptNumbersRangesAndAll)
{
    std::string error;
    EXPECT_EQ(Chosen(*ParseAreas("1,5-9", error)), (std::vector<int>{1, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Chosen(*ParseAreas(" 60 , 2 ", error)), (std::vector<int>{2, 60}));
    EXPECT_EQ(Chosen(*ParseAreas("ALL", error)).size(), 60u);
}

TEST(BatchForms, BadAreasAndLinesNameWhatIsWrong)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    for (const Case &c : {Case{"61", "area 61 is outside 1-60"}, Case{"0", "area 0 is outside 1-60"},
                          Case{"9-5", "\"9-5\" is not a area number or range"}, Case{"x", "\"x\""},
                          Case{"", "\"\""}}) {
        std::string error;
        EXPECT_FALSE(ParseAreas(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ParseLines("0", 46, error));
    EXPECT_NE(error.find("line 0 is outside 1-46"), std::string::npos);
    EXPECT_EQ(Chosen(*ParseLines("all", 3, error)), (std::vector<int>{1, 2, 3}));
}

TEST(BatchForms, QuartersByNameRangeAndList)
{
    std::string error;
    EXPECT_EQ(Chosen(*ParseQuarters("", "ZR5N", error)), (std::vector<int>{70, 71, 72, 73}));
    EXPECT_EQ(Chosen(*ParseQuarters("last9", "ZR6", error)).front(), 8);
    EXPECT_EQ(Chosen(*ParseQuarters("all", "ZR1", error)).size(), 241u);
    EXPECT_EQ(Chosen(*ParseQuarters("2007.1-2008.1", "ZR5N", error)), (std::vector<int>{69, 70, 71, 72, 73}));
    EXPECT_EQ(Chosen(*ParseQuarters("2008.1,1990.1", "ZR5N", error)), (std::vector<int>{1, 73}));

    EXPECT_FALSE(ParseQuarters("2008.2", "ZR5N", error));
    EXPECT_NE(error.find("2008.2 is outside ZR5N (1990.1-2008.1)"), std::string::npos) << error;
    EXPECT_FALSE(ParseQuarters("1989.4-1990.2", "ZR5N", error));
    EXPECT_FALSE(ParseQuarters("2008.1-2007.1", "ZR5N", error));
    EXPECT_FALSE(ParseQuarters("2008.5", "ZR5N", error));
    EXPECT_FALSE(ParseQuarters("soon", "ZR5N", error));
}

TEST(BatchRun, UsageErrorsExitTwoWithAUsageLine)
{
    for (const auto &args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"--data"},
             {"--data", "", "areas"},
             {"--data", "", "export", "--table", "ZR7H", "--areas", "1", "--format", "comma", "--output", "x.csv"},
             {"--colour", "tables"},
             {"tables", "--table", "ZR5"},
             {"lines"},
             {"lines", "--table"},
             {"lines", "--table", "zr5"},
             {"lines", "--table", "ZR5", "--table", "ZR5"},
         }) {
        const Outcome outcome = RunArgs(args);
        EXPECT_EQ(outcome.status, ExitUsage);
        EXPECT_NE(outcome.err.find("usage: tarvel-batch"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
}

TEST(BatchRun, HelpAndTables)
{
    const Outcome help = RunArgs({"--help"});
    EXPECT_EQ(help.status, ExitOk);
    EXPECT_NE(help.out.find("show-line --table CODE --line L"), std::string::npos);
    const Outcome version = RunArgs({"--version"});
    EXPECT_EQ(version.status, ExitOk);
    EXPECT_EQ(version.out, "tarvel-batch " TARVEL_PROJECT_VERSION "\n");

    const Outcome tables = RunArgs({"--data", "/nowhere", "tables"});
    EXPECT_EQ(tables.status, ExitOk);
    EXPECT_EQ(tables.out, "ZR4\t1948\t2008\t241\t18\n"
                          "ZR1\t1948\t2008\t241\t60\n"
                          "ZR5N\t1990\t2008\t73\t46\n"
                          "ZR5\t1958\t2001\t176\t36\n"
                          "ZR5H\t1948\t1957\t40\t33\n"
                          "ZR6N\t2001\t2008\t29\t33\n"
                          "ZR6\t1998\t2001\t16\t23\n"
                          "ZR7N\t2001\t2008\t29\t27\n"
                          "ZR7\t1958\t2001\t176\t17\n"
                          "ZR7H\t1948\t1957\t40\t14\n");
}

TEST(BatchRun, AreasAndLinesReadTheDataFolder)
{
    const std::string data = test::SampleDataDir();
    const Outcome areas = RunArgs({"--data", data, "areas"});
    ASSERT_EQ(areas.status, ExitOk) << areas.err;
    EXPECT_EQ(areas.out.substr(0, areas.out.find('\n')), "1\t00\t0\tUnited States\tUS");
    EXPECT_NE(areas.out.find("\n60\t98\t8\t"), std::string::npos);

    const Outcome lines = RunArgs({"--data", data, "lines", "--table", "ZR5"});
    ASSERT_EQ(lines.status, ExitOk) << lines.err;
    EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'), 36);
    EXPECT_EQ(lines.out.rfind("1\t", 0), 0u);
    EXPECT_EQ(lines.out.back(), '\n');
    EXPECT_EQ(lines.out.find(' ' + std::string("\n")), std::string::npos) << "titles keep no trailing blanks";

    const Outcome zr1 = RunArgs({"--data", data, "lines", "--table", "ZR1"});
    ASSERT_EQ(zr1.status, ExitOk) << zr1.err;
    EXPECT_EQ(std::count(zr1.out.begin(), zr1.out.end(), '\n'), 60);
}

TEST(BatchRun, AMissingDataFileExitsOneWithTheViewersMessage)
{
    test::TempFolder empty;
    const Outcome outcome = RunArgs({"--data", empty.Path(), "areas"});
    EXPECT_EQ(outcome.status, ExitFile);
    EXPECT_NE(outcome.err.find("For some reason the file "), std::string::npos);
    EXPECT_NE(outcome.err.find("STATCODE.CSV could not be accessed."), std::string::npos) << outcome.err;
}

TEST(BatchRun, OutputNeverGoesIntoTheFilesReadWhateverFolderTextNamedThem)
{
    test::TempFolder data;
    sample::Options options;
    options.tables = {"ZR7H"};
    options.documents = false;
    ASSERT_EQ(sample::WriteSampleFolder(data.Path(), options), "");
    const std::string areas = test::FileBytes(data.Path() + "statcode.csv");
    const std::string titles = test::FileBytes(data.Path() + "ZR7Hline.csv");
    const test::WorkingFolder inData(data.Path());

    for (const std::string &folder : {std::string("."), std::string("./"), data.Path() + "../" +
                                          std::filesystem::path(data.Path()).parent_path().filename().string()}) {
        const Outcome exported = RunArgs({"--data", folder, "export", "--table", "ZR7H", "--areas", "1", "--format",
                                          "comma", "--output", "statcode.csv"});
        // Refused by both commands as a file error, with the message alone.
        EXPECT_EQ(exported.status, ExitFile) << folder;
        EXPECT_EQ(exported.err, "The file statcode.csv is one of the files the program reads. An export never "
                                "writes into them; please choose another output name.\n");
        const Outcome printed = RunArgs({"--data", folder, "print", "--table", "ZR7H", "--areas", "1", "--output",
                                         "ZR7Hline.csv"});
        EXPECT_EQ(printed.status, ExitFile) << folder;
    }
    EXPECT_EQ(test::FileBytes(data.Path() + "statcode.csv"), areas);
    EXPECT_EQ(test::FileBytes(data.Path() + "ZR7Hline.csv"), titles);
}

// A stream whose every write fails, as on a full disk.
class FullDisk final : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char *, std::streamsize) override { return 0; }
};

TEST(BatchRun, StandardOutputThatCannotBeWrittenExitsOne)
{
    const std::string data = test::SampleDataDir();
    for (const auto &args : std::vector<std::vector<std::string>>{
             {"--data", data, "tables"},
             {"--data", data, "areas"},
             {"--data", data, "lines", "--table", "ZR7"},
             {"--data", data, "show", "--table", "ZR7", "--area", "2"},
             {"--data", data, "show-line", "--table", "ZR7", "--line", "2"},
             {"--help"},
         }) {
        FullDisk full;
        std::ostream out(&full);
        std::ostringstream err;
        EXPECT_EQ(batch::Run(args, "/nonexistent-program-folder/", out, err), ExitFile) << args.back();
        EXPECT_EQ(err.str(), "tarvel-batch: the standard output could not be written\n");
    }
}

TEST(BatchRun, ARecordWithACommaTooManyIsNeverShownShifted)
{
    test::TempFolder data;
    sample::Options options;
    options.tables = {"ZR6"};
    options.documents = false;
    ASSERT_EQ(sample::WriteSampleFolder(data.Path(), options), "");
    // Area 2, line 3: a blank of its first value becomes a comma.
    std::string text = test::FileBytes(data.Path() + "ZR6.dfx");
    const std::size_t length = text.find("\r\n") + 2;
    const std::size_t record = (LineCount("ZR6") + 2) * length;
    std::size_t field = record;
    for (int comma = 0; comma < 5; ++comma)
        field = text.find(',', field) + 1;
    ASSERT_EQ(text[field], ' ');
    text[field] = ',';
    test::TempFolder out;
    std::ofstream(data.Path() + "ZR6.dfx", std::ios::binary) << text;

    const std::string damaged = "The file " + FileNameInCapitals(data.Path()) + "ZR6.DFX is damaged or incomplete: its "
                                "record for area 2, line 3 holds 23 fields where table ZR6 has 22.\n";
    for (const auto &args : std::vector<std::vector<std::string>>{
             {"show", "--table", "ZR6", "--area", "2"},
             {"show-line", "--table", "ZR6", "--line", "3"},
             {"export", "--table", "ZR6", "--areas", "1-3", "--format", "comma", "--output", out.Path() + "x.csv"},
             {"print", "--table", "ZR6", "--areas", "2", "--output", out.Path() + "x.txt"},
         }) {
        std::vector<std::string> all{"--data", data.Path()};
        all.insert(all.end(), args.begin(), args.end());
        const Outcome outcome = RunArgs(all);
        EXPECT_EQ(outcome.status, ExitFile) << args[0];
        const std::string printNote =
            args[0] == "print" ? "Nothing was written: 1 area could not be printed: Alabama [01].\n" : "";
        EXPECT_EQ(outcome.err, damaged + printNote) << args[0];
    }
    EXPECT_FALSE(std::filesystem::exists(out.Path() + "x.csv"));
}

// A digit run broken by a letter, and a number beyond a double (which
// would read 0), are no values.
TEST(BatchRun, AValueThatIsNoNumberIsNeverShownAsOne)
{
    for (const std::string bad : {"   12x4567", "     1E999"}) {
        SCOPED_TRACE(bad);
        test::TempFolder data;
        sample::Options options;
        options.tables = {"ZR6"};
        options.documents = false;
        ASSERT_EQ(sample::WriteSampleFolder(data.Path(), options), "");
        // Area 2, line 3, quarter 2 (published) holds the bad value.
        std::string text = test::FileBytes(data.Path() + "ZR6.dfx");
        const std::size_t length = text.find("\r\n") + 2;
        const std::size_t record = (LineCount("ZR6") + 2) * length;
        std::size_t field = record;
        for (int comma = 0; comma < 6; ++comma)
            field = text.find(',', field) + 1;
        text.replace(field, 10, bad);
        text[text.rfind(',', record + length - 3) + 2] = '0';
        std::ofstream(data.Path() + "ZR6.dfx", std::ios::binary) << text;
        test::TempFolder out;

        const std::string damaged = "The file " + FileNameInCapitals(data.Path())
            + "ZR6.DFX is damaged or incomplete: its record for area 2, line 3 holds a value for "
            + QuarterLabel(2, "ZR6") + " that is not a number.\n";
        for (const auto &args : std::vector<std::vector<std::string>>{
                 {"show", "--table", "ZR6", "--area", "2", "--quarters", "all"},
                 {"show-line", "--table", "ZR6", "--line", "3", "--quarters", "all", "--reverse"},
                 {"export", "--table", "ZR6", "--areas", "1-3", "--quarters", "all", "--format", "comma", "--output",
                  out.Path() + "x.csv"},
                 {"export", "--table", "ZR6", "--areas", "2", "--quarters", "all", "--format", "fixed", "--output",
                  out.Path() + "x.prn"},
                 {"export", "--table", "ZR6", "--areas", "2", "--quarters", "all", "--format", "xlsx", "--output",
                  out.Path() + "x.xlsx"},
                 {"print", "--table", "ZR6", "--areas", "2", "--quarters", "all", "--output", out.Path() + "x.txt"},
             }) {
            std::vector<std::string> all{"--data", data.Path()};
            all.insert(all.end(), args.begin(), args.end());
            const Outcome outcome = RunArgs(all);
            const std::string printNote =
                args[0] == "print" ? "Nothing was written: 1 area could not be printed: Alabama [01].\n" : "";
            EXPECT_EQ(outcome.status, ExitFile) << args[0] << " " << args.back();
            EXPECT_EQ(outcome.err, damaged + printNote) << args[0] << " " << args.back();
            EXPECT_EQ(outcome.out.find("12"), std::string::npos) << args[0] << " " << args.back();
        }
        for (const char *name : {"x.csv", "x.prn", "x.xlsx", "x.txt"})
            EXPECT_FALSE(std::filesystem::exists(out.Path() + name)) << name;

        // A view without that quarter never reads it.
        const Outcome shown = RunArgs({"--data", data.Path(), "show", "--table", "ZR6", "--area", "2"});
        EXPECT_EQ(shown.status, ExitOk) << shown.err;
        EXPECT_EQ(shown.err, "");
    }
}

} // namespace
} // namespace tarvel::batch

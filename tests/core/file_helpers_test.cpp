#include "core/catalog/file_helpers.h"

#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvel {
namespace {

using test::RecordingSink;
using test::TempFolder;

struct CaseName {
    const char *written;
    const char *asked;
};

void PrintTo(const CaseName &c, std::ostream *os)
{
    *os << test::CaseText(c.written) << " asked as " << test::CaseText(c.asked);
}

class CaseInsensitiveLookupTest : public testing::TestWithParam<CaseName> {};

TEST_P(CaseInsensitiveLookupTest, EveryFormOfTheNameFindsTheOneFile)
{
    TempFolder folder;
    folder.Write(GetParam().written, "content\r\n");
    const std::string asked = folder.Path() + GetParam().asked;
    EXPECT_TRUE(FileExists(asked));
    EXPECT_EQ(ActualPath(asked), std::filesystem::path(folder.Path() + GetParam().written));
    EXPECT_EQ(ReadWholeFile(asked).value_or("<none>"), "content\r\n");
    EXPECT_TRUE(OpenTextForInput(asked).has_value());
    EXPECT_TRUE(OpenBinaryForRead(asked).has_value());
    EXPECT_TRUE(OpenRecordFile(asked, 9).has_value());
}

INSTANTIATE_TEST_SUITE_P(FileHelpers, CaseInsensitiveLookupTest,
                         testing::Values(CaseName{"STATCODE.CSV", "statcode.csv"},
                                         CaseName{"STATCODE.CSV", "STATCODE.csv"},
                                         CaseName{"zr5n.DFX", "ZR5N.dfx"}, CaseName{"Zr5line.csv", "ZR5line.csv"},
                                         CaseName{"ZR7Nfn.txt", "zr7nfn.TXT"},
                                         CaseName{"q_readme.txt", "q_readme.txt"}));

TEST(FileHelpers, ARunsListingsServeItsLookupsAndEndWithIt)
{
    TempFolder folder;
    folder.Write("Data.TXT", "d");
    std::filesystem::create_symlink(folder.Path() + "Data.TXT", folder.Path() + "Link.txt");
    const auto listing = [](const std::string &path) {
        std::vector<std::pair<std::string, bool>> names;
        ForEachName(path, [&names](std::string_view name, bool mayBeLink) { names.emplace_back(name, mayBeLink); });
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto unscoped = listing(folder.Path());
    ASSERT_EQ(unscoped.size(), 2u);
    EXPECT_TRUE(unscoped[1].second); // the link
    {
        const FolderListingScope run;
        // Listed, then served again: the same names and link marks.
        EXPECT_EQ(listing(folder.Path()), unscoped);
        EXPECT_EQ(listing(folder.Path()), unscoped);
        EXPECT_TRUE(listing(folder.Path() + "missing/").empty());
        EXPECT_TRUE(FileExists(folder.Path() + "data.txt"));
        EXPECT_EQ(ActualPath(folder.Path() + "LINK.TXT"), std::filesystem::path(folder.Path() + "Link.txt"));
        {
            const FolderListingScope inner; // ends without ending the run's
        }
        // A file the run makes is found by its own name.
        folder.Write("New.csv", "n");
        EXPECT_TRUE(FileExists(folder.Path() + "New.csv"));
    }
    // The next run lists the folder again and finds it in any letter case.
    EXPECT_TRUE(FileExists(folder.Path() + "new.CSV"));
    EXPECT_EQ(listing(folder.Path()).size(), 3u);
}

TEST(FileHelpers, MissingFilesFoldersAndNearMissesDoNotExist)
{
    TempFolder folder;
    folder.Write("ZR5N.DFX", "x");
    folder.Write("sub/inner.txt", "x");
    EXPECT_FALSE(FileExists(folder.Path() + "ZR5N.DFX2"));
    EXPECT_FALSE(FileExists(folder.Path() + "ZR5.DFX"));
    EXPECT_FALSE(FileExists(folder.Path() + "sub"));
    EXPECT_FALSE(FileExists(folder.Path() + "SUB"));
    EXPECT_FALSE(FileExists(folder.Path() + "nofolder/ZR5N.DFX"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(OpenTextForInput(folder.Path() + "missing.txt").has_value());
    EXPECT_FALSE(OpenBinaryForRead(folder.Path() + "missing.txt").has_value());
    EXPECT_FALSE(OpenRecordFile(folder.Path() + "missing.txt", 40).has_value());
    EXPECT_FALSE(OpenRecordFile(folder.Path() + "ZR5N.DFX", 0).has_value());
    EXPECT_FALSE(ReadWholeFile(folder.Path() + "missing.txt").has_value());
}

TEST(FileHelpers, ExactNameWinsOverOtherCase)
{
    TempFolder folder;
    folder.Write("a.txt", "small");
    folder.Write("A.TXT", "capital");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "a.txt").value_or(""), "small");
    EXPECT_EQ(ReadWholeFile(folder.Path() + "A.TXT").value_or(""), "capital");
    // Neither exact: one of the two is found, and always the same one.
    const std::optional<std::string> first = ReadWholeFile(folder.Path() + "A.txt");
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(*first == "small" || *first == "capital") << *first;
    EXPECT_EQ(ReadWholeFile(folder.Path() + "a.TXT"), first);
}

TEST(FileHelpers, RecordFileReadsWholeRecordsWithoutLineEnds)
{
    TempFolder folder;
    const std::string path = folder.Write("rec.csv", "aaaa\r\nbbbb\r\nccccc\ndddd");
    auto file = OpenRecordFile(path, 6);
    ASSERT_TRUE(file.has_value());
    // The last record lacks only its line end and still counts.
    EXPECT_EQ(file->RecordCount(), 4);
    EXPECT_EQ(file->Read(1).value_or("?"), "aaaa");
    EXPECT_EQ(file->Read(2).value_or("?"), "bbbb");
    // Out of place: comes whole so the reader can tell.
    EXPECT_EQ(file->Read(3).value_or("?"), "ccccc\n");
    EXPECT_EQ(file->Read(4).value_or("?"), "dddd");
    EXPECT_FALSE(file->Read(5).has_value());
    EXPECT_FALSE(file->Read(0).has_value());
    EXPECT_FALSE(file->Read(-1).has_value());
    EXPECT_EQ(file->Read(1).value_or("?"), "aaaa");
}

TEST(FileHelpers, BinaryReadsStayInsideTheFile)
{
    TempFolder folder;
    const std::string path = folder.Write("bin.dfx", "0123456789");
    auto file = OpenBinaryForRead(path);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->Size(), 10);
    const auto read = [&file](std::int64_t position, std::int64_t count) {
        std::string bytes = "?";
        return file->ReadInto(position, count, bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    };
    EXPECT_EQ(read(1, 3).value_or("?"), "012");
    EXPECT_EQ(read(8, 3).value_or("?"), "789");
    EXPECT_EQ(read(11, 0).value_or("?"), "");
    EXPECT_FALSE(read(9, 3).has_value());
    EXPECT_FALSE(read(0, 1).has_value());
    EXPECT_FALSE(read(1, 11).has_value());
    EXPECT_FALSE(read(1, -1).has_value());
    EXPECT_FALSE(read(INT64_MAX, 2).has_value());
    EXPECT_EQ(read(5, 2).value_or("?"), "45");
}

TEST(FileHelpers, TextLinesDropEitherLineEnd)
{
    TempFolder folder;
    auto in = OpenTextForInput(folder.Write("t.txt", "one\r\ntwo\nthree\r\n\r\nlast"));
    ASSERT_TRUE(in.has_value());
    std::vector<std::string> lines;
    std::string line;
    while (ReadTextLine(*in, line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "last"}));
}

TEST(FileHelpers, WholeFileKeepsEveryByte)
{
    TempFolder folder;
    const std::string bytes = std::string("caf\xE9\r\n\0end\x1A", 11);
    EXPECT_EQ(ReadWholeFile(folder.Write("doc.txt", bytes)).value_or(""), bytes);
    EXPECT_EQ(ReadWholeFile(folder.Write("empty.txt", "")).value_or("?"), "");
}

TEST(FileHelpers, NotAccessibleMessageUpperCasesThePath)
{
    RecordingSink sink;
    ReportFileNotAccessible(sink, "/data/zr5n.dfx");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(sink.messages[0].title, "File not accessible");
    EXPECT_EQ(sink.messages[0].text, "For some reason the file /DATA/ZR5N.DFX could not be accessed.");
}

TEST(FileHelpers, FailuresReadAsTheirMessages)
{
    EXPECT_EQ(FailureText(Failure::NotAccessible("/x/statcode.csv")),
              "For some reason the file /X/STATCODE.CSV could not be accessed.");
    EXPECT_EQ(FailureText(Failure::Damaged("/x/zr5n.dfx", "it is too short for area 3")),
              "The file /X/ZR5N.DFX is damaged or incomplete: it is too short for area 3.");

    RecordingSink sink;
    ReportFailure(sink, Failure::Damaged("/x/zr5n.dfx", "it is empty"));
    ReportFailure(sink, Failure::NotAccessible("/x/a.txt"));
    ReportFailure(sink, Failure{});
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(sink.messages[0].title, "File damaged");
    EXPECT_EQ(sink.messages[0].text, "The file /X/ZR5N.DFX is damaged or incomplete: it is empty.");
    EXPECT_EQ(sink.messages[1].title, "File not accessible");
}

TEST(FileHelpers, TextHelpers)
{
    EXPECT_EQ(ToUpper("/home/ann/zr5n.dfx"), "/HOME/ANN/ZR5N.DFX");
    // Latin-1 small letters get their capitals; the division sign and 0xFF stay.
    EXPECT_EQ(ToUpper("caf\xE9 \xF7\xFF\xDF"), "CAF\xC9 \xF7\xFF\xDF");
    EXPECT_EQ(ToLower("CAF\xC9 \xD7"), "caf\xE9 \xD7");
    EXPECT_EQ(StripAmpersands("&Print && &Close"), "Print  Close");
    EXPECT_EQ(TrimRight("  Alabama   "), "  Alabama");
    EXPECT_EQ(Trim("  Alabama   "), "Alabama");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(WithTrailingSlash("/data"), "/data/");
    EXPECT_EQ(WithTrailingSlash("/data/"), "/data/");
    EXPECT_EQ(WithTrailingSlash(""), "");
}

TEST(FileHelpers, DataFilesPresentNeedsBothMarkers)
{
    TempFolder folder;
    EXPECT_FALSE(DataFilesPresent(folder.Path()));
    folder.Write("zr5n.dfx", "x\r\n");
    EXPECT_FALSE(DataFilesPresent(folder.Path()));
    folder.Write("ZR7N.dfx", "x\r\n");
    EXPECT_TRUE(DataFilesPresent(folder.Path()));
    EXPECT_TRUE(DataFilesPresent(folder.Path().substr(0, folder.Path().size() - 1)));
    EXPECT_FALSE(DataFilesPresent(""));

    TempFolder other;
    other.Write("ZR7N.DFX", "x\r\n");
    other.Write("ZR5N.xxx", "x\r\n");
    EXPECT_FALSE(DataFilesPresent(other.Path()));
}

} // namespace
} // namespace tarvel

#include "core/settings/data_folder.h"
#include "core/settings/installed_share.h"
#include "core/settings/program_settings.h"

#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string Misc = SettingsKey("misc");

// A folder with both marker files (named in another case than the lookup,
// which must not matter).
std::string DataFolderIn(const TempFolder &folder, const std::string &sub)
{
    folder.Write(sub + "zr5n.dfx", "x");
    folder.Write(sub + "ZR7N.DFX", "x");
    return folder.Path() + sub;
}

std::string EmptyFolderIn(const TempFolder &folder, const std::string &sub)
{
    fs::create_directories(folder.Path() + sub);
    return folder.Path() + sub;
}

class LocateDataFolderTest : public testing::Test {
protected:
    // Remembers text as "ZRPath" in a default tree.
    void Remember(const std::string &text)
    {
        WriteDefaultSettings(store, program);
        store.WriteSetting(Misc, "ZRPath", text);
    }
    std::string Locate(const std::vector<std::string> &candidates)
    {
        return LocateDataFolder(store, program, candidates);
    }

    TempFolder folder;
    SettingsStore store{folder.Path() + "settings/s.reg"};
    std::string program = EmptyFolderIn(folder, "program/");
};

TEST_F(LocateDataFolderTest, RememberedFolderWithDataComesFirst)
{
    const std::string data = DataFolderIn(folder, "data/");
    DataFolderIn(folder, "program/");
    Remember(data);
    EXPECT_EQ(Locate({DataFolderIn(folder, "volume/")}), data);
}

TEST_F(LocateDataFolderTest, RememberedFolderGetsItsSlashAndLosesATrailingNul)
{
    const std::string data = DataFolderIn(folder, "data/");
    Remember(folder.Path() + "data");
    EXPECT_EQ(Locate({}), data);
    Remember(folder.Path() + "data" + std::string(1, '\0'));
    EXPECT_EQ(Locate({}), data);
}

TEST_F(LocateDataFolderTest, ProgramFolderWithDataKeepsTheRememberedFolder)
{
    DataFolderIn(folder, "program/");
    const std::string remembered = EmptyFolderIn(folder, "old/");
    Remember(remembered);
    EXPECT_EQ(Locate({DataFolderIn(folder, "volume/")}), remembered);
    // A one-character text is a folder name like any other.
    Remember("e");
    EXPECT_EQ(Locate({}), "e/");
}

TEST_F(LocateDataFolderTest, CandidatesAreTriedInOrderWhenNeitherFolderHoldsData)
{
    Remember(EmptyFolderIn(folder, "old/"));
    const std::vector<std::string> candidates = {folder.Path() + "missing/", EmptyFolderIn(folder, "empty/"),
                                                 DataFolderIn(folder, "second/").substr(0, folder.Path().size() + 6),
                                                 DataFolderIn(folder, "third/")};
    EXPECT_EQ(Locate(candidates), folder.Path() + "second/");
    EXPECT_EQ(Locate({candidates[0], candidates[1]}), "");
    // The search changes nothing that is remembered.
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), folder.Path() + "old/");
}

TEST_F(LocateDataFolderTest, FirstStartWritesTheDefaultsAndTriesTheProgramFolderFirst)
{
    DataFolderIn(folder, "program/");
    EXPECT_EQ(Locate({DataFolderIn(folder, "volume/")}), program);
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), program);
    EXPECT_EQ(store.ReadSetting(Misc, "DisplayHelp").Text(), "True");
    EXPECT_EQ(store.ReadSetting(SettingsKey("export"), "Index").Text(), "4");
    EXPECT_TRUE(store.LastSaveSucceeded());
}

TEST_F(LocateDataFolderTest, EmptyOrUnreadableRememberedFolderRewritesTheDefaults)
{
    for (int pass = 0; pass < 2; ++pass) {
        WriteDefaultSettings(store, program);
        store.WriteSetting(Misc, "Font", "Arial");
        if (pass == 0)
            store.WriteSetting(Misc, "ZRPath", "");
        else
            store.WriteBinarySetting(Misc, "ZRPath", {0x2f});
        const std::string data = DataFolderIn(folder, "volume/");
        EXPECT_EQ(Locate({data}), data);
        EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), program);
        EXPECT_EQ(store.ReadSetting(Misc, "Font").Text(), "MS Sans Serif");
    }
}

TEST_F(LocateDataFolderTest, MissingRememberedFolderIsReportedBeforeTheCandidates)
{
    const std::string gone = folder.Path() + "share/";
    Remember(gone.substr(0, gone.size() - 1));
    std::vector<std::string> reported;
    const std::string volume = DataFolderIn(folder, "volume/");
    EXPECT_EQ(LocateDataFolder(store, program, {volume}, [&](const std::string &f) { reported.push_back(f); }),
              volume);
    EXPECT_EQ(reported, std::vector<std::string>{gone});
    // The search never writes over the remembered folder.
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), gone.substr(0, gone.size() - 1));
}

TEST_F(LocateDataFolderTest, DefaultOrWorkingFolderIsNotReported)
{
    int reports = 0;
    const auto count = [&](const std::string &) { ++reports; };
    // First start: the default is the program folder, which is no choice of
    // the user's.
    LocateDataFolder(store, program, {DataFolderIn(folder, "volume/")}, count);
    Remember(program);
    LocateDataFolder(store, program, {DataFolderIn(folder, "volume/")}, count);
    // A remembered folder with data.
    Remember(DataFolderIn(folder, "data/"));
    LocateDataFolder(store, program, {}, count);
    EXPECT_EQ(reports, 0);
}

TEST(SampleDataFolder, TheSameFolderHoweverItIsWritten)
{
    TempFolder folder;
    const std::string program = folder.Path() + "bin/";
    fs::create_directories(program + "sample-data");
    EXPECT_EQ(SampleDataFolder(program), program + "sample-data/");
    EXPECT_TRUE(IsSampleDataFolder(program + "sample-data/", program));
    EXPECT_TRUE(IsSampleDataFolder(program + "sample-data", program));
    EXPECT_TRUE(IsSampleDataFolder(folder.Path() + "bin//./sample-data/", program));
    fs::create_directory_symlink(program + "sample-data", folder.Path() + "link");
    EXPECT_TRUE(IsSampleDataFolder(folder.Path() + "link/", program));
    fs::create_directories(folder.Path() + "data");
    EXPECT_FALSE(IsSampleDataFolder(folder.Path() + "data/", program));
    EXPECT_FALSE(IsSampleDataFolder("", program));
    EXPECT_FALSE(IsSampleDataFolder(folder.Path() + "absent/", program));
}

TEST(DataFolderCandidates, VolumesInReverseOrderOfTheirPathsThenTheSampleData)
{
    TempFolder folder;
    const std::string media = EmptyFolderIn(folder, "media/");
    const std::string mnt = EmptyFolderIn(folder, "mnt/");
    EmptyFolderIn(folder, "media/user/USB");
    EmptyFolderIn(folder, "media/user/Backup/deeper");
    EmptyFolderIn(folder, "mnt/disk");
    folder.Write("mnt/file.txt", "not a folder");
    fs::create_directory_symlink("/", folder.Path() + "mnt/root");

    const std::vector<std::string> expected = {
        folder.Path() + "mnt/disk/",
        folder.Path() + "media/user/USB/",
        folder.Path() + "media/user/Backup/",
        folder.Path() + "media/user/",
        "/opt/tarvel/sample-data/",
        "/opt/share/tarvel/sample-data/",
    };
    EXPECT_EQ(DataFolderCandidates("/opt/tarvel/", {media, mnt, folder.Path() + "absent"}), expected);
}

TEST(DataFolderCandidates, SystemVolumesEndWithBothSampleDataFoldersAndNeverTheRoot)
{
    const std::vector<std::string> candidates = DataFolderCandidates("/opt/tarvel/");
    ASSERT_FALSE(candidates.empty());
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates[candidates.size() - 2], "/opt/tarvel/sample-data/");
    EXPECT_EQ(candidates.back(), "/opt/share/tarvel/sample-data/");
    for (const std::string &candidate : candidates) {
        EXPECT_NE(candidate, "/");
        EXPECT_EQ(candidate.back(), '/');
    }
}

TEST(InstalledShareFolder, TheShareFolderBesideTheProgramsFolder)
{
    EXPECT_EQ(InstalledShareFolder("/usr/bin/"), "/usr/share/tarvel/");
    EXPECT_EQ(InstalledShareFolder("/tmp/prefix/bin"), "/tmp/prefix/share/tarvel/");
    EXPECT_EQ(InstalledShareFolder("/usr/local/bin/../bin/"), "/usr/local/share/tarvel/");
    EXPECT_EQ(InstalledShareFolder(""), "");
}

// An installed program (bin/ beside share/tarvel/sample-data/) finds the
// installed sample data when nothing better is there.
TEST(DataFolderCandidates, AnInstalledProgramFindsTheInstalledSampleData)
{
    TempFolder prefix;
    const std::string program = EmptyFolderIn(prefix, "bin/");
    const std::string installed = DataFolderIn(prefix, "share/tarvel/sample-data/");
    SettingsStore store(prefix.Path() + "settings.reg");
    EXPECT_EQ(LocateDataFolder(store, program, DataFolderCandidates(program, {})), installed);
    // They are the bundled sample data, and say so.
    EXPECT_EQ(InstalledSampleDataFolder(program), installed);
    EXPECT_TRUE(IsSampleDataFolder(installed, program));
    // A sample-data folder beside the program comes first (a build tree).
    const std::string beside = DataFolderIn(prefix, "bin/sample-data/");
    EXPECT_EQ(LocateDataFolder(store, program, DataFolderCandidates(program, {})), beside);
}

struct AnswerCase {
    const char *answer;
    std::optional<std::string> expected;
};

void PrintTo(const AnswerCase &c, std::ostream *os)
{
    *os << test::CaseText(c.answer) << " -> " << (c.expected ? test::CaseText(*c.expected) : "unchanged");
}

class ChangedDataFolderTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(ChangedDataFolderTest, TrimsAndEndsInASlash)
{
    EXPECT_EQ(ChangedDataFolder(GetParam().answer), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DataFolder, ChangedDataFolderTest,
                         testing::Values(AnswerCase{"  /data/zr  ", "/data/zr/"}, AnswerCase{"/data/", "/data/"},
                                         AnswerCase{"g", "g/"}, AnswerCase{" g ", "g/"},
                                         AnswerCase{"", std::nullopt}, AnswerCase{"    ", std::nullopt}));

} // namespace
} // namespace tarvel

#include "core/settings/settings_store.h"
#include "core/settings/program_settings.h"

#include "core/catalog/failure.h"
#include "core/catalog/temporary_files.h"

#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string Grid = SettingsKey("grid");
const std::string Print = SettingsKey("print");
const std::string Misc = SettingsKey("misc");
const std::string Export = SettingsKey("export");

std::optional<std::string> FileText(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using test::EntryCount;

void WriteMarkers(const TempFolder &folder, const std::string &sub)
{
    folder.Write(sub + "ZR5N.DFX", "x");
    folder.Write(sub + "ZR7N.DFX", "x");
}

const char *const DefaultTree = "REGEDIT4\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\ZUL\\TARVEL_08_1\\grid]\n"
                                "\"Height\"=dword:00001388\n"
                                "\"Reverse\"=\"False\"\n"
                                "\"Width\"=dword:00001f40\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\ZUL\\TARVEL_08_1\\print]\n"
                                "\"FileName\"=\"-no file selected-\"\n"
                                "\"Font\"=\"Courier New\"\n"
                                "\"Footnote\"=\"True\"\n"
                                "\"Index\"=\"1\"\n"
                                "\"PrintToFile\"=\"False\"\n"
                                "\"Size\"=\"8\"\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\ZUL\\TARVEL_08_1\\misc]\n"
                                "\"Bold\"=\"False\"\n"
                                "\"ZRPath\"=\"/opt/tarvel/\"\n"
                                "\"DisplayHelp\"=\"True\"\n"
                                "\"Font\"=\"MS Sans Serif\"\n"
                                "\"Italic\"=\"False\"\n"
                                "\"Size\"=\"8.5\"\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\ZUL\\TARVEL_08_1\\export]\n"
                                "\"Append\"=\"0\"\n"
                                "\"AreaName\"=\"0\"\n"
                                "\"FileName\"=\"-no file selected-\"\n"
                                "\"Format\"=\"0\"\n"
                                "\"Header\"=\"1\"\n"
                                "\"Index\"=\"4\"\n"
                                "\"LineTitle\"=\"1\"\n"
                                "\"Output\"=\"0\"\n"
                                "\"Quote\"=\"1\"\n"
                                "\"Footnotes\"=\"0\"\n";

TEST(SettingsStore, DefaultTreeIsWrittenWholeInItsOrderAndReachesTheDisk)
{
    TempFolder folder;
    const fs::path file = folder.Path() + "ZUL/TARVEL_08_1.reg";
    SettingsStore store(file);
    WriteDefaultSettings(store, "/opt/tarvel/");

    EXPECT_TRUE(store.LastSaveSucceeded());
    EXPECT_EQ(store.Serialize(), DefaultTree);
    EXPECT_EQ(FileText(file).value_or("<missing>"), DefaultTree);
    // Only the file itself is left behind, no temporary file.
    EXPECT_EQ(EntryCount(folder.Path() + "ZUL"), 1);

    const SettingRead height = store.ReadSetting(Grid, "Height");
    EXPECT_EQ(height.status, SettingStatus::Found);
    EXPECT_EQ(height.type, SettingType::Number);
    EXPECT_EQ(height.Number(), 5000);
    EXPECT_EQ(height.Text(), "5000");
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), "/opt/tarvel/");
}

TEST(SettingsStore, DefaultsReplaceTheWholeProgramKeyAndNothingElse)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    store.CreateSettingsKey(SettingsKey("misc\\old"));
    store.WriteSetting(SettingsKey("misc\\old"), "Stale", "1");
    store.CreateSettingsKey(Misc);
    store.WriteSetting(Misc, "Unknown", "x");
    store.WriteSetting(Misc, "Font", "Arial");
    store.CreateSettingsKey("Software\\ZUL\\Other");
    store.WriteSetting("Software\\ZUL\\Other", "Kept", "yes");

    WriteDefaultSettings(store, "/p/");

    EXPECT_FALSE(store.KeyExists(SettingsKey("misc\\old")));
    EXPECT_EQ(store.ReadSetting(Misc, "Unknown").status, SettingStatus::Missing);
    EXPECT_EQ(store.ReadSetting(Misc, "Font").Text(), "MS Sans Serif");
    EXPECT_EQ(store.ReadSetting("Software\\ZUL\\Other", "Kept").Text(), "yes");
    for (const std::string &key : {Grid, Print, Misc, Export})
        EXPECT_TRUE(store.KeyExists(key)) << key;
}

struct NameCase {
    const char *key;
    const char *name;
    const char *expected;
};

void PrintTo(const NameCase &c, std::ostream *os)
{
    *os << test::CaseText(c.key, 40) << ' ' << test::CaseText(c.name) << " -> " << test::CaseText(c.expected);
}

class SettingNameMatchTest : public testing::TestWithParam<NameCase> {};

TEST_P(SettingNameMatchTest, KeyPathsAndValueNamesIgnoreCaseAndTrailingBackslashes)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    WriteDefaultSettings(store, "/p/");
    const SettingRead read = store.ReadSetting(GetParam().key, GetParam().name);
    EXPECT_EQ(read.status, SettingStatus::Found);
    EXPECT_EQ(read.Text(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsStore, SettingNameMatchTest,
    testing::Values(NameCase{"Software\\ZUL\\TARVEL_08_1\\print", "Filename", "-no file selected-"},
                    NameCase{"Software\\ZUL\\TARVEL_08_1\\print", "FILENAME", "-no file selected-"},
                    NameCase{"software\\zul\\tarvel_08_1\\MISC", "zrpath", "/p/"},
                    NameCase{"Software\\ZUL\\TARVEL_08_1\\misc\\", "ZRPath", "/p/"},
                    NameCase{"Software\\ZUL\\TARVEL_08_1\\Export\\\\", "footnotes", "0"}));

TEST(SettingsStore, MissingAndBinaryValuesReadEmptyWithTheirStatus)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    WriteDefaultSettings(store, "/p/");
    store.WriteBinarySetting(Misc, "Blob", {1, 2, 3});

    const SettingRead binary = store.ReadSetting(Misc, "Blob");
    EXPECT_EQ(binary.status, SettingStatus::OtherType);
    EXPECT_EQ(binary.Text(), "");
    EXPECT_EQ(binary.Number(), 0);

    for (const SettingRead &missing :
         {store.ReadSetting(Misc, "NoSuchValue"), store.ReadSetting(SettingsKey("nokey"), "Font")}) {
        EXPECT_EQ(missing.status, SettingStatus::Missing);
        EXPECT_EQ(missing.Text(), "");
        EXPECT_EQ(missing.Number(), 0);
        EXPECT_FALSE(missing.Flag());
    }
}

TEST(SettingsStore, WritingBelowAMissingKeyHasNoEffect)
{
    TempFolder folder;
    const std::string file = folder.Path() + "s.reg";
    SettingsStore store(file);
    store.WriteSetting(Misc, "Font", "Arial");
    store.WriteSetting(Grid, "Height", std::int32_t{10});

    EXPECT_FALSE(store.KeyExists(Misc));
    EXPECT_EQ(store.ReadSetting(Misc, "Font").status, SettingStatus::Missing);
    EXPECT_FALSE(fs::exists(file));
}

TEST(SettingsStore, KeysAboveStoredKeysExistAndDeletingTakesEverythingBelow)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    store.CreateSettingsKey(Grid);
    store.CreateSettingsKey(SettingsKey("grid\\inner"));
    store.CreateSettingsKey("Software\\ZUL\\TARVEL_08_10");

    EXPECT_TRUE(store.KeyExists("Software\\ZUL"));
    EXPECT_FALSE(store.KeyExists("Software\\ZU"));
    EXPECT_TRUE(store.DeleteSettingsKey(ProgramKey));
    EXPECT_FALSE(store.KeyExists(Grid));
    EXPECT_FALSE(store.KeyExists(SettingsKey("grid\\inner")));
    // A sibling whose name merely starts the same stays.
    EXPECT_TRUE(store.KeyExists("Software\\ZUL\\TARVEL_08_10"));
    EXPECT_FALSE(store.DeleteSettingsKey(ProgramKey));
}

struct RoundCase {
    const char *text;
    std::int32_t expected;
};

void PrintTo(const RoundCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text) << " -> " << c.expected;
}

class RoundSettingNumberTest : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundSettingNumberTest, RoundsToNearestWithHalvesToEven)
{
    EXPECT_EQ(RoundSettingNumber(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(SettingsStore, RoundSettingNumberTest,
                         testing::Values(RoundCase{"8.5", 8}, RoundCase{"9.5", 10}, RoundCase{" 8", 8},
                                         RoundCase{"0.5", 0}, RoundCase{"1.5", 2}, RoundCase{"8.51", 9},
                                         RoundCase{"-2.5", -2}, RoundCase{"-3.5", -4}, RoundCase{"+7", 7},
                                         RoundCase{" 12 ", 12}, RoundCase{"1e3", 1000}, RoundCase{"abc", 0},
                                         RoundCase{"", 0}, RoundCase{"12abc", 0}, RoundCase{"inf", 0},
                                         RoundCase{"99999999999", 0}, RoundCase{"-", 0}));

struct FlagCase {
    const char *text;
    bool expected;
};

void PrintTo(const FlagCase &c, std::ostream *os)
{
    *os << test::CaseText(c.text) << " -> " << (c.expected ? "true" : "false");
}

class SettingFlagTest : public testing::TestWithParam<FlagCase> {};

TEST_P(SettingFlagTest, ReadsWordsInAnyCaseOrNonZeroNumbers)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    store.CreateSettingsKey(Misc);
    store.WriteSetting(Misc, "Bold", GetParam().text);
    EXPECT_EQ(store.ReadSetting(Misc, "Bold").Flag(), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(SettingsStore, SettingFlagTest,
                         testing::Values(FlagCase{"True", true}, FlagCase{"true", true}, FlagCase{"TRUE", true},
                                         FlagCase{"False", false}, FlagCase{"fALSE", false}, FlagCase{"1", true},
                                         FlagCase{" 1", true}, FlagCase{"-1", true}, FlagCase{"0", false},
                                         FlagCase{"0.0", false}, FlagCase{"0.4", true}, FlagCase{"yes", false},
                                         FlagCase{"", false}));

TEST(SettingsStore, NumberValuesAreFlagsToo)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    store.CreateSettingsKey(Misc);
    store.WriteSetting(Misc, "On", std::int32_t{5});
    store.WriteSetting(Misc, "Off", std::int32_t{0});
    EXPECT_TRUE(store.ReadSetting(Misc, "On").Flag());
    EXPECT_FALSE(store.ReadSetting(Misc, "Off").Flag());
}

TEST(SettingsStore, ValuesSurviveTheFileWithEscapesAndKeepTheirFirstSpelling)
{
    TempFolder folder;
    const std::string file = folder.Path() + "s.reg";
    const std::string key = "Software\\Test\\MixedCase";
    const std::string latin1 = "caf\xe9 \"quoted\" C:\\data\\ line\r\nnext";
    {
        SettingsStore store(file);
        store.CreateSettingsKey(key);
        store.CreateSettingsKey("Software\\Test\\Empty");
        store.WriteSetting("software\\test\\mixedcase\\", "Text", latin1);
        store.WriteSetting(key, "Blank", "");
        store.WriteSetting(key, "Negative", std::int32_t{-2});
        store.WriteSetting(key, "Say \"hi\"", "x");
        store.WriteBinarySetting(key, "Bytes", {0x00, 0xab, 0xff});
        store.WriteSetting(key, "TEXT", latin1); // overwrites "Text", keeps its spelling
        ASSERT_TRUE(store.LastSaveSucceeded());
    }
    const std::string text = FileText(file).value_or("");
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Test\\MixedCase]\n"), std::string::npos);
    EXPECT_NE(text.find("\"Text\"=\"caf\xe9 \\\"quoted\\\" C:\\\\data\\\\ line"), std::string::npos);
    EXPECT_NE(text.find("\"Negative\"=dword:fffffffe\n"), std::string::npos);
    EXPECT_NE(text.find("\"Bytes\"=hex:00,ab,ff\n"), std::string::npos);
    EXPECT_EQ(text.find("TEXT"), std::string::npos);

    SettingsStore reopened(file);
    EXPECT_FALSE(reopened.WasKeptAside());
    EXPECT_EQ(reopened.Serialize(), text);
    EXPECT_EQ(reopened.ReadSetting(key, "Text").Text(), latin1);
    EXPECT_EQ(reopened.ReadSetting(key, "Blank").status, SettingStatus::Found);
    EXPECT_EQ(reopened.ReadSetting(key, "Negative").Number(), -2);
    EXPECT_EQ(reopened.ReadSetting(key, "say \"HI\"").Text(), "x");
    EXPECT_EQ(reopened.ReadSetting(key, "Bytes").status, SettingStatus::OtherType);
    EXPECT_TRUE(reopened.KeyExists("Software\\Test\\Empty"));
}

TEST(SettingsStore, ReadsCrLfFilesAndMergesRepeatedKeys)
{
    TempFolder folder;
    const std::string file = folder.Write("s.reg", "REGEDIT4\r\n\r\n"
                                                   "[HKEY_CURRENT_USER\\Software\\A\\]\r\n"
                                                   "\"One\"=\"1\"\r\n"
                                                   "\"Two\"=dword:0000000A\r\n"
                                                   "\r\n"
                                                   "[HKEY_CURRENT_USER\\software\\a]\r\n"
                                                   "\"one\"=\"first\"\r\n");
    SettingsStore store(file);
    EXPECT_FALSE(store.WasKeptAside());
    EXPECT_EQ(store.ReadSetting("Software\\A", "One").Text(), "first");
    EXPECT_EQ(store.ReadSetting("Software\\A", "Two").Number(), 10);
    EXPECT_EQ(store.Serialize(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"One\"=\"first\"\n"
                                 "\"Two\"=dword:0000000a\n");
}

// A settings file the store cannot read, as the bytes on disk.
struct BadFile {
    BadFile(const char *bytes) : text(bytes) {}
    const char *text;
};

void PrintTo(const BadFile &c, std::ostream *os)
{
    *os << test::CaseText(c.text, 60);
}

class UnparseableFileTest : public testing::TestWithParam<BadFile> {};

TEST_P(UnparseableFileTest, IsKeptAsideAndTheStoreStartsEmpty)
{
    TempFolder folder;
    folder.Write("s.reg.bad", "older bad file");
    const std::string file = folder.Write("s.reg", GetParam().text);

    SettingsStore store(file);
    EXPECT_TRUE(store.WasKeptAside());
    EXPECT_FALSE(store.WasUnreadable());
    EXPECT_FALSE(store.KeyExists("Software"));
    EXPECT_FALSE(fs::exists(file));
    // An earlier kept file is never replaced: the next one is numbered.
    EXPECT_EQ(FileText(file + ".bad").value_or("<missing>"), "older bad file");
    EXPECT_EQ(FileText(file + ".bad.1").value_or("<missing>"), GetParam().text);

    WriteDefaultSettings(store, "/p/");
    EXPECT_TRUE(store.LastSaveSucceeded());
    EXPECT_EQ(SettingsStore(file).ReadSetting(Misc, "ZRPath").Text(), "/p/");
    EXPECT_EQ(FileText(file + ".bad.1").value_or("<missing>"), GetParam().text);

    // A third one takes the next number.
    folder.Write("s.reg", GetParam().text);
    EXPECT_TRUE(SettingsStore(file).WasKeptAside());
    EXPECT_EQ(FileText(file + ".bad.2").value_or("<missing>"), GetParam().text);
    EXPECT_EQ(FileText(file + ".bad").value_or("<missing>"), "older bad file");
}

INSTANTIATE_TEST_SUITE_P(
    SettingsStore, UnparseableFileTest,
    testing::Values("", "garbage\n", "REGEDIT5\n", "\xef\xbb\xbfREGEDIT4\n", "REGEDIT4\n\"Name\"=\"outside a key\"\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\nnot a value line\n",
                    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", "REGEDIT4\n[HKEY_CURRENT_USER\\]\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A\n", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=\"open\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=\"x\" tail\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=\"bad \\q escape\"\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=dword:123\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=dword:0000000g\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex:1,02\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex:01,\n",
                    "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex(2):41,00\n"));

TEST(SettingsStore, AFileThatCannotBeReadIsKeptAndNeverSavedOver)
{
    // A folder where the file should be cannot be read (as a file without
    // read permission cannot, for any user but root).
    TempFolder folder;
    const std::string file = folder.Path() + "s.reg";
    fs::create_directory(file);
    folder.Write("s.reg/inside", "kept");

    SettingsStore store(file);
    EXPECT_TRUE(store.WasUnreadable());
    EXPECT_FALSE(store.WasKeptAside());
    WriteDefaultSettings(store, "/p/");
    EXPECT_FALSE(store.LastSaveSucceeded());
    // Runs on what it was given, in memory.
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), "/p/");
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(FileText(file + "/inside").value_or("<missing>"), "kept");
    EXPECT_FALSE(fs::exists(file + ".bad"));
}

TEST(SettingsStore, TemporaryFilesOfAKilledSaveAreRemovedAtOpen)
{
    TempFolder folder;
    const std::string file = folder.Write("s.reg", "REGEDIT4\n");
    // A killed save's temporary file: the program's own, no longer locked.
    fs::path left;
    int ticket = -1;
    const int fd = CreateTemporaryFile(folder.Path(), left, ticket);
    ForgetOnSignal(ticket);
    ::close(fd);
    // A file of the user's by the name earlier versions gave theirs stays.
    const std::string users = folder.Write("s.reg.tmp-0badf00d", "REGEDIT4\n[half");
    fs::last_write_time(users, fs::file_time_type::clock::now() - std::chrono::hours(1));

    SettingsStore store(file);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(users));
    store.CreateSettingsKey("Software");
    EXPECT_TRUE(store.LastSaveSucceeded());
    // The save leaves no temporary file of its own.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2);
}

TEST(SettingsStore, MissingFileIsAnEmptyStoreAndStaysUnwrittenUntilAWrite)
{
    TempFolder folder;
    const std::string file = folder.Path() + "sub/s.reg";
    SettingsStore store(file);
    EXPECT_FALSE(store.WasKeptAside());
    EXPECT_FALSE(store.KeyExists(ProgramKey));
    EXPECT_FALSE(fs::exists(file));
    store.CreateSettingsKey(Misc);
    EXPECT_TRUE(fs::exists(file)); // its folder is created on the way
}

TEST(SettingsStore, AnUnwritableFolderKeepsTheValuesInMemory)
{
    TempFolder folder;
    const std::string plain = folder.Write("plain", "a file, not a folder");
    SettingsStore store(plain + "/ZUL/TARVEL_08_1.reg");
    WriteDefaultSettings(store, "/p/");

    EXPECT_FALSE(store.LastSaveSucceeded());
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), "/p/");
    store.WriteSetting(Misc, "Font", "Arial");
    EXPECT_EQ(store.ReadSetting(Misc, "Font").Text(), "Arial");
    EXPECT_EQ(FileText(plain).value_or(""), "a file, not a folder");
}

// A save that fails keeps the system's reason, for the report at quit; the
// next save that reaches the disk clears it.
TEST(SettingsStore, AFailedSaveKeepsTheSystemsReason)
{
    TempFolder folder;
    const std::string blocker = folder.Write("ZUL", "a file where the folder goes");
    SettingsStore store(folder.Path() + "ZUL/s.reg");
    WriteDefaultSettings(store, "/p/");
    EXPECT_FALSE(store.LastSaveSucceeded());
    EXPECT_NE(store.LastSaveError(), 0);
    EXPECT_FALSE(SystemReason(store.LastSaveError()).empty());

    fs::remove(blocker);
    store.WriteSetting(Misc, "Font", "Arial");
    EXPECT_TRUE(store.LastSaveSucceeded());
    EXPECT_EQ(store.LastSaveError(), 0);

    // A file that cannot be parsed, with every name for keeping it aside
    // taken, stays as it is and is never saved over.
    const std::string file = folder.Write("bad.reg", "not settings");
    folder.Write("bad.reg.bad", "");
    for (int n = 1; n < 1000; ++n)
        folder.Write("bad.reg.bad." + std::to_string(n), "");
    SettingsStore kept(file);
    WriteDefaultSettings(kept, "/p/");
    EXPECT_FALSE(kept.LastSaveSucceeded());
    EXPECT_NE(kept.LastSaveError(), 0);
    EXPECT_EQ(FileText(file).value_or("<missing>"), "not settings");
}

TEST(SettingsStore, DisplaySettingsAreWrittenAsQuitStoresThem)
{
    TempFolder folder;
    const std::string file = folder.Path() + "s.reg";
    SettingsStore store(file);
    WriteDefaultSettings(store, "/p/");
    WriteDisplaySettings(store, {"Liberation Mono", 12, true, false, 4321, 9876, true});

    EXPECT_EQ(store.ReadSetting(Misc, "Size").Text(), " 12");
    EXPECT_EQ(store.ReadSetting(Misc, "Bold").Text(), "True");
    EXPECT_EQ(store.ReadSetting(Misc, "Italic").Text(), "False");
    EXPECT_EQ(store.ReadSetting(Grid, "Reverse").Text(), "True");
    EXPECT_EQ(store.ReadSetting(Grid, "Height").type, SettingType::Number);
    EXPECT_EQ(store.ReadSetting(Grid, "Width").type, SettingType::Number);

    const DisplaySettings read = ReadDisplaySettings(SettingsStore(file));
    EXPECT_EQ(read.FontName, "Liberation Mono");
    EXPECT_EQ(read.FontSize, 12);
    EXPECT_TRUE(read.FontBold);
    EXPECT_FALSE(read.FontItalic);
    EXPECT_EQ(read.DefaultWindowHeight, 4321);
    EXPECT_EQ(read.DefaultWindowWidth, 9876);
    EXPECT_TRUE(read.Reverse);
    EXPECT_EQ(SettingNumberText(8), " 8");
}

// Each save is a synced rewrite of the whole file: a write that changes
// nothing leaves the file alone, and deferred writes are saved once, at the
// end of the last deferral (quitting wrote the file eight times).
TEST(SettingsStore, WritesThatChangeNothingOrAreDeferredSaveOnce)
{
    TempFolder folder;
    const std::string file = folder.Path() + "s.reg";
    SettingsStore store(file);
    WriteDefaultSettings(store, "/p/");
    const DisplaySettings shown{"Courier New", 10, false, true, 5000, 8000, false};
    WriteDisplaySettings(store, shown);
    // A stand-in for the file as saved, to see whether it is written again.
    const auto mark = [&file] { std::ofstream(file, std::ios::binary | std::ios::trunc) << "unchanged"; };

    mark();
    WriteDisplaySettings(store, shown);
    store.WriteSetting(Misc, "ZRPath", "/p/");
    EXPECT_EQ(FileText(file).value_or(""), "unchanged");

    {
        const SettingsStore::DeferredSaves outer(store);
        {
            const SettingsStore::DeferredSaves inner(store);
            store.WriteSetting(Misc, "Font", "Liberation Mono");
        }
        store.WriteSetting(Grid, "Height", 4321);
        EXPECT_EQ(FileText(file).value_or(""), "unchanged");
        EXPECT_EQ(store.ReadSetting(Misc, "Font").Text(), "Liberation Mono");
    }
    const SettingsStore saved(file);
    EXPECT_EQ(saved.ReadSetting(Misc, "Font").Text(), "Liberation Mono");
    EXPECT_EQ(saved.ReadSetting(Grid, "Height").Number(), 4321);
    EXPECT_TRUE(store.LastSaveSucceeded());

    // A deferral in which nothing changed saves nothing.
    mark();
    {
        const SettingsStore::DeferredSaves once(store);
        store.WriteSetting(Misc, "Font", "Liberation Mono");
    }
    EXPECT_EQ(FileText(file).value_or(""), "unchanged");
}

// A chosen font's size as the display settings keep it.
class WholeFontSizeTest : public testing::TestWithParam<std::pair<double, int>> {};

TEST_P(WholeFontSizeTest, NearestHalvesToEven)
{
    EXPECT_EQ(WholeFontSize(GetParam().first), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(SettingsStore, WholeFontSizeTest,
                         testing::Values(std::pair{10.5, 10}, std::pair{11.5, 12}, std::pair{8.5, 8},
                                         std::pair{9.5, 10}, std::pair{9.49, 9}, std::pair{9.51, 10},
                                         std::pair{12.0, 12}, std::pair{0.4, 1}, std::pair{-3.0, 1},
                                         std::pair{1e9, 32767}));

TEST(SettingsStore, DisplaySettingsRoundTheSizeAndKeepDefaultsForUnusableValues)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    WriteDefaultSettings(store, "/p/");
    EXPECT_EQ(ReadDisplaySettings(store).FontSize, 8); // the default "8.5"
    EXPECT_EQ(RoundSettingNumber(DefaultFontSizeText), DisplaySettings{}.FontSize);
    store.WriteSetting(Misc, "Size", "9.5");
    EXPECT_EQ(ReadDisplaySettings(store).FontSize, 10);

    store.WriteSetting(Misc, "Size", "0");
    store.WriteSetting(Misc, "Font", "");
    store.WriteSetting(Grid, "Height", "-20");
    store.WriteBinarySetting(Grid, "Width", {1});
    const DisplaySettings unusable = ReadDisplaySettings(store);
    EXPECT_EQ(unusable.FontName, "MS Sans Serif");
    EXPECT_EQ(unusable.FontSize, 8);
    EXPECT_EQ(unusable.DefaultWindowHeight, 5000);
    EXPECT_EQ(unusable.DefaultWindowWidth, 8000);

    const DisplaySettings empty = ReadDisplaySettings(SettingsStore(folder.Path() + "none.reg"));
    EXPECT_EQ(empty.FontName, "MS Sans Serif");
    EXPECT_EQ(empty.DefaultWindowHeight, 5000);
}

TEST(SettingsStore, ResetKeepsAWorkingDataFolderElsewhere)
{
    TempFolder folder;
    WriteMarkers(folder, "data/");
    const std::string programFolder = folder.Path() + "program/";
    std::string dataFolder = folder.Path() + "data/";
    SettingsStore store(folder.Path() + "s.reg");
    WriteDefaultSettings(store, programFolder);
    WriteDisplaySettings(store, {"Arial", 14, true, true, 100, 200, true});

    const DisplaySettings settings = ResetToDefault(store, programFolder, dataFolder);

    EXPECT_EQ(dataFolder, folder.Path() + "data/");
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), dataFolder);
    EXPECT_FALSE(store.ReadSetting(Misc, "DisplayHelp").Flag());
    EXPECT_EQ(settings.FontName, "MS Sans Serif");
    EXPECT_EQ(settings.FontSize, 8);
    EXPECT_FALSE(settings.FontBold);
    EXPECT_FALSE(settings.FontItalic);
    EXPECT_EQ(settings.DefaultWindowHeight, 5000);
    EXPECT_EQ(settings.DefaultWindowWidth, 8000);
    EXPECT_FALSE(settings.Reverse);
}

TEST(SettingsStore, ResetTakesTheProgramFolderWhenItHoldsTheData)
{
    TempFolder folder;
    WriteMarkers(folder, "program/");
    const std::string programFolder = folder.Path() + "program/";
    std::string dataFolder = folder.Path() + "elsewhere/";
    SettingsStore store(folder.Path() + "s.reg");

    ResetToDefault(store, programFolder, dataFolder);

    EXPECT_EQ(dataFolder, programFolder);
    EXPECT_EQ(store.ReadSetting(Misc, "ZRPath").Text(), programFolder);
    EXPECT_EQ(store.ReadSetting(Misc, "DisplayHelp").Text(), "False");
}

class DefaultFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : {"XDG_CONFIG_HOME", "HOME"}) {
            const char *value = std::getenv(name);
            m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
    }
    void TearDown() override
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char *, std::optional<std::string>>> m_saved;
};

TEST_F(DefaultFileTest, FollowsXdgConfigHomeElseHome)
{
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsStore::DefaultFile(), fs::path("/cfg/ZUL/TARVEL_08_1.reg"));
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(SettingsStore::DefaultFile(), fs::path("/home/someone/.config/ZUL/TARVEL_08_1.reg"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::DefaultFile(), fs::path("/home/someone/.config/ZUL/TARVEL_08_1.reg"));
}

} // namespace
} // namespace tarvel

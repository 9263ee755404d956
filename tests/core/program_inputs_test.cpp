#include "core/catalog/program_inputs.h"

#include "core/catalog/file_helpers.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarvel {
namespace {

using test::TempFolder;

TEST(ProgramInputs, InputFilesAreFoundWhateverFolderTextNamedThem)
{
    TempFolder data;
    TempFolder other;
    data.Write("statcode.csv", "areas");
    data.Write("ZR7Hline.csv", "titles");
    std::filesystem::create_directory(other.Path() + "sub");
    std::filesystem::create_directory_symlink(data.Path(), other.Path() + "link");
    const test::WorkingFolder inData(data.Path());

    // An empty data folder reads the working folder's files.
    const DataPaths empty{"", "", false};
    EXPECT_TRUE(IsProgramInputFile(empty, "statcode.csv"));
    EXPECT_TRUE(IsProgramInputFile(empty, "./STATCODE.CSV"));
    EXPECT_TRUE(IsProgramInputFile(empty, "ZR7Hline.csv"));
    EXPECT_TRUE(IsProgramInputFile(empty, data.Path() + "zr7hLINE.csv"));
    EXPECT_FALSE(IsProgramInputFile(empty, "new.csv"));
    EXPECT_FALSE(IsProgramInputFile(empty, other.Path() + "statcode.csv"));

    // The same folder through a link, "..", or a relative name.
    for (const std::string &folder : {other.Path() + "link/", other.Path() + "sub/../link/", std::string("./")}) {
        const DataPaths paths{"/nonexistent/", folder, false};
        EXPECT_TRUE(IsProgramInputFile(paths, data.Path() + "statcode.csv")) << folder;
        EXPECT_TRUE(IsProgramInputFile(paths, "statcode.csv")) << folder;
        EXPECT_TRUE(IsProgramInputFile(paths, other.Path() + "link/ZR7Hline.csv")) << folder;
    }
    // A hard link to an input under another name.
    std::filesystem::create_hard_link(data.Path() + "statcode.csv", other.Path() + "areas.csv");
    EXPECT_TRUE(IsProgramInputFile({"", data.Path(), false}, other.Path() + "areas.csv"));
    // An input that is a link to a file elsewhere makes that file an input.
    const std::string elsewhere = other.Write("kept.htm", "kept");
    other.Write("free.htm", "free");
    std::filesystem::create_symlink(elsewhere, data.Path() + "ZR4.dfx");
    EXPECT_TRUE(IsProgramInputFile({"", data.Path(), false}, elsewhere));
    EXPECT_FALSE(IsProgramInputFile({"", data.Path(), false}, other.Path() + "free.htm"));
    // Files named outright (the settings file).
    EXPECT_TRUE(IsProgramInputFile({"", data.Path(), false}, other.Path() + "sub/../x.reg", {other.Path() + "x.reg"}));
}

TEST(ProgramInputs, ARunKeepsEachAnswerOnlyForItsOwnQuestion)
{
    TempFolder data;
    TempFolder other;
    data.Write("statcode.csv", "areas");
    const DataPaths paths{"", data.Path(), false};
    const DataPaths elsewhere{"", other.Path(), false};
    const std::string areas = data.Path() + "statcode.csv";
    const std::string settings = other.Path() + "x.reg";
    // Within one run (as a print or an export asks), questions asked in
    // turn and again: each answer is its own question's.
    const FolderListingScope run;
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(IsProgramInputFile(paths, areas));
        EXPECT_FALSE(IsProgramInputFile(elsewhere, areas));
        EXPECT_FALSE(IsProgramInputFile(paths, other.Path() + "out.csv"));
        EXPECT_TRUE(IsProgramInputFile(paths, settings, {settings}));
        EXPECT_FALSE(IsProgramInputFile(paths, settings));
        EXPECT_TRUE(IsProgramInputFile(paths, areas));
    }
}

} // namespace
} // namespace tarvel

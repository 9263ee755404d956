#include "core/help/documents.h"
#include "core/catalog/file_helpers.h"

#include "case_names.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

// ---- footnotes and summaries ------------------------------------------------------

struct FootnoteCase {
    const char *name;
    const char *code;
    int index;
    bool unsuppressed;
    bool fileInProgramFolder; ///< the program folder also holds the file
    const char *captionStart; ///< before " (" + path + ")"
    const char *file;
    bool inProgramFolder;     ///< the file is taken from the program folder
};

void PrintTo(const FootnoteCase &c, std::ostream *os)
{
    *os << c.name;
}

class FootnoteDocumentTest : public testing::TestWithParam<FootnoteCase> {};

TEST_P(FootnoteDocumentTest, CaptionAndFile)
{
    const FootnoteCase &c = GetParam();
    TempFolder program;
    TempFolder data;
    if (c.fileInProgramFolder)
        program.Write(c.file, "program copy\r\n");
    const DataPaths paths{program.Path(), data.Path(), c.unsuppressed};

    const std::optional<DocumentRequest> request = FootnoteDocument(paths, c.code, c.index);
    ASSERT_TRUE(request);
    const std::string path = (c.inProgramFolder ? program.Path() : data.Path()) + c.file;
    EXPECT_EQ(request->Path, path);
    std::string caption = std::string(c.captionStart) + " (" + path + ")";
    if (c.unsuppressed)
        caption += " UNSUPPRESSED ";
    EXPECT_EQ(request->Caption, caption);
    EXPECT_TRUE(request->DisplayFont);
    EXPECT_EQ(request->Unsuppressed, c.unsuppressed);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, FootnoteDocumentTest,
    testing::Values(
        // Two blanks between the code and "footnotes".
        FootnoteCase{"ZR5NFootnotes", "ZR5N", 0, false, false, "ZR5N  footnotes", "ZR5Nfn.txt", false},
        FootnoteCase{"FootnotesFromProgramFolder", "ZR7H", 0, false, true, "ZR7H  footnotes", "ZR7Hfn.txt", true},
        // ZR1 has no summary of its own: ZR5's caption and file.
        FootnoteCase{"ZR1SummaryIsZR5s", "ZR1", 1, false, false, "ZR5 summary", "ZR5.doc", false},
        FootnoteCase{"ZR1FootnotesAreItsOwn", "ZR1", 0, false, false, "ZR1  footnotes", "ZR1fn.txt", false},
        FootnoteCase{"SummaryFromProgramFolder", "ZR6", 1, false, true, "ZR6 summary", "ZR6.doc", true},
        // Unsuppressed: the data folder only, whatever the program folder holds.
        FootnoteCase{"UnsuppressedFootnotes", "ZR5N", 0, true, true, "ZR5N  footnotes", "ZR5Nfn.txt", false},
        FootnoteCase{"UnsuppressedZR1Summary", "ZR1", 1, true, true, "ZR5 summary", "ZR5.doc", false}),
    [](const testing::TestParamInfo<FootnoteCase> &info) { return std::string(info.param.name); });

TEST(FootnoteDocument, OnlyTwoCommands)
{
    const DataPaths paths{"/p/", "/d/", false};
    EXPECT_FALSE(FootnoteDocument(paths, "ZR5", -1));
    EXPECT_FALSE(FootnoteDocument(paths, "ZR5", 2));
}

// ---- the other documents ------------------------------------------------------------

TEST(Documentation, TitlesFilesAndFonts)
{
    TempFolder program;
    TempFolder data;
    program.Write("regions.txt", "regions\r\n"); // only this one is in the program folder
    const DataPaths paths{program.Path(), data.Path(), false};

    struct Expected {
        const char *title;
        std::string path;
        bool displayFont;
    };
    const std::vector<Expected> expected{
        {"Format of exported documents", data.Path() + "zrformat.txt", true},
        {"ZUL Regions", program.Path() + "regions.txt", false},
        {"Read Me", data.Path() + "q_readme.txt", false},
    };
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        const Expected &e = expected[static_cast<std::size_t>(index)];
        const std::optional<DocumentRequest> request = Documentation(paths, index);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->Path, e.path);
        EXPECT_EQ(request->Caption, std::string(e.title) + " (" + e.path + ")");
        EXPECT_EQ(request->DisplayFont, e.displayFont);
        EXPECT_FALSE(request->Unsuppressed);
    }
    EXPECT_FALSE(Documentation(paths, 3));
    EXPECT_FALSE(Documentation(paths, -1));
}

TEST(Documentation, NothingInUnsuppressedMode)
{
    TempFolder data;
    data.Write("regions.txt", "regions\r\n");
    const DataPaths paths{data.Path(), data.Path(), true};
    for (int index = 0; index < 3; ++index)
        EXPECT_FALSE(Documentation(paths, index)) << index;
}

// ---- font size and About ------------------------------------------------------------

class WholeFontSizeTest : public testing::TestWithParam<std::pair<double, int>> {};

TEST_P(WholeFontSizeTest, NearestHalvesToEven)
{
    EXPECT_EQ(WholeFontSize(GetParam().first), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(Documents, WholeFontSizeTest,
                         testing::Values(std::pair{10.5, 10}, std::pair{11.5, 12}, std::pair{8.5, 8},
                                         std::pair{9.5, 10}, std::pair{9.49, 9}, std::pair{9.51, 10},
                                         std::pair{12.0, 12}, std::pair{0.4, 1}, std::pair{-3.0, 1},
                                         std::pair{1e9, 32767}));

TEST(AboutText, LocationsNameTheDataSettingsAndHelpFile)
{
    TempFolder folder;
    const std::string help = folder.Write("tarvel.hlp", "@topic 1 Contents\r\n");
    EXPECT_EQ(AboutLocationsText(folder.Path(), "/home/u/.config/ZUL/TARVEL_08_1.reg", help),
              "Data folder: " + folder.Path() + "\r\nSettings: /home/u/.config/ZUL/TARVEL_08_1.reg\r\nHelp file: "
                  + help);
    // Nothing found is said so, never an empty name.
    EXPECT_EQ(AboutLocationsText("", "s.reg", folder.Path() + "absent.hlp"),
              "Data folder: (none found)\r\nSettings: s.reg\r\nHelp file: " + folder.Path() + "absent.hlp (not found)");
}

TEST(AboutText, VersionDateAndContactLines)
{
    const std::string text = AboutText();
    EXPECT_EQ(text.rfind("TARVEL 32-bit v." TARVEL_PROJECT_VERSION "\r\nJune 2008\r\n\r\n", 0), 0u) << text;
    // Organisation, empty line, then author, e-mail and telephone on lines of their own.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 8u) << text;
    EXPECT_TRUE(lines[2].empty());
    EXPECT_FALSE(lines[3].empty());
    EXPECT_TRUE(lines[4].empty());
    EXPECT_NE(lines[6].find('@'), std::string::npos);
    for (const std::string &line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line; // CR LF only, never alone
}

TEST(AboutText, LicenceLineIsLicenseFilesCopyrightAndName)
{
    // The copyright line and the licence's name, word for word as LICENSE has
    // them (its first line is the name), on one line.
    const std::optional<std::string> license = ReadWholeFile(TARVEL_LICENSE_FILE);
    ASSERT_TRUE(license);
    const std::string name = license->substr(0, license->find('\n'));
    const std::size_t copyright = license->find("\nCopyright (c) ");
    ASSERT_NE(copyright, std::string::npos) << *license;
    const std::string copyrightLine =
        license->substr(copyright + 1, license->find('\n', copyright + 1) - copyright - 1);
    EXPECT_EQ(name, "MIT License");
    EXPECT_EQ(AboutLicenceText(), copyrightLine + ". Licensed under the MIT License.");
    EXPECT_EQ(AboutLicenceText().find_first_of("\r\n"), std::string::npos);
}

// ---- arranging windows ----------------------------------------------------------------

TEST(TileWindows, HorizontalStacksFullWidthStrips)
{
    const std::vector<WindowRect> places = TileWindows(3, 300, 200, TileDirection::Horizontal, 20);
    const std::vector<WindowRect> expected{{0, 0, 300, 66}, {0, 66, 300, 67}, {0, 133, 300, 67}};
    EXPECT_EQ(places, expected);
}

TEST(TileWindows, VerticalStandsSideBySide)
{
    const std::vector<WindowRect> places = TileWindows(3, 300, 200, TileDirection::Vertical, 20);
    const std::vector<WindowRect> expected{{0, 0, 100, 200}, {100, 0, 100, 200}, {200, 0, 100, 200}};
    EXPECT_EQ(places, expected);
}

TEST(TileWindows, TooManyForOneStackFillFurtherStacks)
{
    // 100 pixels hold two windows of at least 40: four stacks, the last
    // holding one window over the whole height.
    const std::vector<WindowRect> places = TileWindows(7, 400, 100, TileDirection::Horizontal, 40);
    ASSERT_EQ(places.size(), 7u);
    EXPECT_EQ(places[0], (WindowRect{0, 0, 100, 50}));
    EXPECT_EQ(places[1], (WindowRect{0, 50, 100, 50}));
    EXPECT_EQ(places[2], (WindowRect{100, 0, 100, 50}));
    EXPECT_EQ(places[6], (WindowRect{300, 0, 100, 100}));
    // The same turned round for vertical tiling.
    const std::vector<WindowRect> columns = TileWindows(7, 100, 400, TileDirection::Vertical, 40);
    EXPECT_EQ(columns[2], (WindowRect{0, 100, 50, 100}));
    EXPECT_EQ(columns[6], (WindowRect{0, 300, 100, 100}));
}

TEST(TileWindows, NothingToPlace)
{
    EXPECT_TRUE(TileWindows(0, 300, 200, TileDirection::Horizontal, 20).empty());
    EXPECT_TRUE(TileWindows(2, 0, 200, TileDirection::Vertical, 20).empty());
    // An area smaller than one window still gets every window.
    EXPECT_EQ(TileWindows(2, 300, 10, TileDirection::Horizontal, 50).size(), 2u);
}

TEST(ArrangeIcons, AlongTheBottomThenRowsAbove)
{
    const std::vector<WindowRect> icons(5, WindowRect{0, 0, 100, 30});
    const std::vector<WindowRect> places = ArrangeIcons(icons, 250, 200);
    const std::vector<WindowRect> expected{{0, 170, 100, 30}, {100, 170, 100, 30}, {0, 140, 100, 30},
                                           {100, 140, 100, 30}, {0, 110, 100, 30}};
    EXPECT_EQ(places, expected);
    // An area narrower than an icon still takes one icon a row.
    const std::vector<WindowRect> narrow = ArrangeIcons({{0, 0, 100, 30}, {0, 0, 100, 30}}, 50, 200);
    EXPECT_EQ(narrow[1], (WindowRect{0, 140, 100, 30}));
}

} // namespace
} // namespace tarvel

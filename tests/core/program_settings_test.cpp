#include "core/settings/program_settings.h"

#include "core/catalog/text_helpers.h"
#include "core/export/export_writer.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarvel {
namespace {

using test::TempFolder;

// The readers keep defaults of their own (for a value that is missing or
// unusable); a first start writes the table's. Both must be the same, or a
// first start would differ from a start whose settings were lost.
TEST(ProgramSettings, TheDefaultTreeReadsBackAsEveryReadersDefaults)
{
    TempFolder folder;
    SettingsStore store(folder.Path() + "s.reg");
    WriteDefaultSettings(store, "/p/");

    const DisplaySettings display = ReadDisplaySettings(store);
    const DisplaySettings fallback;
    EXPECT_EQ(display.FontName, fallback.FontName);
    EXPECT_EQ(display.FontSize, fallback.FontSize);
    EXPECT_EQ(display.FontBold, fallback.FontBold);
    EXPECT_EQ(display.FontItalic, fallback.FontItalic);
    EXPECT_EQ(display.DefaultWindowHeight, fallback.DefaultWindowHeight);
    EXPECT_EQ(display.DefaultWindowWidth, fallback.DefaultWindowWidth);
    EXPECT_EQ(display.Reverse, fallback.Reverse);

    const ExportOptions exported = ReadExportChoices(store);
    const ExportOptions first;
    EXPECT_EQ(exported.Format, first.Format);
    EXPECT_EQ(exported.Output, first.Output);
    EXPECT_EQ(exported.Header, first.Header);
    EXPECT_EQ(exported.LineTitle, first.LineTitle);
    EXPECT_EQ(exported.AreaName, first.AreaName);
    EXPECT_EQ(exported.Quote, first.Quote);
    EXPECT_EQ(exported.Append, first.Append);
    EXPECT_EQ(exported.Footnotes, first.Footnotes);
    EXPECT_EQ(exported.FileName, first.FileName);
    EXPECT_TRUE(NamesNoFile(first.FileName));

    // Each value once in the table, whatever the letter case.
    std::set<std::string> names;
    for (const RememberedSetting *setting : RememberedSettings)
        EXPECT_TRUE(names.insert(ToLower(setting->KeyPath() + "\\" + std::string(setting->Name))).second)
            << setting->Name;
}

} // namespace
} // namespace tarvel

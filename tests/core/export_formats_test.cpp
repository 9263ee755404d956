#include "core/export/export_formats.h"

#include "core/export/export_writer.h"
#include "core/export/record_formats.h"
#include "core/settings/settings_store.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvel {
namespace {

// The words, the wizard's file types and the numbers saved are what users,
// scripts and settings files already hold: they never change.
TEST(ExportFormats, NamesNumbersAndFileTypesStay)
{
    EXPECT_EQ(ExportFormatNames("|"), "comma|space|tab|fixed|xlsx");
    const std::vector<std::pair<ExportFormat, int>> fileTypes{{ExportFormat::Comma, 4}, {ExportFormat::Space, 3},
                                                              {ExportFormat::Tab, 2},   {ExportFormat::Fixed, 3},
                                                              {ExportFormat::Workbook, 5}};
    for (const auto &[format, index] : fileTypes) {
        const ExportFormatInfo &info = FormatInfo(format);
        EXPECT_EQ(ExportFormatNamed(info.Name), format) << info.Name;
        EXPECT_EQ(ExportFormatAt(static_cast<int>(format)), format) << info.Name;
        EXPECT_EQ(FileTypeIndex(format), index) << info.Name;
        // The file type offered is the one of the files written.
        EXPECT_NE(info.FileType.find("(*" + std::string(info.Extension) + ")"), std::string_view::npos) << info.Name;
        EXPECT_EQ(info.Appends, info.NoAppendReason.empty()) << info.Name;
    }
    for (const char *other : {"", "Comma", "csv", "comma ", "xls"})
        EXPECT_FALSE(ExportFormatNamed(other)) << other;
    for (const int number : {-1, ExportFormatCount, 99})
        EXPECT_FALSE(ExportFormatAt(number)) << number;
}

// Each format's row is what the records are made of: its delimiter, its
// quotes, its extension and its kind of record.
TEST(ExportFormats, RecordsFollowTheTable)
{
    for (const ExportFormatInfo &info : ExportFormats()) {
        const RecordLayout layout(info.Format, true, "ZR6", {true, false}, {15, 16}, false);
        EXPECT_EQ(layout.Kind(), info.Kind) << info.Name;
        EXPECT_EQ(layout.Extension(), info.Extension) << info.Name;
        const std::string header = layout.Header();
        switch (info.Kind) {
        case RecordKind::Delimited: {
            const std::string q = info.Quotes ? "\"" : "";
            const std::string start = q + "State FIPS" + q + std::string(info.Delimiter) + q + "Region Code";
            EXPECT_EQ(header.substr(0, start.size()), start) << info.Name;
            break;
        }
        case RecordKind::FixedLength:
            EXPECT_EQ(header.substr(0, 17), "SSRTTTTLLLLYYYY.Q") << info.Name;
            break;
        case RecordKind::Workbook:
            EXPECT_EQ(layout.HeaderCells().front(), "State FIPS") << info.Name;
            break;
        }
    }
}

// A saved number outside the table (a settings file of a later version, or
// one edited by hand) reads as the first format.
TEST(ExportFormats, SavedNumberOutsideTheTableReadsAsComma)
{
    test::TempFolder folder;
    SettingsStore settings(folder.Path() + "settings.reg");
    settings.CreateSettingsKey(SettingsKey("export"));
    for (const char *saved : {" 5", "-1", " 3"}) {
        settings.WriteSetting(SettingsKey("export"), "Format", saved);
        const ExportFormat expected = std::string(saved) == " 3" ? ExportFormat::Fixed : ExportFormat::Comma;
        EXPECT_EQ(ReadExportChoices(settings).Format, expected) << saved;
    }
}

// The name follows the chosen format where it is the format's doing: an
// extension of the formats is exchanged, a missing one added; a name the
// user gave another extension keeps it.
TEST(ExportFormats, NameFollowsTheFormatsExtension)
{
    struct Case {
        const char *name;
        ExportFormat format;
        const char *expected;
    };
    const Case cases[] = {
        {"/tmp/exp_fixed.txt", ExportFormat::Workbook, "/tmp/exp_fixed.xlsx"},
        {"/tmp/book.xlsx", ExportFormat::Comma, "/tmp/book.csv"},
        {"/tmp/BOOK.XLSX", ExportFormat::Space, "/tmp/BOOK.prn"},
        {"out.csv", ExportFormat::Tab, "out.txt"},
        {"out.prn", ExportFormat::Fixed, "out.prn"},
        {"/tmp/wiz", ExportFormat::Workbook, "/tmp/wiz.xlsx"},
        {"/tmp/wiz", ExportFormat::Comma, "/tmp/wiz.csv"},
        {"/tmp/v1.2/wiz", ExportFormat::Comma, "/tmp/v1.2/wiz.csv"},
        {"/home/ann/.hidden", ExportFormat::Tab, "/home/ann/.hidden.txt"},
        {"/tmp/data.dat", ExportFormat::Workbook, "/tmp/data.dat"},
        {"/tmp/report.csv.bak", ExportFormat::Comma, "/tmp/report.csv.bak"},
        {"", ExportFormat::Comma, ""},
        {"/tmp/folder/", ExportFormat::Comma, "/tmp/folder/"},
        {"-", ExportFormat::Comma, "-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(NameForFormat(c.name, c.format), c.expected) << c.name << " " << static_cast<int>(c.format);
}

} // namespace
} // namespace tarvel

#include "core/export/export_formats.h"

#include "core/catalog/text_helpers.h"

namespace tarvel {

namespace {

// The wizard's notes are shown line by line as written, each line keeping
// its trailing blank.
constexpr std::string_view TextNote = "Choose variable-length, delimited fields if the output will be going into a \n"
                                      "spreadsheet application. Most spreadsheet applications can handle any \n"
                                      "of the delimiters above.";
constexpr std::string_view WorkbookNote =
    "An Excel workbook keeps area and line codes as text, values as numbers \n"
    "and withheld cells as (D) or (N). It opens in any spreadsheet application. \n"
    "A workbook is always written whole: an existing file is replaced.";

constexpr std::string_view TextFiles = "Text files (*.txt)";
constexpr std::string_view PrnFiles = "PRN files (*.prn)";
constexpr std::string_view CsvFiles = "CSV files (*.csv)";
constexpr std::string_view WorkbookFiles = "Excel workbook (*.xlsx)";

constexpr std::array<ExportFormatInfo, ExportFormatCount> Formats{{
    {ExportFormat::Comma, "comma", RecordKind::Delimited, ",", ".csv", true, true, "",
     "Variable-length, comma-delimited records", TextNote, CsvFiles, false},
    {ExportFormat::Space, "space", RecordKind::Delimited, " ", ".prn", true, true, "",
     "Variable-length, space-delimited records", TextNote, PrnFiles, false},
    {ExportFormat::Tab, "tab", RecordKind::Delimited, "\t", ".txt", true, true, "",
     "Variable-length, tab-delimited records", TextNote, TextFiles, false},
    {ExportFormat::Fixed, "fixed", RecordKind::FixedLength, "", ".prn", false, true, "",
     "Fixed-length records, no delimiters", TextNote, PrnFiles, false},
    {ExportFormat::Workbook, "xlsx", RecordKind::Workbook, "", ".xlsx", false, false,
     "a workbook is always written whole", "Excel workbook (.xlsx)", WorkbookNote, WorkbookFiles, true},
}};

constexpr bool InButtonOrder()
{
    for (int i = 0; i < ExportFormatCount; ++i) {
        if (static_cast<int>(Formats[static_cast<std::size_t>(i)].Format) != i)
            return false;
    }
    return true;
}
static_assert(InButtonOrder(), "a format's row stands at its own index");

} // namespace

const std::array<ExportFormatInfo, ExportFormatCount> &ExportFormats()
{
    return Formats;
}

const ExportFormatInfo &FormatInfo(ExportFormat format)
{
    const auto index = static_cast<std::size_t>(format);
    return index < Formats.size() ? Formats[index] : Formats.front();
}

std::optional<ExportFormat> ExportFormatAt(int index)
{
    if (index < 0 || index >= ExportFormatCount)
        return std::nullopt;
    return Formats[static_cast<std::size_t>(index)].Format;
}

std::optional<ExportFormat> ExportFormatNamed(std::string_view name)
{
    for (const ExportFormatInfo &info : Formats) {
        if (info.Name == name)
            return info.Format;
    }
    return std::nullopt;
}

std::string ExportFormatNames(std::string_view separator)
{
    std::string names;
    for (const ExportFormatInfo &info : Formats) {
        if (!names.empty())
            names += separator;
        names += info.Name;
    }
    return names;
}

std::string_view FileNameExtension(std::string_view name)
{
    const std::size_t slash = name.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const std::size_t dot = last.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return last.substr(dot);
}

std::string NameForFormat(std::string_view name, ExportFormat format)
{
    if (name.empty() || name.back() == '/' || name == "-")
        return std::string(name);
    const std::string_view wanted = FormatInfo(format).Extension;
    const std::string_view extension = FileNameExtension(name);
    if (extension.empty())
        return std::string(name) + std::string(wanted);
    for (const ExportFormatInfo &info : Formats) {
        if (EqualIgnoringCase(extension, info.Extension))
            return std::string(name.substr(0, name.size() - extension.size())) + std::string(wanted);
    }
    return std::string(name);
}

const std::vector<std::string_view> &ExportFileTypes()
{
    static const std::vector<std::string_view> types{TextFiles, PrnFiles, CsvFiles, WorkbookFiles};
    return types;
}

int FileTypeIndex(ExportFormat format)
{
    const std::vector<std::string_view> &types = ExportFileTypes();
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i] == FormatInfo(format).FileType)
            return static_cast<int>(i) + 2;
    }
    return 1; // "All files"
}

} // namespace tarvel

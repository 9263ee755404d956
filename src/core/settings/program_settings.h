#pragma once

#include "core/settings/settings_store.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvel {

// The values the program remembers in its settings tree below ProgramKey:
// one row each (sub-key, name, type, default), and the default tree, the
// display settings and "Reset to default" made from them. Every reader and
// writer of a remembered value names it by its row.

/// What a file-name setting holds while no file is chosen: the default of
/// both "FileName" values.
inline constexpr std::string_view NoFileSelected = "-no file selected-";
/// True when name names no file: it begins with "-no", as NoFileSelected does.
bool NamesNoFile(std::string_view name);

/// One remembered value.
struct RememberedSetting {
    std::string_view SubKey; ///< "grid", "print", "misc" or "export"
    std::string_view Name;   ///< "Height"; matched without regard to letter case
    SettingType Type = SettingType::Text;
    /// What the default tree stores: the text, or a number's decimal digits.
    /// Empty where the default is the program folder.
    std::string_view Default;
    bool DefaultIsProgramFolder = false;

    /// ProgramKey + SubKey.
    std::string KeyPath() const;
    SettingRead Read(const SettingsStore &store) const;
    /// Writes text as the row's type (a number row reads it as a number).
    /// As every write, nothing happens when the key is missing.
    void Write(SettingsStore &store, std::string_view text) const;
    /// Writes a number: a 32-bit number for a number row, SettingNumberText
    /// (one leading blank) for a text row.
    void Write(SettingsStore &store, std::int32_t number) const;
    /// The default of a number row ("5000" gives 5000).
    constexpr std::int32_t DefaultNumber() const
    {
        std::int32_t number = 0;
        for (const char digit : Default)
            number = number * 10 + (digit - '0');
        return number;
    }
    /// The default of a flag row: "True" or "1".
    constexpr bool DefaultFlag() const { return Default == "True" || Default == "1"; }
};

namespace setting {
inline constexpr RememberedSetting GridHeight{"grid", "Height", SettingType::Number, "5000"};   ///< twips
inline constexpr RememberedSetting GridReverse{"grid", "Reverse", SettingType::Text, "False"}; ///< years newest first
inline constexpr RememberedSetting GridWidth{"grid", "Width", SettingType::Number, "8000"};     ///< twips

inline constexpr RememberedSetting PrintFileName{"print", "FileName", SettingType::Text, NoFileSelected};
inline constexpr RememberedSetting PrintFont{"print", "Font", SettingType::Text, "Courier New"};
inline constexpr RememberedSetting PrintFootnote{"print", "Footnote", SettingType::Text, "True"};
/// The print-to-file dialog's file type: 1 all, 2 text, 3 web, 4 PDF files.
inline constexpr RememberedSetting PrintIndex{"print", "Index", SettingType::Text, "1"};
inline constexpr RememberedSetting PrintToFile{"print", "PrintToFile", SettingType::Text, "False"};
inline constexpr RememberedSetting PrintSize{"print", "Size", SettingType::Text, "8"}; ///< whole points

inline constexpr RememberedSetting MiscBold{"misc", "Bold", SettingType::Text, "False"};
/// The remembered data folder.
inline constexpr RememberedSetting ZRPath{"misc", "ZRPath", SettingType::Text, "", true};
/// Open the quick start at the next start.
inline constexpr RememberedSetting DisplayHelp{"misc", "DisplayHelp", SettingType::Text, "True"};
inline constexpr RememberedSetting MiscFont{"misc", "Font", SettingType::Text, "MS Sans Serif"};
inline constexpr RememberedSetting MiscItalic{"misc", "Italic", SettingType::Text, "False"};
/// Points, read as a whole number: the default "8.5" reads 8.
inline constexpr RememberedSetting MiscSize{"misc", "Size", SettingType::Text, "8.5"};

inline constexpr RememberedSetting ExportAppend{"export", "Append", SettingType::Text, "0"};
inline constexpr RememberedSetting ExportAreaName{"export", "AreaName", SettingType::Text, "0"};
inline constexpr RememberedSetting ExportFileName{"export", "FileName", SettingType::Text, NoFileSelected};
/// The record format, the index of the wizard's format button.
inline constexpr RememberedSetting ExportFormatNumber{"export", "Format", SettingType::Text, "0"};
inline constexpr RememberedSetting ExportHeader{"export", "Header", SettingType::Text, "1"};
/// The export file dialog's file type: 1 all, 2 text, 3 PRN, 4 CSV files.
inline constexpr RememberedSetting ExportIndex{"export", "Index", SettingType::Text, "4"};
inline constexpr RememberedSetting ExportLineTitle{"export", "LineTitle", SettingType::Text, "1"};
/// 0 one file for all areas, 1 one file per area.
inline constexpr RememberedSetting ExportOutputMode{"export", "Output", SettingType::Text, "0"};
inline constexpr RememberedSetting ExportQuote{"export", "Quote", SettingType::Text, "1"};
inline constexpr RememberedSetting ExportFootnotes{"export", "Footnotes", SettingType::Text, "0"};
} // namespace setting

/// Every remembered value, in the order the default tree writes them: the
/// sub-keys grid, print, misc, export, each with its values.
inline constexpr std::array<const RememberedSetting *, 25> RememberedSettings{
    &setting::GridHeight,     &setting::GridReverse,     &setting::GridWidth,       &setting::PrintFileName,
    &setting::PrintFont,      &setting::PrintFootnote,   &setting::PrintIndex,      &setting::PrintToFile,
    &setting::PrintSize,      &setting::MiscBold,        &setting::ZRPath,          &setting::DisplayHelp,
    &setting::MiscFont,       &setting::MiscItalic,      &setting::MiscSize,        &setting::ExportAppend,
    &setting::ExportAreaName, &setting::ExportFileName,  &setting::ExportFormatNumber, &setting::ExportHeader,
    &setting::ExportIndex,    &setting::ExportLineTitle, &setting::ExportOutputMode, &setting::ExportQuote,
    &setting::ExportFootnotes,
};

/// How the program stores a flag: "True" or "False".
const char *SettingFlagText(bool flag);

/// Writes the whole default tree: deletes the program key, then creates each
/// sub-key and writes its rows with their defaults ("ZRPath" being
/// programFolder), saved once.
void WriteDefaultSettings(SettingsStore &store, const std::string &programFolder);

/// Display settings as start-up and reset read them. The values given here
/// are the defaults: those of a first start, of "Reset to default", and of a
/// stored value that is missing or unusable; the default tree stores them.
struct DisplaySettings {
    std::string FontName = std::string(setting::MiscFont.Default);
    int FontSize = 8; ///< points: the default "8.5" as the store reads it
    bool FontBold = setting::MiscBold.DefaultFlag();
    bool FontItalic = setting::MiscItalic.DefaultFlag();
    std::int32_t DefaultWindowHeight = setting::GridHeight.DefaultNumber(); ///< twips
    std::int32_t DefaultWindowWidth = setting::GridWidth.DefaultNumber();   ///< twips
    bool Reverse = setting::GridReverse.DefaultFlag();
};
/// The default tree has always stored the default font size as "8.5", which
/// reads as FontSize (halves round to even).
inline constexpr std::string_view DefaultFontSizeText = setting::MiscSize.Default;
/// A font size in points taken to the nearest whole number, halves to the
/// even neighbour (10.5 gives 10, 11.5 gives 12), kept within 1..32767: the
/// size the display settings keep of a chosen font.
int WholeFontSize(double points);
DisplaySettings ReadDisplaySettings(const SettingsStore &store);
/// What quit stores: "Font", "Size" (one leading blank), "Bold", "Italic",
/// "Reverse", "Height", "Width".
void WriteDisplaySettings(SettingsStore &store, const DisplaySettings &settings);

/// Steps 1-4 of "Reset to default": rewrites the tree, keeps a working data
/// folder, turns the quick start off and returns the display settings.
/// dataFolder is updated when the reset "ZRPath" holds the data.
DisplaySettings ResetToDefault(SettingsStore &store, const std::string &programFolder, std::string &dataFolder);

/// The warning shown when the settings could not be saved as the program
/// quits: the file and, when error (an errno value) is not 0, the system's
/// reason on a line of its own.
inline constexpr const char *SettingsNotSavedTitle = "Settings not saved";
std::string SettingsNotSavedText(const std::string &file, int error);

} // namespace tarvel

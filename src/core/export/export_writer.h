#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/export/record_formats.h"
#include "core/settings/program_settings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvel {

/// The index of the chosen `optOP` button.
enum class ExportOutput { OneFile = 0, FilePerArea = 1 };

/// One item of `lstExport`: item k (from 1) stands for data line k.
struct ExportLine {
    std::string text; ///< the line title as listed (ZR1's keep their trailing blanks)
    bool selected = false;
};

/// The wizard's state when Export is pressed.
struct ExportOptions {
    std::string TableCode;                          ///< the chosen table of the program state
    ExportFormat Format = ExportFormat::Comma;      ///< `optCopy`
    ExportOutput Output = ExportOutput::OneFile;    ///< `optOP`
    bool Header = true;                             ///< `chkHeader`
    bool LineTitle = true;                          ///< `chkLineTitle`
    bool AreaName = false;                          ///< `chkAreaName`
    bool Quote = true;                              ///< `chkQuote`; ignored for fixed length
    bool Append = false;                            ///< `chkAppend`
    bool Footnotes = false;                         ///< `chkFoot`
    std::string FileName{NoFileSelected};           ///< `txtFileName`: a file, or a folder ending in '/'
    std::vector<ExportLine> Lines;                  ///< `lstExport`, one item per data line of the table
};

/// What the run reads from the main window's state.
struct ExportSelection {
    DataPaths Paths;
    /// Index 1..60; non-zero = chosen. Not read for ZR1, which exports once.
    std::array<std::uint8_t, AreaCount + 1> AreaSelected{};
    /// Index 1..QuarterCount; non-zero = exported.
    std::vector<std::uint8_t> QuarterSelected;
};

enum class ExportStatus {
    Completed,
    Refused,    ///< nothing written: nothing chosen, or the output is a file the program reads
    FileFailed, ///< a file could not be opened, read or written; see failure
};

/// How a run ended. After anything but Completed every file the run opened
/// is closed and no choice is saved; files listed in `files` stay complete.
struct ExportResult {
    ExportStatus status = ExportStatus::Completed;
    Failure failure;                  ///< FileFailed: the file and what went wrong
    MessageIcon icon = MessageIcon::Information; ///< Refused: the message to show
    std::string title;
    std::string text;
    bool outputIsInput = false;       ///< Refused because the output is a file the program reads
    std::vector<std::string> files;   ///< output files written completely, in order
    int records = 0;                  ///< data records written
    bool footnotesTurnedOff = false;  ///< footnotes were on but the table has no footnote file

    bool Completed() const { return status == ExportStatus::Completed; }
};

/// Called with 0 before the first data record and after each one: records
/// written so far, and the records the run writes in all.
using ExportProgress = std::function<void(int done, int total)>;

/// Writes the export the options describe, one positioned read of the data
/// file per record, each record written as soon as it is built. On
/// completion the choices are saved to settings (when given) under
/// "export"; "Footnotes" is saved off when the footnote file is missing.
/// Checks before anything is written: a quarter, a line and (but for ZR1)
/// an area chosen; the table data file readable; no output name that is a
/// file the program reads. Never throws.
ExportResult RunExport(const ExportOptions &options, const ExportSelection &selection,
                       SettingsStore *settings = nullptr, const ExportProgress &progress = {});

/// True when path names a file the program reads: any file of the data
/// folder, IsProgramInputFile, or one of otherFiles (the settings files;
/// RunExport passes SettingsFilesRead). Paths resolved, letter case ignored.
bool IsProgramFile(const DataPaths &paths, const std::string &path, const std::vector<std::string> &otherFiles = {});

/// Writes "Format", "Header", "AreaName", "LineTitle", "Output", "Append",
/// "Quote", "Filename", "Footnotes" in that order; numbers as " 1".
void SaveExportChoices(SettingsStore &settings, const ExportOptions &options);
/// The choices as the wizard reads them at load (all but "Index"); TableCode
/// and Lines are left empty.
ExportOptions ReadExportChoices(const SettingsStore &settings);

/// Shows the message of a result that is not Completed.
void ReportExportFailure(MessageSink &sink, const ExportResult &result);
/// The same message as one line of text.
std::string ExportFailureText(const ExportResult &result);

inline constexpr const char *ExportCompletedTitle = "Exporting completed";
inline constexpr const char *ExportCompletedText = "Export procedure completed.";
/// "Export completed. Would you like to open the file " + file + "?"
std::string ExportOpenFileQuestion(const std::string &file);
inline constexpr const char *UnsuppressedExportTitle = "UNSUPPRESSED - FOR ZUL USE ONLY";
inline constexpr const char *UnsuppressedExportText =
    "You are exporting unsuppressed data. Keep the output file(s) in a secure location.";

} // namespace tarvel

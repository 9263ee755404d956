#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The export formats: one table says everything that differs between them,
// for the record writer, the export wizard and tarvel-batch (its --format
// words, its help, and the completion and manual page made from it).

/// A format by its place in the table: the index of the wizard's `optCopy`
/// button and the number saved as "Format".
enum class ExportFormat { Comma = 0, Space = 1, Tab = 2, Fixed = 3, Workbook = 4 };
inline constexpr int ExportFormatCount = 5;

/// How a format's records are made.
enum class RecordKind {
    Delimited,   ///< fields as short as they go, with a delimiter between them
    FixedLength, ///< every field at its own width, nothing between them
    Workbook,    ///< rows of spreadsheet cells in a workbook (.xlsx), written whole
};

struct ExportFormatInfo {
    ExportFormat Format;
    std::string_view Name; ///< tarvel-batch's `--format` word
    RecordKind Kind;
    std::string_view Delimiter;     ///< between the fields of a delimited record
    std::string_view Extension;     ///< of each file of a file-per-area export
    bool Quotes;                    ///< texts may be quoted ("Quotes around text fields" applies)
    bool Appends;                   ///< may be appended to a file ("Append to existing files" applies)
    std::string_view NoAppendReason; ///< when it may not: why, as tarvel-batch says it
    std::string_view WizardCaption; ///< the wizard's option button
    std::string_view WizardNote;    ///< shown under the buttons while the format is chosen
    /// The file type the wizard's save dialog offers for it (one of
    /// ExportFileTypes). With OwnFileType the dialog always opens at it and
    /// the file type last chosen stays remembered for the other formats.
    std::string_view FileType;
    bool OwnFileType;
};

/// Every format, in button order.
const std::array<ExportFormatInfo, ExportFormatCount> &ExportFormats();
const ExportFormatInfo &FormatInfo(ExportFormat format);
/// The format of a button index or saved "Format" number; nullopt for a
/// number outside the table.
std::optional<ExportFormat> ExportFormatAt(int index);
/// The format of a `--format` word (exact, "comma"); nullopt for another word.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);
/// The `--format` words in button order, joined by separator.
std::string ExportFormatNames(std::string_view separator);

/// The extension of a file name's last part (".csv", as it is written), or
/// "" when it has none; a leading dot (".profile") is no extension.
std::string_view FileNameExtension(std::string_view name);
/// A one-file export's name once format is chosen, as office save dialogs
/// make it: an extension one of the formats uses (".csv", ".prn", ".txt",
/// ".xlsx", in any letter case) becomes format's, a name without one gets
/// format's, and any other extension stays. An empty name, a folder (ending
/// in '/') and "-" (the standard output) stay as they are.
std::string NameForFormat(std::string_view name, ExportFormat format);

/// The file types of the wizard's save dialog after its "All files (*)", in
/// the order its remembered "Index" counts them (2 is the first). A new
/// type goes last, so a remembered index keeps its meaning.
const std::vector<std::string_view> &ExportFileTypes();
/// The dialog's index of format's file type: 2 for the first of ExportFileTypes.
int FileTypeIndex(ExportFormat format);

} // namespace tarvel

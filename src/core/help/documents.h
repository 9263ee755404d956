#pragma once

#include "core/catalog/data_files.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// The documents of the Documentation menu: which file a document command
// opens and how its window is captioned, without any widget.

/// What a document command opens.
struct DocumentRequest {
    std::string Caption;        ///< the whole window caption, the file in brackets
    std::string Path;           ///< the file read into the window
    bool DisplayFont = false;   ///< the text takes the display font, else the window's own
    bool Unsuppressed = false;  ///< red text on black
};

/// The documents of the chosen table: "Footnotes, current table" and
/// "Summary, current table".
enum class TableDocument { Footnotes, Summary };

/// Footnotes or summary of the table code; ZR1 has no summary of its own and
/// shows ZR5's. In unsuppressed mode the file comes from the data folder
/// only and the caption ends in " UNSUPPRESSED ".
DocumentRequest FootnoteDocument(const DataPaths &paths, std::string_view code, TableDocument which);

/// The documents that come with the data, in menu order: "&Format of
/// exported files", "&ZUL Regions", "&Readme/what's new".
enum class DataDocument { ExportFormats, Regions, Readme };

/// The document, from the program folder when the file is there, else the
/// data folder. nullopt in unsuppressed mode.
std::optional<DocumentRequest> Documentation(const DataPaths &paths, DataDocument which);

} // namespace tarvel

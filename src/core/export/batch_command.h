#pragma once

#include "core/catalog/data_paths.h"
#include "core/export/export_writer.h"
#include "core/print/print_engine.h"
#include "core/views/computed_view.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// "Copy as command": the tarvel-batch command line that makes the same file
// from the same data as an export or a print the viewer is about to run,
// built from the same option structures the viewer gives the writers.

/// A command line for a POSIX shell, or why no tarvel-batch command can
/// make that output.
struct BatchCommand {
    std::string Text;   ///< the whole command, every word quoted as needed; "" when there is none
    std::string Reason; ///< when there is none: a sentence saying why, for the user

    bool Made() const { return !Text.empty(); }
};

/// What every command line starts from.
struct BatchCommandBase {
    /// The program as the command names it: "tarvel-batch", or a path.
    std::string Program = "tarvel-batch";
    /// The folder the viewer works in (ending in '/'): a relative output
    /// name is written there, so the command names it in full. "" keeps
    /// relative names as they are.
    std::string WorkingFolder;
};

/// word as a POSIX shell reads it back: as it stands when it is made only
/// of letters, digits and "_@%+=:,./-" (and is not empty), else in single
/// quotes, each single quote written '\''.
std::string ShellQuote(std::string_view word);
/// The words quoted and joined by blanks.
std::string ShellCommand(const std::vector<std::string> &words);

/// Numbers flagged in flags (index 1..size-1, non-zero = chosen) as
/// tarvel-batch reads them: "all" when every one is, else numbers and
/// ranges ("2-4,6"); "" when none is.
std::string NumberRangesText(std::span<const std::uint8_t> flags);
/// Quarters flagged (index 1..QuarterCount) as a QUARTERS value: "all", a
/// label range ("2007.2-2008.1") or a comma list of labels; "" when none is.
std::string QuartersText(std::span<const std::uint8_t> flags, std::string_view code);

/// The `export` command of the wizard's choices on the selection.
BatchCommand ExportCommand(const BatchCommandBase &base, const ExportOptions &options,
                           const ExportSelection &selection);

/// The `print` command of print-all: table code, the areas in the order
/// print-all visits them, the quarters shown and the years' order, to the
/// file of options. Only a text or HTML file can be made so. Computed
/// units add their short name, an index its base quarter (the oldest
/// selected when none is chosen).
BatchCommand PrintAllCommand(const BatchCommandBase &base, const DataPaths &paths, const std::string &code,
                             const std::vector<int> &areas, std::span<const std::uint8_t> quarterSelected,
                             bool reverse, const PrintOptions &options, const UnitsChoice &units = {});

/// The `print` command that prints the window snapshot shows to the file of
/// options: a table view (one area of a table, or the table whose lines are
/// the areas, in area order), in the units of its figures. A one-line
/// view, a window whose rows are sorted, a document or a printer has none.
BatchCommand PrintWindowCommand(const BatchCommandBase &base, const DataPaths &paths, const PrintSnapshot &snapshot,
                                const PrintOptions &options, bool sorted);

} // namespace tarvel

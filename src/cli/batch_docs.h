#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvel::batch {

// The bash completion and the manual page are written by hand around lists
// the build fills in from the command table, the export formats and the
// table catalog, so a new command, format or table reaches them by itself.

/// The text of a template with every "{{name}}" replaced by its list:
///   table-codes, command-names, format-names, quarter-words, global-options,
///   units-names
///       the words separated by blanks, for the completion;
///   options:KIND (KIND one of folder, file, table, number, areas, lines,
///       quarters, export-format, listing-format, sort, units, quarter)
///       the options that take such a value, as a case pattern "--a | --b";
///   command-option-arms
///       one case arm a command, setting `options` to the command's options;
///   roff:table-codes, roff:table-codes-and, roff:format-names
///       the words as a sentence lists them ("ZR4, ZR1, ... and ZR7H"), the
///       format names in bold, for the manual page;
///   roff:units-list
///       a tagged paragraph per unit of the units table, its short name in
///       bold and its rule, for the manual page.
/// A list of several lines is indented as the line of its name. nullopt
/// with error set for a name it does not know or an unclosed "{{".
std::optional<std::string> FillDocTemplate(std::string_view text, std::string &error);

} // namespace tarvel::batch

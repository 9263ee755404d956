#pragma once

namespace tarvel::batch_option {

// tarvel-batch's option names, each spelled here once. tarvel-batch's
// command table (cli/batch_command_table.h) says which command takes which
// and what value; "Copy as command" (batch_command.h) writes them.

// Before the command.
inline constexpr const char *Data = "--data";
inline constexpr const char *Unsuppressed = "--unsuppressed";
inline constexpr const char *Help = "--help";
inline constexpr const char *Version = "--version";

// The commands'.
inline constexpr const char *Table = "--table";
inline constexpr const char *Area = "--area";
inline constexpr const char *Areas = "--areas";
inline constexpr const char *Line = "--line";
inline constexpr const char *Lines = "--lines";
inline constexpr const char *Quarters = "--quarters";
inline constexpr const char *Reverse = "--reverse";
inline constexpr const char *Sort = "--sort";
/// An export's record format, or a listing's form (text, CSV, JSON).
inline constexpr const char *Format = "--format";
inline constexpr const char *Output = "--output";
inline constexpr const char *PerArea = "--per-area";
inline constexpr const char *NoHeader = "--no-header";
inline constexpr const char *LineTitles = "--line-titles";
inline constexpr const char *NoLineTitles = "--no-line-titles";
inline constexpr const char *AreaNames = "--area-names";
inline constexpr const char *NoAreaNames = "--no-area-names";
inline constexpr const char *NoQuotes = "--no-quotes";
inline constexpr const char *Append = "--append";
inline constexpr const char *Footnotes = "--footnotes";
/// The units shown (a short name of the units table), and an index's base
/// quarter ("2008.1").
inline constexpr const char *Units = "--units";
inline constexpr const char *Base = "--base";
/// The one quarter a map shows ("2008.1").
inline constexpr const char *Quarter = "--quarter";

} // namespace tarvel::batch_option

#pragma once

#include "cli/batch_command_table.h"
#include "cli/standard_output.h"
#include "core/catalog/data_files.h"
#include "core/export/batch_options.h"
#include "core/export/script_tables.h"
#include "core/views/computed_view.h"

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvel::batch {

// tarvel-batch: the viewer's core from the command line. Exit statuses:
// 0 success, 1 a file that cannot be read or written, 2 a usage error.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFile = 1;
inline constexpr int ExitUsage = 2;

/// The parsed command line after the global options.
struct Invocation {
    DataPaths paths;
    std::string command;
    /// Options of the command: "--table" -> "ZR5N"; flags map to "".
    std::map<std::string, std::string> options;
};

/// Everything a command needs besides its options.
struct Context {
    const Invocation &invocation;
    std::ostream &out;
    std::ostream &err;

    bool Has(const std::string &option) const { return invocation.options.count(option) != 0; }
    std::string Value(const std::string &option) const;
};

/// Runs a whole command line (args without the program name).
/// programFolder is the folder of the executable, ending in '/'.
int Run(const std::vector<std::string> &args, const std::string &programFolder, std::ostream &out,
        std::ostream &err);

/// Reports a usage error ("tarvel-batch: " + message, then the usage line)
/// on err and returns ExitUsage.
int UsageError(std::ostream &err, const std::string &message);
/// Reports that standard output could not be written, with the system's
/// reason on the next line when error (an errno value) is not 0, and
/// returns ExitFile.
int OutputError(std::ostream &err, int error);
/// Reports a failure (the viewer's file message) on err and returns ExitFile.
/// Messages on err show a control byte of a name as \xHH (TerminalText).
int FileError(std::ostream &err, const Failure &failure);

/// AREAS: "all", or numbers and ranges "1,5-9". The flags of areas 1..60
/// (index 0 unused), or a message naming what is wrong.
std::optional<std::vector<std::uint8_t>> ParseAreas(const std::string &text, std::string &error);
/// QUARTERS for table code: one of QuarterWords, a label range
/// "2007.1-2008.1" or a comma list of labels in any order. Flags of
/// quarters 1..QuarterCount (index 0 unused), or a message.
std::optional<std::vector<std::uint8_t>> ParseQuarters(const std::string &text, const std::string &code,
                                                       std::string &error);
/// The QUARTERS that are words: "last4" "last5" "last8" "last9" "all".
const std::vector<std::string> &QuarterWords();
/// LINES: "all" or numbers and ranges, within 1..lineCount. Index 0 unused.
std::optional<std::vector<std::uint8_t>> ParseLines(const std::string &text, int lineCount, std::string &error);

/// The command's option as --help writes it ("--areas AREAS"); the name
/// alone when the command has no such option.
std::string OptionUsage(const Context &context, std::string_view option);
/// "the command export needs --areas AREAS".
std::string MissingOptionText(const Context &context, std::string_view option);

/// The --table option checked against the catalog, or a usage error message.
std::optional<std::string> TableOption(const Context &context, std::string &error);
/// The --format of a listing command (text when not given), or a usage
/// error message.
std::optional<ListingFormat> ListingFormatOption(const Context &context, std::string &error);
/// --units and --base for table code: the units the figures are shown in
/// (the published values when --units is not given), or a usage error
/// message naming the units or the quarters allowed. --base needs --units
/// index and a quarter label of the table.
std::optional<UnitsChoice> UnitsOption(const Context &context, const std::string &code, std::string &error);

// The commands (run through the table of batch_command_table.h), each in
// the file of the capability it opens.
int RunTables(const Context &context);
int RunAreas(const Context &context);
int RunLines(const Context &context);
int RunShow(const Context &context);     // batch_show.cpp
int RunShowLine(const Context &context); // batch_show.cpp
int RunExport(const Context &context);   // batch_export.cpp
int RunPrint(const Context &context);    // batch_print.cpp
int RunMap(const Context &context);      // batch_map.cpp

} // namespace tarvel::batch

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvel::batch {

struct Context;

// tarvel-batch's commands: one table gives each command's name, options,
// --help lines and the function that runs it. The command line is parsed,
// dispatched and explained from it, and the build makes the bash
// completion and the manual page's lists from it (batch_docs.h). The
// options' names are the core's (core/export/batch_options.h), which
// "Copy as command" writes too.

/// What an option's value is: none for a flag; otherwise what kind of value
/// it takes, which also says what the completion offers for it.
/// ExportFormat is a record format of `export`; ListingFormat the form a
/// listing command writes (text, CSV or JSON); SortKey a QUARTER[:asc|:desc];
/// Units a short name of the units table; Quarter one quarter label.
enum class OptionValue {
    None,
    Folder,
    File,
    Table,
    Number,
    Areas,
    Lines,
    Quarters,
    ExportFormat,
    ListingFormat,
    SortKey,
    Units,
    Quarter
};

struct OptionSpec {
    std::string_view Name; ///< "--table", one of batch_option's
    OptionValue Value = OptionValue::None;
    /// What stands for the value in --help and the messages ("CODE"); the
    /// formats' names, for a format.
    std::string_view Placeholder{};

    bool TakesValue() const { return Value != OptionValue::None; }
};

/// The option as --help writes it: "--table CODE", "--format text|csv|json",
/// "--reverse".
std::string OptionUsage(const OptionSpec &option);

struct CommandSpec {
    std::string_view Name;
    std::vector<OptionSpec> Options;
    /// --help's usage lines: the command and its options, each further line
    /// indented to stand under the options.
    std::vector<std::string> Usage;
    /// --help's lines under the usage: what the command writes.
    std::vector<std::string> Description;
    int (*Run)(const Context &context) = nullptr;
    /// Reads the data folder, so a run looks for one (`tables` does not).
    bool ReadsData = true;

    const OptionSpec *FindOption(std::string_view name) const;
};

/// Every command, in --help's order.
const std::vector<CommandSpec> &Commands();
/// The command of that name (exact); nullptr for any other word, which is
/// never run.
const CommandSpec *FindCommand(std::string_view name);
/// The options that stand before the command.
const std::vector<OptionSpec> &GlobalOptions();

/// "tarvel-batch [--data DIR] [--unsuppressed] COMMAND [options]"
std::string ProgramUsage();

/// The text of --help: the commands' usage and description lines from the
/// table, between the program's own lines.
std::string HelpText();

} // namespace tarvel::batch

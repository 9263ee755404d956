#pragma once

// tarvel-batch run in-process, for the command-line tests.
#include "cli/batch_commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace tarvel::test {

/// What one run gave: the exit status, the standard output and error, and
/// the output split at LF (without the last, empty, piece).
struct BatchOutcome {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines;
};

/// Runs tarvel-batch with args as its command line. The program folder does
/// not exist, so only --data leads to data.
inline BatchOutcome RunBatch(const std::vector<std::string> &args,
                             const std::string &programFolder = "/nonexistent/")
{
    std::ostringstream out;
    std::ostringstream err;
    BatchOutcome outcome;
    outcome.status = batch::Run(args, programFolder, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    std::istringstream in(outcome.out);
    for (std::string line; std::getline(in, line);)
        outcome.lines.push_back(line);
    return outcome;
}

/// args after "--data folder", and "--unsuppressed" first when asked.
inline std::vector<std::string> WithData(std::vector<std::string> args, const std::string &folder,
                                         bool unsuppressed = false)
{
    args.insert(args.begin(), {"--data", folder});
    if (unsuppressed)
        args.insert(args.begin(), "--unsuppressed");
    return args;
}

} // namespace tarvel::test

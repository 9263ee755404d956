#pragma once

#include <string>

namespace tarvel {

/// The print state: filled by the print dialog and print-all, read by the
/// engine. PrintFontSize 0 means the dialog was cancelled.
struct PrintOptions {
    bool PrintToFile = false;
    std::string PrintFileName;
    std::string PrintFontName;
    int PrintFontSize = 0; ///< points; the dialog sets 8 for a file
    bool IncludeFootnotes = false;
    bool PrintAllMode = false;
    bool PrintAllFirst = false;
    bool PrintAllLast = false;
};

} // namespace tarvel

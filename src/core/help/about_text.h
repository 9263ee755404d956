#pragma once

#include <string>

namespace tarvel {

// The texts of the About box and the agency's web site of the Help menu.

inline constexpr const char *AboutTitle = "About TARVEL";
/// The version line, the date and the contact lines, joined by CR LF.
std::string AboutText();
/// The About box's copyright line, naming the licence:
/// "Copyright (c) YEARS HOLDER. Licensed under the NAME."
std::string AboutLicenceText();
/// The lines the About box adds after AboutText, joined by CR LF: where the
/// data folder, the settings file and the help file are. An empty data
/// folder reads "(none found)"; a help file that does not exist is named
/// with " (not found)" after it.
std::string AboutLocationsText(const std::string &dataFolder, const std::string &settingsFile,
                               const std::string &helpFile);
/// The agency's web site, opened by "ZUL &Web Site".
inline constexpr const char *WebSiteAddress = "https://www.example.org/tarvel";

} // namespace tarvel

#pragma once

#include "core/version.h"

#include <string>

namespace tarvel {

// The texts of the About box and the agency's web site of the Help menu.

inline constexpr const char *AboutTitle = "About TARVEL";
/// The version line, the date and the contact lines, joined by CR LF. The
/// contact lines say what is true: who holds the licence, where problems
/// are reported, and that there is no e-mail address or telephone number.
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
/// The web site "ZUL &Web Site" opens; "" when there is none (the build
/// names none unless told one), and the command then shows the help.
inline constexpr const char *WebSiteAddress = WebSite;

} // namespace tarvel

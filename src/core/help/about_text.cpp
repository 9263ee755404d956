#include "core/help/about_text.h"

#include "core/catalog/file_helpers.h"
#include "core/version.h"

namespace tarvel {

std::string AboutText()
{
    const std::string crlf = "\r\n";
    // The project has no office, address or telephone: the lines say so
    // rather than name any.
    return "TARVEL 32-bit v." + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "."
        + std::to_string(VersionRevision) + crlf + "June 2008" + crlf + crlf + CopyrightHolder + crlf + crlf
        + "Problems: tell whoever gave you this copy, with the version above" + crlf + "E-mail: none" + crlf
        + "Telephone: none";
}

std::string AboutLicenceText()
{
    return std::string(CopyrightText) + ". Licensed under the " + LicenceName + ".";
}

std::string AboutLocationsText(const std::string &dataFolder, const std::string &settingsFile,
                               const std::string &helpFile)
{
    const std::string crlf = "\r\n";
    const std::string help = helpFile.empty() ? "(not found)"
        : FileExists(helpFile)                ? helpFile
                                              : helpFile + " (not found)";
    return "Data folder: " + (dataFolder.empty() ? std::string("(none found)") : dataFolder) + crlf
        + "Settings: " + settingsFile + crlf + "Help file: " + help;
}

} // namespace tarvel

#include "core/settings/installed_share.h"

#include <filesystem>

// The install rules give the share folder relative to the program folder
// (GNUInstallDirs: bin/ and share/ by default).
#ifndef TARVEL_SHARE_FROM_BIN
#define TARVEL_SHARE_FROM_BIN "../share/tarvel"
#endif

namespace tarvel {

std::string InstalledShareFolder(const std::string &programFolder)
{
    if (programFolder.empty())
        return {};
    std::filesystem::path folder = std::filesystem::path(programFolder) / TARVEL_SHARE_FROM_BIN;
    std::string text = folder.lexically_normal().string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

} // namespace tarvel

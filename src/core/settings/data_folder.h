#pragma once

#include "core/settings/settings_store.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvel {

/// Folders tried after the remembered folder and the program folder: the
/// mounted volumes below /media, /mnt and /run/media (their entries, then
/// the entries one level down, in reverse order of their paths; never "/"),
/// then the sample-data folder beside the executables, and last the sample
/// data of an installed program (InstalledShareFolder + "sample-data/").
std::vector<std::string> DataFolderCandidates(const std::string &programFolder);
/// The same list with other folders in place of /media, /mnt and /run/media.
std::vector<std::string> DataFolderCandidates(const std::string &programFolder,
                                              const std::vector<std::string> &volumeRoots);

/// The data folder found from the remembered "ZRPath", the program folder
/// and the candidates, in that order; "" when none holds the marker files.
/// Writes the default tree first when "ZRPath" is missing, empty or not text.
std::string LocateDataFolder(SettingsStore &store, const std::string &programFolder,
                             const std::vector<std::string> &candidates);

/// The text rules of the change-path box: answer trimmed; empty keeps the
/// current folder (nullopt); otherwise the answer with '/' appended.
std::optional<std::string> ChangedDataFolder(const std::string &answer);

inline constexpr const char *ChangePathTitle = "Change path";
inline constexpr const char *ChangePathPrompt =
    "The current setting for the path to the TARVEL files is below. Enter a new drive letter or path, or cancel: ";

} // namespace tarvel

#pragma once

#include "core/settings/settings_store.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

/// Folders tried after the remembered folder and the program folder: the
/// mounted volumes below /media, /mnt and /run/media (their entries, then
/// the entries one level down, in reverse order of their paths; never "/"),
/// and last the sample-data folder beside the executables.
std::vector<std::string> DataFolderCandidates(const std::string &programFolder);
/// The same list with other folders in place of /media, /mnt and /run/media.
std::vector<std::string> DataFolderCandidates(const std::string &programFolder,
                                              const std::vector<std::string> &volumeRoots);

/// The folder of the sample data the build puts beside the executables
/// (ending in '/').
std::string SampleDataFolder(const std::string &programFolder);
/// True when folder is the bundled sample data (the same folder on disk,
/// however it is written). Generated numbers, never published ones.
bool IsSampleDataFolder(const std::string &folder, const std::string &programFolder);

/// Called with the remembered folder (ending in '/') when it does not hold
/// the data, before any other folder is tried.
using RememberedFolderMissing = std::function<void(const std::string &folder)>;

/// The data folder found from the remembered "ZRPath", the program folder
/// and the candidates, in that order; "" when none holds the marker files.
/// Writes the default tree first when "ZRPath" is missing, empty or not text.
/// A folder the user chose earlier (not the default, the program folder)
/// that holds no data is passed to missing before the candidates are tried.
std::string LocateDataFolder(SettingsStore &store, const std::string &programFolder,
                             const std::vector<std::string> &candidates,
                             const RememberedFolderMissing &missing = {});

/// The message for a remembered folder without the data.
inline constexpr const char *RememberedFolderMissingTitle = "Data folder not found";
std::string RememberedFolderMissingText(const std::string &folder);

/// The text rules of the change-path box: answer trimmed; empty keeps the
/// current folder (nullopt); otherwise the answer with '/' appended.
std::optional<std::string> ChangedDataFolder(const std::string &answer);

inline constexpr const char *ChangePathTitle = "Change path";
inline constexpr const char *ChangePathPrompt =
    "The current setting for the path to the TARVEL files is below. Enter a new drive letter or path, or cancel: ";

} // namespace tarvel

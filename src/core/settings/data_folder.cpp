#include "core/settings/data_folder.h"

#include "core/catalog/file_helpers.h"
#include "core/settings/installed_share.h"
#include "core/settings/program_settings.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>

namespace tarvel {
namespace {

namespace fs = std::filesystem;

// The sub-folders of folder, each as "folder/name"; none when it cannot be read.
std::vector<std::string> SubFolders(const std::string &folder)
{
    std::vector<std::string> found;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return found;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::error_code typeError;
        if (it->is_directory(typeError))
            found.push_back(WithTrailingSlash(folder) + it->path().filename().string());
    }
    return found;
}

// A volume entry that leads back to the root (a link to "/") would search
// the whole system.
bool IsRoot(const std::string &folder)
{
    std::error_code ec;
    return fs::equivalent(folder, "/", ec);
}

// "ZRPath" as stored; nullopt when it is missing or not text.
std::optional<std::string> ReadRememberedFolder(const SettingsStore &store)
{
    const SettingRead read = setting::ZRPath.Read(store);
    if (!read.Found())
        return std::nullopt;
    return read.Text();
}

} // namespace

std::vector<std::string> DataFolderCandidates(const std::string &programFolder,
                                              const std::vector<std::string> &volumeRoots)
{
    std::vector<std::string> volumes;
    for (const std::string &root : volumeRoots) {
        for (const std::string &entry : SubFolders(root)) {
            if (IsRoot(entry))
                continue;
            volumes.push_back(WithTrailingSlash(entry));
            for (const std::string &inner : SubFolders(entry)) {
                if (!IsRoot(inner))
                    volumes.push_back(WithTrailingSlash(inner));
            }
        }
    }
    std::sort(volumes.begin(), volumes.end(), std::greater<>());
    volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());

    std::vector<std::string> candidates = std::move(volumes);
    candidates.push_back(SampleDataFolder(programFolder));
    // An installed program keeps its sample data in the share folder.
    const std::string installed = InstalledSampleDataFolder(programFolder);
    if (installed != candidates.back())
        candidates.push_back(installed);
    return candidates;
}

std::vector<std::string> DataFolderCandidates(const std::string &programFolder)
{
    return DataFolderCandidates(programFolder, {"/media", "/mnt", "/run/media"});
}

std::string SampleDataFolder(const std::string &programFolder)
{
    return WithTrailingSlash(programFolder) + "sample-data/";
}

std::string InstalledSampleDataFolder(const std::string &programFolder)
{
    return InstalledShareFolder(WithTrailingSlash(programFolder)) + "sample-data/";
}

bool IsSampleDataFolder(const std::string &folder, const std::string &programFolder)
{
    if (folder.empty())
        return false;
    std::error_code ec;
    if (fs::equivalent(folder, SampleDataFolder(programFolder), ec))
        return true;
    std::error_code installedError;
    return fs::equivalent(folder, InstalledSampleDataFolder(programFolder), installedError);
}

std::string RememberedFolderMissingText(const std::string &folder)
{
    return "The Orlandel files were last used in " + folder
        + ", which cannot be reached or does not hold them (a network share that is not mounted, or a disk that is"
          " not connected?). Other folders will be searched; the remembered folder is kept unless you change it.";
}

std::string LocateDataFolder(SettingsStore &store, const std::string &programFolder,
                             const std::vector<std::string> &candidates, const RememberedFolderMissing &missing)
{
    std::string folder = ReadRememberedFolder(store).value_or("");
    // A first start (or a lost tree) gets the whole default tree, whose
    // "ZRPath" is the program folder.
    bool remembered = true;
    if (folder.empty()) {
        WriteDefaultSettings(store, programFolder);
        folder = ReadRememberedFolder(store).value_or("");
        remembered = false;
    }
    if (!folder.empty() && folder.back() == '\0')
        folder.pop_back();
    folder = WithTrailingSlash(folder);

    if (DataFilesPresent(folder) || DataFilesPresent(programFolder))
        return folder;
    // Falling back silently would pass other data (the sample data) off as
    // the folder the user works with.
    if (missing && remembered && folder != WithTrailingSlash(programFolder))
        missing(folder);
    for (const std::string &candidate : candidates) {
        if (DataFilesPresent(candidate))
            return WithTrailingSlash(candidate);
    }
    return {};
}

std::optional<std::string> ChangedDataFolder(const std::string &answer)
{
    const std::string trimmed = Trim(answer);
    if (trimmed.empty())
        return std::nullopt;
    return WithTrailingSlash(trimmed);
}

} // namespace tarvel

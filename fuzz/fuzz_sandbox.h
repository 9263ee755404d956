#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::fuzz {

/// A folder of its own for one fuzzing process, in memory (/dev/shm) where
/// the system has one with room, else under the temporary folder; removed
/// when the process ends normally.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    /// The folder, ending in '/'.
    const std::string &Path() const { return m_path; }
    /// Writes bytes to name inside the folder (folders created).
    std::string Write(const std::string &name, std::string_view bytes) const;

private:
    std::string m_path;
};

/// The bytes of every regular file below folder, by path.
std::map<std::string, std::string> Snapshot(const std::string &folder);
/// The regular files below folder, by path, with their size and time of
/// last change: cheap to take after every run.
std::map<std::string, std::string> Listing(const std::string &folder);
/// The bytes of a file; nullopt when it cannot be read.
std::optional<std::string> ReadFile(const std::string &path);
/// Writes bytes over path, a file of folder's snapshot, and takes the file
/// as now written for the checks' own: the next check does not read it.
void PutBack(const std::string &folder, const std::string &path, std::string_view bytes);
/// Removes every file below folder that snapshot does not hold, and stops the
/// process (a finding) when a file of snapshot changed or went.
void CheckUnchangedAndTidy(const std::string &folder, const std::map<std::string, std::string> &snapshot,
                           const char *what);

/// The fuzzer's bytes split at NUL bytes.
std::vector<std::string> SplitAtNul(const std::uint8_t *data, std::size_t size);

} // namespace tarvel::fuzz

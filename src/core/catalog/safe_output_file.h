#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

/// An output file that takes the place of its target only when the run that
/// writes it succeeds. The bytes go to a temporary file in the target's
/// folder; Commit renames it over the target, after syncing it to disk when
/// it replaces an existing file. Without Commit (a
/// failed write, an early return, an exception) the temporary file is
/// removed and the target stays byte for byte as it was.
class SafeOutputFile {
public:
    enum class Mode {
        Replace, ///< the new file holds only what is written
        Append,  ///< the new file starts as a copy of the existing one
    };

    /// Starts the output for target (a name that exists in another letter
    /// case is that file; a link is followed to the file it names). nullopt
    /// when the target is not a regular file, cannot be read to append to,
    /// or no temporary file can be made beside it. Append to a missing file
    /// starts it empty (see Appending).
    static std::optional<SafeOutputFile> Open(const std::string &target, Mode mode);

    SafeOutputFile(SafeOutputFile &&other) noexcept;
    SafeOutputFile &operator=(SafeOutputFile &&other) noexcept;
    SafeOutputFile(const SafeOutputFile &) = delete;
    SafeOutputFile &operator=(const SafeOutputFile &) = delete;
    ~SafeOutputFile();

    /// Adds bytes (buffered). false once any write has failed; later writes
    /// then do nothing and Commit fails.
    bool Write(std::string_view bytes);
    /// Writes what is buffered, syncs the file to disk when it replaces an
    /// existing one, and renames it over the target. false when anything
    /// failed; the target is then unchanged.
    bool Commit();
    /// Drops everything written; the target stays as it was.
    void Discard();

    bool IsOpen() const { return m_fd >= 0; }
    /// True when the output started as a copy of an existing target.
    bool Appending() const { return m_appending; }
    /// The file that Commit replaces.
    const std::filesystem::path &Target() const { return m_target; }

private:
    SafeOutputFile() = default;
    bool Flush();
    void Close();

    int m_fd = -1;
    bool m_failed = false;
    bool m_appending = false;
    bool m_replaces = false; // an earlier file of the target's name existed
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::string m_buffer;
};

/// Writes bytes to file through a temporary file in its folder, synced and
/// renamed into place; false (file unchanged) when any step failed.
bool ReplaceFileContents(const std::string &file, std::string_view bytes);

/// The name pattern of the temporary files: file + ".tmp-" + 8 hex digits.
bool IsTemporaryFileOf(const std::filesystem::path &candidate, const std::filesystem::path &file);
/// Removes the temporary files of file that a killed run left behind: those
/// older than minimumAge (a younger one may belong to a run still writing).
void RemoveStaleTemporaryFiles(const std::filesystem::path &file,
                               std::chrono::seconds minimumAge = std::chrono::seconds(600));

} // namespace tarvel

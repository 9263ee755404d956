#pragma once

#include "core/catalog/prefaulted_memory.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

/// An output file that takes the place of its target only when the run that
/// writes it succeeds. The bytes go to a temporary file in the target's
/// folder; Commit syncs it (when it replaces an existing file) and renames it
/// over the target. Without Commit (a failed write, an early return, an
/// exception) the temporary file is removed and the target stays byte for
/// byte as it was.
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
    bool Write(std::string_view bytes)
    {
        // The usual case, a few bytes into a buffer with room: one copy.
        if (bytes.size() < static_cast<std::size_t>(m_end - m_next)) {
            std::char_traits<char>::copy(m_next, bytes.data(), bytes.size());
            m_next += bytes.size();
            return true;
        }
        return WriteMore(bytes);
    }
    /// Room for size bytes at the end of the buffer, for a caller that
    /// composes its text in place: it writes at most size bytes at the
    /// pointer and hands the end of what it wrote to Used. nullptr once a
    /// write has failed (nothing is to be written then).
    char *Room(std::size_t size)
    {
        if (size < static_cast<std::size_t>(m_end - m_next))
            return m_next;
        return MakeRoom(size);
    }
    /// The end of the bytes written at the pointer Room gave.
    void Used(char *end) { m_next = end; }
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
    bool WriteMore(std::string_view bytes);
    char *MakeRoom(std::size_t size);
    bool Flush();
    /// After a flush of the first, small buffer: the large buffer in its place.
    void GrowBuffer();
    void Close();
    /// No room: every write takes the slow way (and fails there).
    void Stop() { m_next = m_end = m_buffer.get(); }

    int m_fd = -1;
    bool m_failed = false;
    bool m_appending = false;
    bool m_replaces = false; // the target existed when the output started
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    // The buffer holds [m_buffer, m_next); [m_next, m_end) is free.
    PrefaultedBuffer m_buffer;
    std::size_t m_capacity = 0;
    char *m_next = nullptr;
    char *m_end = nullptr;
    std::uint64_t m_unsynced = 0; // bytes written since the disk write was last started
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

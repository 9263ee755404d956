#pragma once

#include "core/catalog/append_journal.h"
#include "core/catalog/failure.h"
#include "core/catalog/prefaulted_memory.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tarvel {

struct OutputTarget;

/// An output file written as Unix programs write theirs, so that a failed
/// run loses nothing: without Commit a file replaced or appended to stays
/// byte for byte as it was and no temporary file is left behind; the
/// standard output, FIFOs, devices and sockets are written in place, never
/// replaced. How each kind of target is written: safe_output_file.cpp.
class SafeOutputFile {
public:
    enum class Mode {
        Replace, ///< the file holds only what is written
        Append,  ///< what is written is added to the end of the file
    };
    enum class Delivery {
        AsWritten, ///< bytes may reach a target that cannot take them back as they are written
        /// nothing reaches the target before Commit (the bytes wait in
        /// WorkFile), or for an append to a file, nothing of a run that
        /// fails stays in it
        Whole,
    };

    /// Starts the output for target (see FindOutputTarget: "-" is the
    /// standard output, links are followed, a name in another letter case
    /// is that file). NotAccessible, with the system's reason, when it is
    /// no file that can be written (a folder, a loop of links, a file the
    /// user may not write) or no temporary file can be made for it. An
    /// append waits while another run appends to the same file.
    static Result<SafeOutputFile> Open(const std::string &target, Mode mode, Delivery delivery = Delivery::AsWritten);

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
    /// Writes what is buffered and puts it in place: syncs and renames the
    /// temporary file, copies the spool file, or syncs the file appended
    /// to (one this run made is not synced). false when anything failed; a file replaced or appended to is
    /// then as it was (the standard output and special files keep what
    /// reached them).
    bool Commit();
    /// Drops everything written; a file replaced or appended to stays as it was.
    void Discard();

    bool IsOpen() const { return m_fd >= 0; }
    /// True when the output adds to what the target held: an existing file
    /// appended to, or a standard output that is a file holding something.
    bool Appending() const { return m_appending; }
    /// The file written: links followed, the name as given for the
    /// standard output and special files.
    const std::filesystem::path &Target() const { return m_target; }
    /// The file that holds the bytes until Commit when it is one of its
    /// own (a temporary file beside the target, or a spool file): another
    /// writer may fill it by name instead (the workbook library). Always
    /// one for Delivery::Whole, except for an append to a file; empty for an
    /// output written in place.
    const std::filesystem::path &WorkFile() const { return m_workFile; }
    /// The system's reason (an errno value) for the first failure; 0 for none.
    int Error() const { return m_error; }

private:
    enum class Way {
        Direct, ///< written to the target itself
        Rename, ///< a temporary file beside the target, renamed over it
        Spool,  ///< a spool file, copied into the target at Commit
    };
    enum class Step { Done, Retry, Failed };

    SafeOutputFile() = default;
    void TakeFrom(SafeOutputFile &other) noexcept;
    Step Start(const OutputTarget &target, Mode mode, Delivery delivery);
    Step LockTarget();
    bool StartSpool();
    bool StartTemporary(bool replacing);
    void TakeOwnerAndMode();
    /// Copies the work file open as from into the target.
    bool CopyToTarget(int from);
    void CutBack();
    void CloseTarget();
    bool Fail();
    bool WriteMore(std::string_view bytes);
    /// Writes to m_fd, as far as an append's journal allows.
    bool Put(const char *data, std::size_t size);
    char *MakeRoom(std::size_t size);
    bool Flush();
    /// After a flush of the first, small buffer: the large buffer in its place.
    void GrowBuffer();
    void Close();
    /// No room: every write takes the slow way (and fails there).
    void Stop() { m_next = m_end = m_buffer.get(); }

    int m_fd = -1;     // where the buffered bytes go
    int m_output = -1; // the target's own descriptor while open; descriptor 1 is never closed
    Way m_way = Way::Direct;
    bool m_failed = false;
    bool m_appending = false;
    bool m_append = false;
    bool m_sync = false;          // synced at Commit: it holds what was there before
    bool m_truncateFirst = false; // written in place from the start: emptied as writing starts
    bool m_created = false;       // an append that made the file
    std::int64_t m_earlierLength = -1; // an append's length to cut back to; -1 where none can be
    std::uint64_t m_appended = 0;      // bytes written to m_fd
    AppendJournal m_journal;           // an append's, while it runs
    int m_ticket = -1;            // the work file's removal, or an append's cut, on a signal
    int m_error = 0;
    std::filesystem::path m_target;
    std::filesystem::path m_workFile;
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

} // namespace tarvel

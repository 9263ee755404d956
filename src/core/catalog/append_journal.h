#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvel {

// An append to a file is made in place; for as long as it runs, a small
// journal beside the file, ".tarvel-journal-" + the file's inode in hex +
// "-" + a mark of the program's own, says which file it is (inode, birth
// time, name), how long it was, whether this run made it, and how far the
// append may have reached. Its writer holds a lock on it. A run that is
// killed leaves it unlocked, and the next writer of the file, or the next
// clean-up of its folder, cuts the file back to its earlier length (or
// removes a file that run made) and removes the journal: whatever ends a
// run, the file holds its earlier content or that and the whole new block.
// The file itself never holds anything of the journal.

class AppendJournal {
public:
    AppendJournal() = default;
    /// The journal of an append to the file open as fd at path (links
    /// followed), which the caller has locked and which holds length bytes
    /// (none before when this run made it). None (Active() false) where
    /// none can be made: the append then goes on without one.
    static AppendJournal Start(int fd, const std::filesystem::path &path, std::int64_t length, bool created);

    AppendJournal(AppendJournal &&other) noexcept;
    AppendJournal &operator=(AppendJournal &&other) noexcept;
    AppendJournal(const AppendJournal &) = delete;
    AppendJournal &operator=(const AppendJournal &) = delete;
    ~AppendJournal() { Finish(); }

    bool Active() const { return m_fd >= 0; }
    /// Before bytes are written that take the file up to end bytes. false
    /// (errno set) when the journal cannot say so: the write must not go on.
    bool Reach(std::int64_t end);
    /// The append is over, done or cut back: the journal goes. Called
    /// before the file is synced, so that a crash after a run reported done
    /// cannot bring back a journal that would cut its output away.
    void Finish();

private:
    int m_fd = -1;
    int m_ticket = -1; // its removal on a signal
    std::filesystem::path m_path;
    std::string m_record;
};

struct JournalHonoured {
    int error = 0;         ///< why the file must not be appended to now; 0 when it may
    bool madeByRun = false; ///< the killed run had made the file: it is empty again
};

/// Honours a journal a killed run left for the file open as fd at path,
/// which the caller has locked: the file is cut back to the length it
/// recorded, when it is still that file and has grown no further than that
/// run may have written, and the journal is removed. error is set (an
/// errno value) when a journal is there that cannot be read, is held by a
/// live writer, or was honoured but cannot be removed (another user's in a
/// sticky folder): an append now would be cut away by it later.
JournalHonoured HonourAppendJournal(int fd, const std::filesystem::path &path);

/// Whether name has a journal's form (its mark matches the inode it names).
bool IsAppendJournalName(std::string_view name);

/// For the clean-up of the folder open as dirFd: the journal named name,
/// when it is this user's and its writer is gone, is honoured for the file
/// it names (a file that run made is removed), then removed; one that no
/// longer fits its file is removed. Nothing is done while the file is
/// locked by a writer, who honours the journal itself.
void RecoverAppendJournal(int dirFd, const std::string &name);

} // namespace tarvel

#include "core/catalog/append_journal.h"

#include "core/catalog/own_files.h"
#include "core/catalog/temporary_files.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view Prefix = ".tarvel-journal-";
constexpr std::string_view MarkText = "journal";
constexpr char Magic[8] = {'T', 'V', 'J', 'O', 'U', 'R', 'N', '1'};
// How long an appender waits for a journal another run looks at: 1 s.
constexpr int LockTries = 200;
constexpr useconds_t LockPause = 5000;

// The journal's bytes: this record, then the file's name. reach and check
// stand together at the end, so one write of 16 bytes moves the reach.
struct Record {
    char magic[8];
    std::uint64_t inode;
    std::int64_t birthSeconds; // 0 where the file system keeps no birth time
    std::int64_t birthNanoseconds;
    std::int64_t earlier;
    std::uint64_t created;
    std::uint64_t nameLength;
    std::int64_t reach; // the most the file may have held while the run wrote
    std::uint64_t check; // the keyed hash of all before it and the name
};
static_assert(sizeof(Record) == 72);
constexpr std::size_t ReachAt = offsetof(Record, reach);

struct Identity {
    std::uint64_t inode = 0;
    std::int64_t birthSeconds = 0;
    std::int64_t birthNanoseconds = 0;
};

// The inode and, where kept, the birth time: an inode number used again
// for a later file is not taken for the one a journal names.
bool IdentityOf(int fd, Identity &identity)
{
    struct statx extended {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &extended) == 0) {
        identity.inode = extended.stx_ino;
        if (extended.stx_mask & STATX_BTIME) {
            identity.birthSeconds = extended.stx_btime.tv_sec;
            identity.birthNanoseconds = extended.stx_btime.tv_nsec;
        }
        return true;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return false;
    identity.inode = status.st_ino;
    return true;
}

bool Fits(const Record &record, const Identity &identity)
{
    return record.inode == identity.inode && record.birthSeconds == identity.birthSeconds
        && record.birthNanoseconds == identity.birthNanoseconds;
}

std::string Hex(std::uint64_t number)
{
    char text[17];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(number));
    return text;
}

std::string JournalName(std::uint64_t inode)
{
    return std::string(Prefix) + Hex(inode) + "-" + OwnMark(MarkText, inode);
}

std::uint64_t CheckOf(Record record, std::string_view name)
{
    record.check = 0;
    std::string bytes(reinterpret_cast<const char *>(&record), sizeof record);
    bytes += name;
    return OwnHash(bytes);
}

// The record and name of the journal open as fd, when it is one.
bool ReadRecord(int fd, Record &record, std::string &leaf)
{
    char bytes[sizeof(Record) + NAME_MAX + 1];
    const ssize_t got = ::pread(fd, bytes, sizeof bytes, 0);
    if (got < static_cast<ssize_t>(sizeof(Record)))
        return false;
    std::memcpy(&record, bytes, sizeof record);
    if (std::memcmp(record.magic, Magic, sizeof Magic) != 0 || record.nameLength > NAME_MAX
        || static_cast<std::size_t>(got) != sizeof(Record) + record.nameLength)
        return false;
    leaf.assign(bytes + sizeof(Record), record.nameLength);
    return record.check == CheckOf(record, leaf) && record.earlier >= 0 && record.reach >= record.earlier;
}

// Whether the file open as fd holds no more than the killed run may have
// written after its earlier bytes: one that grew further was added to
// since, by someone else, and is left as it is.
bool InReach(int fd, const Record &record)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && status.st_size >= record.earlier && status.st_size <= record.reach;
}

fs::path FolderOf(const fs::path &file)
{
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

int OpenFolder(const fs::path &folder)
{
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A journal, a regular file by that name, opened without following a link
// or waiting on a FIFO; -1 when there is none.
int OpenJournal(int dirFd, const std::string &name, struct stat &named)
{
    if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode))
        return -1;
    return ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

} // namespace

AppendJournal AppendJournal::Start(int fd, const fs::path &path, std::int64_t length, bool created)
{
    Identity identity;
    if (!IdentityOf(fd, identity))
        return {};
    const fs::path folder = FolderOf(path);
    const Descriptor dir(OpenFolder(folder));
    if (dir.get() < 0)
        return {};
    const std::string leaf = path.filename().string();
    Record record{};
    std::memcpy(record.magic, Magic, sizeof Magic);
    record.inode = identity.inode;
    record.birthSeconds = identity.birthSeconds;
    record.birthNanoseconds = identity.birthNanoseconds;
    record.earlier = length;
    record.created = created ? 1 : 0;
    record.nameLength = leaf.size();
    record.reach = length;
    record.check = CheckOf(record, leaf);
    std::string bytes(reinterpret_cast<const char *>(&record), sizeof record);
    bytes += leaf;

    const HeldSignals held;
    std::string name;
    const int journal = CreateOwnFile(
        dir.get(), 0600, [&](std::uint64_t) { return JournalName(identity.inode); },
        [&](int made) {
            // Readable by every user who may append to the file, so that
            // any of them can honour it.
            return ::fchmod(made, 0644) == 0
                && ::pwrite(made, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
        },
        name);
    if (journal < 0)
        return {};
    AppendJournal started;
    started.m_fd = journal;
    started.m_path = folder / name;
    started.m_record = std::move(bytes);
    started.m_ticket = RemoveOnSignal(started.m_path);
    return started;
}

AppendJournal::AppendJournal(AppendJournal &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_ticket(std::exchange(other.m_ticket, -1))
    , m_path(std::move(other.m_path))
    , m_record(std::move(other.m_record))
{
}

AppendJournal &AppendJournal::operator=(AppendJournal &&other) noexcept
{
    if (this != &other) {
        Finish();
        m_fd = std::exchange(other.m_fd, -1);
        m_ticket = std::exchange(other.m_ticket, -1);
        m_path = std::move(other.m_path);
        m_record = std::move(other.m_record);
    }
    return *this;
}

bool AppendJournal::Reach(std::int64_t end)
{
    if (m_fd < 0)
        return true;
    Record record;
    std::memcpy(&record, m_record.data(), sizeof record);
    if (end <= record.reach)
        return true;
    record.reach = end;
    record.check = CheckOf(record, std::string_view(m_record).substr(sizeof record));
    std::memcpy(m_record.data(), &record, sizeof record);
    const ssize_t written = ::pwrite(m_fd, m_record.data() + ReachAt, sizeof record - ReachAt, ReachAt);
    if (written == static_cast<ssize_t>(sizeof record - ReachAt))
        return true;
    if (written >= 0)
        errno = EIO;
    return false;
}

void AppendJournal::Finish()
{
    if (m_fd < 0)
        return;
    // Removed while still locked: no clean-up finds it without its writer.
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
    ForgetOnSignal(std::exchange(m_ticket, -1));
}

JournalHonoured HonourAppendJournal(int fd, const fs::path &path)
{
    JournalHonoured result;
    Identity identity;
    if (!IdentityOf(fd, identity))
        return result;
    const Descriptor dir(OpenFolder(FolderOf(path)));
    if (dir.get() < 0)
        return result;
    const std::string name = JournalName(identity.inode);
    struct stat named {};
    const Descriptor journal(OpenJournal(dir.get(), name, named));
    if (journal.get() < 0) {
        // One that is there but cannot be read may be a killed run's.
        if (errno != ENOENT && S_ISREG(named.st_mode))
            result.error = errno;
        return result;
    }
    // Its writer appended to this file, which the caller holds locked: the
    // journal is held at most for a moment, by another run's clean-up that
    // then finds the file locked and lets go. Held longer, it is in use by
    // a writer on a file system whose locks do not hold.
    int tries = 0;
    while (::flock(journal.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        if (++tries == LockTries) {
            result.error = EWOULDBLOCK;
            return result;
        }
        ::usleep(LockPause);
    }
    Record record;
    std::string leaf;
    if (!NameIsFile(dir.get(), name.c_str(), journal.get()) || !ReadRecord(journal.get(), record, leaf))
        return result; // not one of ours: it stays, and this append goes on without a journal
    if (!Fits(record, identity)) {
        // That of an earlier file that had the same inode number.
        if (named.st_uid == ::geteuid())
            ::unlinkat(dir.get(), name.c_str(), 0);
        return result;
    }
    if (InReach(fd, record) && ::ftruncate(fd, record.earlier) == 0)
        result.madeByRun = record.created != 0 && record.earlier == 0;
    if (::unlinkat(dir.get(), name.c_str(), 0) != 0)
        result.error = errno;
    return result;
}

bool IsAppendJournalName(std::string_view name)
{
    if (name.size() <= Prefix.size() || name.substr(0, Prefix.size()) != Prefix)
        return false;
    const std::string_view rest = name.substr(Prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 16)
        return false;
    std::uint64_t inode = 0;
    for (const char c : rest.substr(0, dash)) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit && !(c >= 'a' && c <= 'f'))
            return false;
        inode = inode * 16 + static_cast<std::uint64_t>(digit ? c - '0' : c - 'a' + 10);
    }
    return rest.substr(0, dash) == Hex(inode) && rest.substr(dash + 1) == OwnMark(MarkText, inode);
}

void RecoverAppendJournal(int dirFd, const std::string &name)
{
    struct stat named {};
    const Descriptor journal(OpenJournal(dirFd, name, named));
    struct stat open {};
    if (journal.get() < 0 || named.st_uid != ::geteuid() || ::fstat(journal.get(), &open) != 0
        || !SameFile(open, named))
        return;
    // Locked: its writer is at work. Where nothing can be locked, nothing
    // proves the writer gone.
    if (::flock(journal.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    Record record;
    std::string leaf;
    if (!NameIsFile(dirFd, name.c_str(), journal.get()) || !ReadRecord(journal.get(), record, leaf)
        || JournalName(record.inode) != name)
        return;

    struct stat fileStatus {};
    const bool fileThere = ::fstatat(dirFd, leaf.c_str(), &fileStatus, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISREG(fileStatus.st_mode) && fileStatus.st_ino == record.inode;
    // Held (and so locked) until the journal is gone: a writer waiting for
    // the file never finds a journal honoured already.
    const Descriptor file(
        fileThere ? ::openat(dirFd, leaf.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1);
    Identity identity;
    if (fileThere && (file.get() < 0 || !IdentityOf(file.get(), identity)))
        return; // left for a writer who may write the file
    if (fileThere && Fits(record, identity)) {
        // A writer that holds the file honours the journal itself.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 || !NameIsFile(dirFd, leaf.c_str(), file.get()))
            return;
        if (InReach(file.get(), record)) {
            if (record.created != 0 && record.earlier == 0)
                ::unlinkat(dirFd, leaf.c_str(), 0);
            else if (::ftruncate(file.get(), record.earlier) != 0)
                return;
        }
    }
    // Honoured, or its file is gone or another: the journal goes.
    ::unlinkat(dirFd, name.c_str(), 0);
}

} // namespace tarvel

// How each kind of output target is written:
// - a regular file is replaced through a temporary file beside it, synced
//   and renamed over it at Commit, with its mode (and its owner and group
//   where the system allows) kept; where no temporary file can be made
//   beside it (a folder the user may not write), it is written in place at
//   Commit from a spool file in the temporary folder, and where the rename
//   is refused (another user's file in a sticky folder), from the
//   temporary file;
// - an append is written in place, the file locked (flock) for the whole
//   output, synced at Commit (unless this run made the file), and cut back
//   to its earlier length (a file this run made, removed) when anything
//   fails or SIGINT or SIGTERM ends the run; a journal beside it lets the
//   next writer cut back one that was killed (append_journal.h); so it
//   needs no spool file to be whole or nothing;
// - the standard output is written through descriptor 1 as it stands (so
//   "program >> log" appends), and FIFOs, devices, sockets and terminals
//   are written in place: neither is ever reopened, truncated or replaced;
// - a file the user may not write is refused, as opening it would be.
// Without Commit (a failed write, an early return, an exception) a file
// replaced or appended to stays as it was, and no temporary file is left
// behind (nor by a run ended by SIGINT or SIGTERM; those of a killed run
// are removed by the next output to their folder).

#include "core/catalog/safe_output_file.h"

#include "core/catalog/append_journal.h"
#include "core/catalog/output_target.h"
#include "core/catalog/temporary_files.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

// A file starts with a small buffer, so a small output touches few pages of
// new memory (each costs its first touch); the first time that buffer is
// written out full, the large one takes over, its pages handed over at once.
constexpr std::size_t FirstBufferSize = 16 * 1024;
constexpr std::size_t BufferSize = 64 * 1024;
// After this many bytes the disk write of what a file to be synced holds is
// started, so it runs while the rest is composed.
constexpr std::uint64_t WritebackStep = 1024 * 1024;
// Another writer that replaces or makes the target between its finding and
// its opening sends the start round again; this many times at most.
constexpr int StartAttempts = 8;

bool WriteAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

fs::path FolderOf(const fs::path &file)
{
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// A socket is written through a connection to it, as a client would.
int ConnectSocket(const fs::path &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

Result<SafeOutputFile> SafeOutputFile::Open(const std::string &target, Mode mode, Delivery delivery)
{
    // A file size limit makes a write fail as a full disk would.
    IgnoreFileSizeSignal();
    int error = EAGAIN;
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        Result<OutputTarget> found = FindOutputTarget(target);
        if (!found)
            return found.Error();
        SafeOutputFile file;
        file.m_target = found->path;
        file.m_append = mode == Mode::Append;
        const Step step = file.Start(*found, mode, delivery);
        if (step == Step::Done) {
            file.m_buffer = MakePrefaultedBuffer(FirstBufferSize);
            file.m_capacity = FirstBufferSize;
            file.m_next = file.m_buffer.get();
            file.m_end = file.m_next + FirstBufferSize;
            return file;
        }
        error = file.m_error;
        file.Discard();
        if (step == Step::Failed)
            break;
    }
    Failure failure = Failure::NotAccessible(target);
    failure.error = error;
    return failure;
}

SafeOutputFile::Step SafeOutputFile::Start(const OutputTarget &target, Mode mode, Delivery delivery)
{
    const bool whole = delivery == Delivery::Whole;
    switch (target.kind) {
    case OutputTarget::Kind::StandardOutput: {
        // Written as it stands: never reopened, so ">> log" appends.
        m_output = STDOUT_FILENO;
        struct stat status {};
        m_appending = ::fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
        if (whole)
            return StartSpool() ? Step::Done : Step::Failed;
        m_fd = m_output;
        return Step::Done;
    }
    case OutputTarget::Kind::Special:
        m_output = ::open(target.path.c_str(),
                          O_WRONLY | O_NOCTTY | O_CLOEXEC | (m_append ? O_APPEND : 0));
        if (m_output < 0 && errno == ENXIO)
            m_output = ConnectSocket(target.path);
        if (m_output < 0) {
            Fail();
            return Step::Failed;
        }
        if (whole)
            return StartSpool() ? Step::Done : Step::Failed;
        m_fd = m_output;
        return Step::Done;
    case OutputTarget::Kind::Regular:
        // Opening it for writing is what says whether the user may write it.
        m_output = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (m_append ? O_APPEND : 0));
        if (m_output < 0) {
            Fail();
            return Step::Failed;
        }
        m_appending = m_append;
        break;
    case OutputTarget::Kind::Missing:
        if (mode == Mode::Replace)
            return StartTemporary(false) ? Step::Done : Step::Failed;
        m_output = ::open(target.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (m_output < 0) {
            // Made by another writer meanwhile: it is appended to.
            Fail();
            return m_error == EEXIST ? Step::Retry : Step::Failed;
        }
        m_created = true;
        break;
    }

    if (mode == Mode::Append) {
        const Step locked = LockTarget();
        if (locked != Step::Done)
            return locked;
        // What a killed run left of its append goes first; its journal
        // must go too, or it would cut this output away later.
        const JournalHonoured honoured = HonourAppendJournal(m_output, m_target);
        if (honoured.error != 0) {
            errno = honoured.error;
            Fail();
            return Step::Failed;
        }
        if (honoured.madeByRun) {
            m_created = true;
            m_appending = false;
        }
        struct stat status {};
        if (::fstat(m_output, &status) != 0) {
            Fail();
            return Step::Failed;
        }
        m_earlierLength = status.st_size;
        m_journal = AppendJournal::Start(m_output, m_target, m_earlierLength, m_created);
        // Whole or nothing needs no spool file here: the file is written in
        // place under its lock and cut back (or, made by this run, removed)
        // when the run fails or a signal ends it. A file this run made holds
        // nothing earlier that a crash could cost, so it is not synced.
        m_sync = !m_created;
        m_fd = m_output;
        m_ticket = m_created ? RemoveOnSignal(m_target) : CutBackOnSignal(m_output, m_earlierLength);
        return Step::Done;
    }
    if (StartTemporary(true))
        return Step::Done;
    // No temporary file beside it (a folder the user may not write): the
    // file is written in place, from a spool file when one can be made, so
    // that a run that fails before its end leaves it as it was.
    m_failed = false;
    m_error = 0;
    m_sync = true;
    m_truncateFirst = true;
    if (StartSpool())
        return Step::Done;
    if (whole)
        return Step::Failed;
    m_failed = false;
    m_error = 0;
    m_fd = m_output;
    return Step::Done;
}

SafeOutputFile::Step SafeOutputFile::LockTarget()
{
    // Held until the output is committed or dropped, so that two appends
    // land one after the other. A file system without locks appends unlocked.
    while (::flock(m_output, LOCK_EX) != 0 && errno == EINTR) {
    }
    // The name must still be this file: a run that replaced it meanwhile
    // put another in its place, and that one is appended to.
    struct stat open {};
    struct stat named {};
    if (::fstat(m_output, &open) != 0) {
        Fail();
        return Step::Failed;
    }
    if (::stat(m_target.c_str(), &named) != 0 || !SameFile(open, named)) {
        m_created = false; // another writer's now, or gone: never removed by this one
        return Step::Retry;
    }
    m_earlierLength = open.st_size;
    return Step::Done;
}

bool SafeOutputFile::StartTemporary(bool replacing)
{
    const fs::path folder = FolderOf(m_target);
    RemoveStaleTemporaryFiles(folder);
    fs::path name;
    // A file that replaces another is nobody else's to read before it has
    // that file's owner and mode (given at Commit).
    const int fd = CreateTemporaryFile(folder, name, m_ticket, replacing);
    if (fd < 0)
        return Fail();
    m_fd = fd;
    m_workFile = name;
    m_way = Way::Rename;
    m_sync = replacing;
    return true;
}

void SafeOutputFile::TakeOwnerAndMode()
{
    struct stat status {};
    if (m_output < 0 || ::fstat(m_output, &status) != 0)
        return;
    // The file keeps its owner and group where the system allows (the
    // group alone where only that may be given), then its mode: a change
    // of owner clears the set-id bits. Given only now, so that the file of
    // a run killed before is still this user's, for the clean-up to remove.
    if (::fchown(m_fd, status.st_uid, status.st_gid) != 0)
        static_cast<void>(::fchown(m_fd, static_cast<uid_t>(-1), status.st_gid));
    ::fchmod(m_fd, status.st_mode & 07777);
}

bool SafeOutputFile::StartSpool()
{
    std::error_code ec;
    fs::path folder = fs::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    RemoveStaleTemporaryFiles(folder);
    fs::path name;
    // Only this user reads what waits there.
    const int fd = CreateTemporaryFile(folder, name, m_ticket, true);
    if (fd < 0)
        return Fail();
    m_fd = fd;
    m_workFile = name;
    m_way = Way::Spool;
    return true;
}

SafeOutputFile::SafeOutputFile(SafeOutputFile &&other) noexcept
{
    TakeFrom(other);
}

SafeOutputFile &SafeOutputFile::operator=(SafeOutputFile &&other) noexcept
{
    if (this != &other) {
        Discard();
        TakeFrom(other);
    }
    return *this;
}

void SafeOutputFile::TakeFrom(SafeOutputFile &other) noexcept
{
    m_fd = std::exchange(other.m_fd, -1);
    m_output = std::exchange(other.m_output, -1);
    m_way = other.m_way;
    m_failed = other.m_failed;
    m_appending = other.m_appending;
    m_append = other.m_append;
    m_sync = other.m_sync;
    m_truncateFirst = other.m_truncateFirst;
    m_created = std::exchange(other.m_created, false);
    m_earlierLength = other.m_earlierLength;
    m_appended = other.m_appended;
    m_journal = std::move(other.m_journal);
    m_ticket = std::exchange(other.m_ticket, -1);
    m_error = other.m_error;
    m_target = std::move(other.m_target);
    m_workFile = std::move(other.m_workFile);
    other.m_workFile.clear();
    m_buffer = std::move(other.m_buffer);
    m_capacity = std::exchange(other.m_capacity, 0);
    m_next = std::exchange(other.m_next, nullptr);
    m_end = std::exchange(other.m_end, nullptr);
    m_unsynced = other.m_unsynced;
}

SafeOutputFile::~SafeOutputFile()
{
    Discard();
}

bool SafeOutputFile::Fail()
{
    if (m_error == 0)
        m_error = errno != 0 ? errno : EIO;
    m_failed = true;
    return false;
}

bool SafeOutputFile::WriteMore(std::string_view bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (!Flush())
        return false;
    GrowBuffer();
    if (bytes.size() >= m_capacity) {
        if (!Put(bytes.data(), bytes.size())) {
            Fail();
            Stop();
            return false;
        }
        m_unsynced += bytes.size();
        return true;
    }
    std::char_traits<char>::copy(m_next, bytes.data(), bytes.size());
    m_next += bytes.size();
    return true;
}

char *SafeOutputFile::MakeRoom(std::size_t size)
{
    if (m_fd < 0 || m_failed || !Flush())
        return nullptr;
    GrowBuffer();
    if (size >= m_capacity) {
        // A text longer than the buffer: a buffer that holds it.
        m_capacity = size + 1;
        m_buffer = MakePrefaultedBuffer(m_capacity);
        m_next = m_buffer.get();
        m_end = m_next + m_capacity;
    }
    return m_next;
}

void SafeOutputFile::GrowBuffer()
{
    // An output that outgrew the first buffer (just written out): the large one.
    if (m_capacity < BufferSize) {
        // The small buffer goes first, so that the large one can take its
        // place and the memory after it; a failed allocation leaves none.
        m_buffer.reset();
        m_next = m_end = nullptr;
        m_capacity = 0;
        m_buffer = MakePrefaultedBuffer(BufferSize);
        m_capacity = BufferSize;
        m_next = m_buffer.get();
        m_end = m_next + m_capacity;
    }
}

bool SafeOutputFile::Flush()
{
    if (m_truncateFirst && m_way == Way::Direct && !m_failed) {
        // In place from the start: what the file held goes as writing starts.
        m_truncateFirst = false;
        if (::ftruncate(m_fd, 0) != 0)
            Fail();
    }
    char *const start = m_buffer.get();
    const std::size_t size = static_cast<std::size_t>(m_next - start);
    if (size > 0 && !m_failed) {
        if (!Put(start, size))
            Fail();
        m_unsynced += size;
    }
    if (m_failed) {
        Stop();
        return false;
    }
    m_next = start;
#ifdef __linux__
    // A file that is synced at the end starts the disk write of the pages
    // written so far without waiting for it, so the sync waits for little.
    // A new file leaves the disk write to the system.
    if (m_sync && m_way != Way::Spool && m_unsynced >= WritebackStep) {
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        m_unsynced = 0;
    }
#endif
    return true;
}

bool SafeOutputFile::Put(const char *data, std::size_t size)
{
    // An append's journal first says how far this write may take the file.
    if (!m_journal.Reach(m_earlierLength + static_cast<std::int64_t>(m_appended + size)))
        return false;
    if (!WriteAll(m_fd, data, size))
        return false;
    m_appended += size;
    return true;
}

void SafeOutputFile::Close()
{
    if (m_fd >= 0) {
        if (m_fd != m_output && ::close(m_fd) != 0)
            Fail();
        m_fd = -1;
    }
    Stop();
}

void SafeOutputFile::CloseTarget()
{
    // Closing the file gives up its lock; descriptor 1 stays as it is.
    if (m_output >= 0 && m_output != STDOUT_FILENO)
        ::close(m_output);
    m_output = -1;
}

bool SafeOutputFile::CopyToTarget(int from)
{
    if (m_truncateFirst) {
        // A file written in place from the spool: emptied only now.
        m_truncateFirst = false;
        if (::ftruncate(m_output, 0) != 0)
            return Fail();
    }
    char block[BufferSize];
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(from, block, sizeof block, at);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Fail();
        }
        if (got == 0)
            return true;
        if (!WriteAll(m_output, block, static_cast<std::size_t>(got)))
            return Fail();
        at += got;
    }
}

void SafeOutputFile::CutBack()
{
    if (m_earlierLength < 0 || m_output < 0)
        return;
    // A file this run made goes again, as long as nobody added to it first.
    struct stat open {};
    struct stat named {};
    if (m_created && m_earlierLength == 0 && ::fstat(m_output, &open) == 0 && ::stat(m_target.c_str(), &named) == 0
        && SameFile(open, named)) {
        ::unlink(m_target.c_str());
        return;
    }
    static_cast<void>(::ftruncate(m_output, m_earlierLength));
}

bool SafeOutputFile::Commit()
{
    if (m_fd < 0)
        return false;
    bool done = Flush();
    switch (m_way) {
    case Way::Rename: {
        if (done && m_sync)
            TakeOwnerAndMode();
        // A file that replaces an earlier one is synced before the rename, so a
        // crash leaves the old file or the whole new one, never an empty or
        // partial one under the target's name. A new file is not: a crash can
        // lose only what this run wrote, and the sync would cost a small job
        // several times its work.
        done = done && (!m_sync || ::fsync(m_fd) == 0 || Fail());
        // The temporary file stays locked until it has the target's name,
        // so that no other run's clean-up takes it: a second descriptor
        // holds the lock while the first is closed (where a file system
        // reports a failed write only then, it has said so before the rename).
        const int held = done ? ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0) : -1;
        done = done && (held >= 0 || Fail());
        Close();
        done = done && !m_failed;
        // An append to the old file that is under way ends first.
        if (done && m_output >= 0)
            while (::flock(m_output, LOCK_EX) != 0 && errno == EINTR) {
            }
        const bool renamed = done && ::rename(m_workFile.c_str(), m_target.c_str()) == 0;
        if (done && !renamed) {
            // A sticky folder lets only a file's owner replace it: another
            // user's file that this one may write is written in place.
            if (errno == EPERM && m_output >= 0) {
                m_truncateFirst = true;
                done = CopyToTarget(held) && (::fsync(m_output) == 0 || Fail());
            } else {
                done = Fail();
            }
        }
        if (!renamed)
            ::unlink(m_workFile.c_str());
        if (held >= 0)
            ::close(held);
        break;
    }
    case Way::Spool:
        done = done && CopyToTarget(m_fd);
        done = done && (!m_sync || ::fsync(m_output) == 0 || Fail());
        if (!done && m_append)
            CutBack();
        // Removed before it is closed, as its lock goes with it.
        ::unlink(m_workFile.c_str());
        Close();
        break;
    case Way::Direct:
        // The journal goes before the sync, which then makes its removal
        // last as well: a crash later cannot bring it back to cut away an
        // output reported done.
        if (done)
            m_journal.Finish();
        done = done && (!m_sync || ::fsync(m_output) == 0 || Fail());
        if (!done && m_append)
            CutBack();
        m_journal.Finish();
        Close();
        break;
    }
    ForgetOnSignal(std::exchange(m_ticket, -1));
    m_workFile.clear();
    CloseTarget();
    return done && !m_failed;
}

void SafeOutputFile::Discard()
{
    const bool open = m_fd >= 0;
    // Removed while still open, so locked: no other run's clean-up
    // finds it first.
    if (open && m_way != Way::Direct)
        ::unlink(m_workFile.c_str());
    Close();
    if (open) {
        // Nothing of this output stays in a file appended to.
        if (m_append && m_way != Way::Rename)
            CutBack();
    } else if (m_created) {
        // An append that made its file and then could not start.
        CutBack();
    }
    m_journal.Finish();
    ForgetOnSignal(std::exchange(m_ticket, -1));
    m_workFile.clear();
    CloseTarget();
}

bool ReplaceFileContents(const std::string &file, std::string_view bytes)
{
    auto output = SafeOutputFile::Open(file, SafeOutputFile::Mode::Replace);
    return output && output->Write(bytes) && output->Commit();
}

} // namespace tarvel

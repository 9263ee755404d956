#include "core/catalog/temporary_files.h"

#include "core/catalog/append_journal.h"
#include "core/catalog/own_files.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view Prefix = ".tarvel-";
constexpr std::size_t RandomLength = 6;
constexpr std::size_t MarkLength = 12;
constexpr std::string_view ScratchSuffix = ".d";

bool IsLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The six letters of a name of the temporary files' form, or empty.
std::string_view LettersOf(std::string_view name)
{
    if (name.size() != Prefix.size() + RandomLength + 1 + MarkLength || name.substr(0, Prefix.size()) != Prefix
        || name[Prefix.size() + RandomLength] != '-')
        return {};
    const std::string_view letters = name.substr(Prefix.size(), RandomLength);
    for (const char c : letters) {
        if (!IsLetterOrDigit(c))
            return {};
    }
    return letters;
}

// Removes every entry of the folder name in parentFd that is no folder,
// then the folder; never through a link. Only system calls, so that a
// signal handler may call it.
void EmptyAndRemoveFolder(int parentFd, const char *name)
{
    const int dirFd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return;
    alignas(8) char entries[4096];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, dirFd, entries, sizeof entries);
        if (got <= 0)
            break;
        bool removedAny = false;
        for (long at = 0; at < got;) {
            // struct linux_dirent64: inode (8), offset (8), length (2), type (1), name.
            unsigned short length = 0;
            std::memcpy(&length, entries + at + 16, sizeof length);
            const char *entry = entries + at + 19;
            if (std::strcmp(entry, ".") != 0 && std::strcmp(entry, "..") != 0 && ::unlinkat(dirFd, entry, 0) == 0)
                removedAny = true;
            at += length;
        }
        // Removals may move the entries not read yet: from the start again.
        if (removedAny)
            ::lseek(dirFd, 0, SEEK_SET);
    }
    ::close(dirFd);
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

// The scratch folder of the temporary file `name` in the folder, when it
// is a folder of this user's.
void RemoveScratchFolderOf(int dirFd, const std::string &name)
{
    const std::string folder = name + std::string(ScratchSuffix);
    struct stat named {};
    if (::fstatat(dirFd, folder.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(named.st_mode)
        && named.st_uid == ::geteuid())
        EmptyAndRemoveFolder(dirFd, folder.c_str());
}

void RemoveIfStale(int dirFd, const std::string &name)
{
    // Looked at before it is opened: a FIFO or device is never opened, a
    // link never followed, and only this user's files of our own form are.
    struct stat named {};
    if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)
        || named.st_uid != ::geteuid() || !IsTemporaryFileName(name, named.st_ino))
        return;
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat open {};
    // Its writer holds the lock until the name is gone: a lock taken here
    // means the writer is.
    if (::fstat(fd, &open) == 0 && SameFile(open, named) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && NameIsFile(dirFd, name.c_str(), fd)) {
        RemoveScratchFolderOf(dirFd, name);
        ::unlinkat(dirFd, name.c_str(), 0);
    }
    ::close(fd);
}

// ---- removal on a signal ---------------------------------------------------------

// A fixed table the handler can read without taking a lock or allocating:
// a slot is Free, Claimed while its path is copied in, then Live.
enum SlotState : int { Free = 0, Claimed = 1, Live = 2 };
// In the order the handler takes them: a file is cut back before the
// journal that would cut it is removed.
enum class SlotKind : int { CutBack, RemoveFile, RemoveFolder };
struct Slot {
    std::atomic<int> state{Free};
    SlotKind kind = SlotKind::RemoveFile;
    int fd = -1;
    std::int64_t length = 0;
    char path[PATH_MAX];
};
constexpr int SlotCount = 16;
Slot Slots[SlotCount];

extern "C" void RemoveFilesAndEnd(int signal)
{
    const int saved = errno;
    for (const SlotKind kind : {SlotKind::CutBack, SlotKind::RemoveFile, SlotKind::RemoveFolder}) {
        for (Slot &slot : Slots) {
            if (slot.state.load() != Live || slot.kind != kind)
                continue;
            if (kind == SlotKind::CutBack)
                static_cast<void>(::ftruncate(slot.fd, static_cast<off_t>(slot.length)));
            else if (kind == SlotKind::RemoveFile)
                ::unlinkat(AT_FDCWD, slot.path, 0);
            else
                EmptyAndRemoveFolder(AT_FDCWD, slot.path);
        }
    }
    // The process ends as the signal would have ended it: the signal is
    // blocked while this runs and is delivered again as it returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = saved;
}

void InstallHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = RemoveFilesAndEnd;
        ::sigemptyset(&action.sa_mask);
        for (const int signal : EndingSignals)
            ::sigaddset(&action.sa_mask, signal);
        for (const int signal : EndingSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0)
                continue;
            // A signal the program handles or ignores stays its own.
            if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL)
                ::sigaction(signal, &action, nullptr);
        }
    });
}

// A free slot filled in; -1 when all are taken.
int Register(SlotKind kind, const std::string &path, int fd, std::int64_t length)
{
    if (path.size() >= PATH_MAX)
        return -1;
    InstallHandlers();
    for (int ticket = 0; ticket < SlotCount; ++ticket) {
        int expected = Free;
        if (Slots[ticket].state.compare_exchange_strong(expected, Claimed)) {
            Slot &slot = Slots[ticket];
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.kind = kind;
            slot.fd = fd;
            slot.length = length;
            slot.state.store(Live);
            return ticket;
        }
    }
    return -1;
}

// Absolute, so a change of the working folder does not misdirect it.
int RegisterPath(SlotKind kind, const fs::path &file)
{
    std::error_code ec;
    const std::string path = fs::absolute(file, ec).string();
    return ec ? -1 : Register(kind, path, -1, 0);
}

} // namespace

std::string TemporaryFileName(std::string_view letters, std::uint64_t inode)
{
    return std::string(Prefix) + std::string(letters) + "-" + OwnMark(letters, inode);
}

bool IsTemporaryFileName(std::string_view name, std::uint64_t inode)
{
    const std::string_view letters = LettersOf(name);
    return !letters.empty() && name.substr(Prefix.size() + RandomLength + 1) == OwnMark(letters, inode);
}

int CreateTemporaryFile(const fs::path &folder, fs::path &name, int &ticket, bool ownerOnly)
{
    const HeldSignals held;
    ticket = -1;
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return -1;
    std::string leaf;
    const int fd = CreateOwnFile(
        dirFd, ownerOnly ? 0600 : 0666, [](std::uint64_t inode) { return TemporaryFileName(RandomLetters(), inode); },
        nullptr, leaf);
    const int error = errno;
    ::close(dirFd);
    if (fd < 0) {
        errno = error;
        return -1;
    }
    name = folder.empty() ? fs::path(leaf) : folder / leaf;
    ticket = RemoveOnSignal(name);
    return fd;
}

bool CreateScratchFolder(const fs::path &file, fs::path &folder, int &ticket)
{
    const HeldSignals held;
    fs::path path = file;
    path += std::string(ScratchSuffix);
    ticket = -1;
    if (::mkdir(path.c_str(), 0700) != 0)
        return false;
    folder = path;
    ticket = RegisterPath(SlotKind::RemoveFolder, path);
    return true;
}

void RemoveScratchFolder(const fs::path &folder, int ticket)
{
    if (!folder.empty())
        EmptyAndRemoveFolder(AT_FDCWD, folder.c_str());
    ForgetOnSignal(ticket);
}

void RemoveStaleTemporaryFiles(const fs::path &folder)
{
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    DIR *listing = ::opendir(dir.c_str());
    if (!listing)
        return;
    // The names first, the removals after: a folder is not changed while read.
    std::vector<std::string> temporary;
    std::vector<std::string> journals;
    while (const dirent *entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (!LettersOf(name).empty())
            temporary.emplace_back(name);
        else if (IsAppendJournalName(name))
            journals.emplace_back(name);
    }
    const int dirFd = ::dirfd(listing);
    for (const std::string &name : temporary)
        RemoveIfStale(dirFd, name);
    for (const std::string &name : journals)
        RecoverAppendJournal(dirFd, name);
    ::closedir(listing);
}

int RemoveOnSignal(const fs::path &file)
{
    return RegisterPath(SlotKind::RemoveFile, file);
}

int CutBackOnSignal(int fd, std::int64_t length)
{
    if (fd < 0 || length < 0)
        return -1;
    return Register(SlotKind::CutBack, std::string(), fd, length);
}

void ForgetOnSignal(int ticket)
{
    if (ticket >= 0 && ticket < SlotCount)
        Slots[ticket].state.store(Free);
}

void IgnoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0
            && current.sa_handler == SIG_DFL)
            std::signal(SIGXFSZ, SIG_IGN);
    });
}

} // namespace tarvel

#include "core/catalog/own_files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvel {

namespace {

constexpr int NameAttempts = 32;

// The hash's key: no file of the user's is named with its marks by accident.
constexpr std::string_view Key = "tarvel: a file of the program's own";

std::uint64_t Mix(std::uint64_t value)
{
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9ull;
    value ^= value >> 27;
    value *= 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

std::uint64_t Fold(std::uint64_t hash, std::string_view bytes)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::uint64_t KeyedHash(std::string_view bytes)
{
    return Mix(Fold(Fold(0xcbf29ce484222325ull, Key), bytes));
}

// Locked first, so that a clean-up never finds it unlocked under its name.
bool Prepare(int fd, const std::function<bool(int)> &fill)
{
    // A file system without locks lets no clean-up lock it either: it is
    // then used unlocked, and never taken for a dead run's.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    return !fill || fill(fd);
}

bool LinkUnnamed(int fd, int dirFd, const std::string &name)
{
    if (::linkat(fd, "", dirFd, name.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno != ENOENT && errno != EPERM)
        return false;
    // Without the right to link by descriptor: by its name in /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Renames from to to in the folder unless to exists (EEXIST then).
bool RenameNoReplace(int dirFd, const std::string &from, const std::string &to)
{
    if (::renameat2(dirFd, from.c_str(), dirFd, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::linkat(dirFd, from.c_str(), dirFd, to.c_str(), 0) == 0) {
        ::unlinkat(dirFd, from.c_str(), 0);
        return true;
    }
    if (errno == EEXIST)
        return false;
    // No hard links either: a plain rename, once the name proves free.
    struct stat status {};
    if (::fstatat(dirFd, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0;
}

// Gives the file open as fd a name nameFor makes; how is link's business.
template <typename Link>
bool NameIt(int fd, const std::function<std::string(std::uint64_t)> &nameFor, std::string &leaf, Link link)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return false;
    std::string previous;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        std::string name = nameFor(status.st_ino);
        if (name == previous)
            break;
        if (link(name)) {
            leaf = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
        previous = std::move(name);
    }
    errno = EEXIST;
    return false;
}

void CloseKeepingError(int fd)
{
    const int error = errno;
    ::close(fd);
    errno = error;
}

} // namespace

std::string OwnMark(std::string_view text, std::uint64_t number)
{
    std::string bytes(text);
    for (int shift = 0; shift < 64; shift += 8)
        bytes += static_cast<char>((number >> shift) & 0xff);
    char mark[17];
    std::snprintf(mark, sizeof mark, "%016llx", static_cast<unsigned long long>(KeyedHash(bytes)));
    return std::string(mark, 12);
}

std::uint64_t OwnHash(std::string_view bytes)
{
    return KeyedHash(bytes);
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool NameIsFile(int dirFd, const char *name, int fd)
{
    struct stat named {};
    struct stat open {};
    return ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0
        && SameFile(named, open);
}

std::string RandomLetters()
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char draw[6];
    if (::getentropy(draw, sizeof draw) != 0) {
        // No random source: the clock and the process, varied per call.
        static std::atomic<unsigned> calls{0};
        std::uint64_t mix = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
            ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^ (calls++ * 0x9e3779b97f4a7c15ull);
        for (unsigned char &byte : draw) {
            byte = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            byte ^= static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string letters;
    for (const unsigned char byte : draw)
        letters += Letters[byte % (sizeof Letters - 1)];
    return letters;
}

int CreateOwnFile(int dirFd, mode_t mode, const std::function<std::string(std::uint64_t)> &nameFor,
                  const std::function<bool(int)> &fill, std::string &leaf, bool unnamedFirst)
{
    if (unnamedFirst) {
        const int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (Prepare(fd, fill)
                && NameIt(fd, nameFor, leaf, [&](const std::string &name) { return LinkUnnamed(fd, dirFd, name); }))
                return fd;
            const bool noLink = errno == ENOENT; // no /proc: named the other way
            CloseKeepingError(fd);
            if (!noLink)
                return -1;
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return -1; // the folder's own reason (EACCES, ENOSPC...)
        }
    }
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const std::string provisional = ".tarvel-" + RandomLetters() + "-new";
        const int fd = ::openat(dirFd, provisional.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR)
                continue;
            return -1;
        }
        if (Prepare(fd, fill) && NameIt(fd, nameFor, leaf, [&](const std::string &name) {
                return RenameNoReplace(dirFd, provisional, name);
            }))
            return fd;
        const int error = errno;
        ::unlinkat(dirFd, provisional.c_str(), 0);
        ::close(fd);
        errno = error;
        return -1;
    }
    errno = EEXIST;
    return -1;
}

HeldSignals::HeldSignals()
{
    sigset_t ending;
    ::sigemptyset(&ending);
    for (const int signal : EndingSignals)
        ::sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, &m_previous);
}

HeldSignals::~HeldSignals()
{
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

} // namespace tarvel

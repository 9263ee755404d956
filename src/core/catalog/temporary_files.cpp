#include "core/catalog/temporary_files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view Prefix = ".tarvel-";
constexpr std::size_t RandomLength = 6;
// Leftovers of earlier versions carry no lock: only old ones are surely dead.
constexpr std::chrono::minutes LegacyAge(10);

bool IsLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name in the folder still is the file open as fd.
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
    unsigned char draw[RandomLength];
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

bool IsLegacyName(std::string_view name, const std::string &target)
{
    // target + ".tmp-" + 8 hex digits: the record formats and settings.
    const std::string tmp = target + ".tmp-";
    if (name.size() == tmp.size() + 8 && name.substr(0, tmp.size()) == tmp) {
        for (const char c : name.substr(tmp.size())) {
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return false;
        }
        return true;
    }
    // "." + target + "." + 6 characters: workbooks.
    const std::string hidden = "." + target + ".";
    if (name.size() == hidden.size() + 6 && name.substr(0, hidden.size()) == hidden) {
        for (const char c : name.substr(hidden.size())) {
            if (!IsLetterOrDigit(c))
                return false;
        }
        return true;
    }
    return false;
}

void RemoveIfUnlocked(int dirFd, const char *name)
{
    // Never through a link: only the file of that name is looked at.
    int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        fd = ::openat(dirFd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && NameIsFile(dirFd, name, fd))
        ::unlinkat(dirFd, name, 0);
    ::close(fd);
}

void RemoveIfOld(int dirFd, const char *name)
{
    struct stat status {};
    if (::fstatat(dirFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
        return;
    const auto written = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    if (std::chrono::system_clock::now() - written >= LegacyAge)
        ::unlinkat(dirFd, name, 0);
}

// ---- removal on a signal ---------------------------------------------------------

// A fixed table the handler can read without taking a lock or allocating:
// a slot is Free, Claimed while its path is copied in, then Live.
enum SlotState : int { Free = 0, Claimed = 1, Live = 2 };
struct Slot {
    std::atomic<int> state{Free};
    int fd = -1;             // a file to cut back to length, or -1: path is removed
    std::int64_t length = 0;
    char path[PATH_MAX];
};
constexpr int SlotCount = 16;
Slot Slots[SlotCount];
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemoveFilesAndEnd(int signal)
{
    const int saved = errno;
    for (Slot &slot : Slots) {
        if (slot.state.load() != Live)
            continue;
        if (slot.fd >= 0)
            static_cast<void>(::ftruncate(slot.fd, static_cast<off_t>(slot.length)));
        else
            ::unlink(slot.path);
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

// The signals that end a run are held back while a file is made and
// registered, so that none comes between the two.
class HeldSignals {
public:
    HeldSignals()
    {
        sigset_t ending;
        ::sigemptyset(&ending);
        for (const int signal : EndingSignals)
            ::sigaddset(&ending, signal);
        ::pthread_sigmask(SIG_BLOCK, &ending, &m_previous);
    }
    ~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    HeldSignals(const HeldSignals &) = delete;
    HeldSignals &operator=(const HeldSignals &) = delete;

private:
    sigset_t m_previous;
};

int MakeFile(const fs::path &folder, fs::path &name, bool ownerOnly)
{
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return -1;
    int error = EEXIST;
    for (int attempt = 0; attempt < 32; ++attempt) {
        const std::string leaf = std::string(Prefix) + RandomLetters();
        const int fd = ::openat(dirFd, leaf.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                ownerOnly ? 0600 : 0666);
        if (fd < 0) {
            error = errno;
            if (error == EEXIST || error == EINTR)
                continue;
            break;
        }
        // A cleaner that found the file before it was locked may have
        // removed it: then another name. A file system without locks lets
        // no cleaner lock it either, so there the file is used unlocked.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (NameIsFile(dirFd, leaf.c_str(), fd)) {
            ::close(dirFd);
            name = folder.empty() ? fs::path(leaf) : folder / leaf;
            return fd;
        }
        ::close(fd);
    }
    ::close(dirFd);
    errno = error;
    return -1;
}

} // namespace

int CreateTemporaryFile(const fs::path &folder, fs::path &name, int &ticket, bool ownerOnly)
{
    const HeldSignals held;
    const int fd = MakeFile(folder, name, ownerOnly);
    ticket = fd >= 0 ? RemoveOnSignal(name) : -1;
    return fd;
}

bool IsTemporaryFileName(std::string_view name)
{
    if (name.size() != Prefix.size() + RandomLength || name.substr(0, Prefix.size()) != Prefix)
        return false;
    for (const char c : name.substr(Prefix.size())) {
        if (!IsLetterOrDigit(c))
            return false;
    }
    return true;
}

void RemoveStaleTemporaryFiles(const fs::path &folder, const fs::path &target)
{
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    DIR *listing = ::opendir(dir.c_str());
    if (!listing)
        return;
    const std::string targetName = target.filename().string();
    // The names first, the removals after: a folder is not changed while read.
    std::vector<std::string> ours;
    std::vector<std::string> legacy;
    while (const dirent *entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (IsTemporaryFileName(name))
            ours.emplace_back(name);
        else if (!targetName.empty() && IsLegacyName(name, targetName))
            legacy.emplace_back(name);
    }
    const int dirFd = ::dirfd(listing);
    for (const std::string &name : ours)
        RemoveIfUnlocked(dirFd, name.c_str());
    for (const std::string &name : legacy)
        RemoveIfOld(dirFd, name.c_str());
    ::closedir(listing);
}

namespace {

// A free slot filled with path, or fd and length; -1 when all are taken.
int Register(const std::string &path, int fd, std::int64_t length)
{
    InstallHandlers();
    for (int ticket = 0; ticket < SlotCount; ++ticket) {
        int expected = Free;
        if (Slots[ticket].state.compare_exchange_strong(expected, Claimed)) {
            Slot &slot = Slots[ticket];
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.fd = fd;
            slot.length = length;
            slot.state.store(Live);
            return ticket;
        }
    }
    return -1;
}

} // namespace

int RemoveOnSignal(const fs::path &file)
{
    // Absolute, so a change of the working folder does not misdirect it.
    std::error_code ec;
    const std::string path = fs::absolute(file, ec).string();
    if (ec || path.size() >= PATH_MAX)
        return -1;
    return Register(path, -1, 0);
}

int CutBackOnSignal(int fd, std::int64_t length)
{
    if (fd < 0 || length < 0)
        return -1;
    return Register(std::string(), fd, length);
}

void ForgetOnSignal(int ticket)
{
    if (ticket >= 0 && ticket < SlotCount)
        Slots[ticket].state.store(Free);
}

} // namespace tarvel

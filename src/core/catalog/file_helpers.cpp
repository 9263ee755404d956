#include "core/catalog/file_helpers.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <system_error>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tarvel {
namespace {

namespace fs = std::filesystem;

// The entry of exact's folder whose name differs from exact's only in
// letter case; two may, so the first in byte order is taken and every
// lookup of the name finds the same file.
std::optional<fs::path> OtherCaseEntry(const fs::path &exact)
{
    const std::string wanted = exact.filename().string();
    const fs::path parent = exact.parent_path();
    std::optional<std::string> found;
    ForEachName(parent.empty() ? std::string(".") : parent.string(), [&](std::string_view name, bool) {
        if (EqualIgnoringCase(name, wanted) && (!found || name < *found))
            found = std::string(name);
    });
    if (!found)
        return std::nullopt;
    return parent.empty() ? fs::path(*found) : parent / *found;
}

// The file path names as it is on disk, with its status: the name as typed,
// else an entry of its folder in another letter case; nullopt when neither
// exists.
std::optional<fs::path> FoundFile(const std::string &path, struct stat &status)
{
    fs::path exact(path);
    if (::stat(path.c_str(), &status) == 0)
        return exact;
    if (!exact.has_filename())
        return std::nullopt;
    std::optional<fs::path> other = OtherCaseEntry(exact);
    if (!other || ::stat(other->c_str(), &status) != 0)
        return std::nullopt;
    return other;
}

} // namespace

fs::path ActualPath(const std::string &path)
{
    struct stat status {};
    return FoundFile(path, status).value_or(fs::path(path));
}

namespace {

// A folder's entries as ForEachName gives them: each name followed by a
// byte, 1 when it may be a link; names end in '\0'.
using Listing = std::string;
// The listings of the live FolderListingScope, by folder as asked for (a
// deque: a listing stays where it is while a visitor lists another folder).
thread_local std::deque<std::pair<std::string, Listing>> *ScopeListings = nullptr;
thread_local std::uint64_t ScopeRun = 0;     // the live scope's run; 0 without one
thread_local std::uint64_t LastScopeRun = 0; // the last run numbered on this thread

void ListFolder(const std::string &folder, const std::function<void(std::string_view, bool)> &visit)
{
    // readdir, not a directory_iterator: it makes no path of each entry.
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            visit(name, entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN);
    }
    ::closedir(dir);
}

} // namespace

FolderListingScope::FolderListingScope()
{
    if (ScopeListings == nullptr) {
        ScopeListings = new std::deque<std::pair<std::string, Listing>>();
        ScopeRun = ++LastScopeRun;
        m_owner = true;
    }
}

std::uint64_t FolderListingScope::CurrentRun()
{
    return ScopeRun;
}

FolderListingScope::~FolderListingScope()
{
    if (m_owner) {
        delete ScopeListings;
        ScopeListings = nullptr;
        ScopeRun = 0;
    }
}

void ForEachName(const std::string &folder, const std::function<void(std::string_view, bool)> &visit)
{
    if (ScopeListings == nullptr) {
        ListFolder(folder, visit);
        return;
    }
    const Listing *listing = nullptr;
    for (const auto &[name, entries] : *ScopeListings) {
        if (name == folder) {
            listing = &entries;
            break;
        }
    }
    if (listing == nullptr) {
        // A folder that cannot be listed is remembered as empty, as it lists.
        Listing entries;
        ListFolder(folder, [&entries](std::string_view name, bool mayBeLink) {
            entries.append(name);
            entries += '\0';
            entries += mayBeLink ? '\1' : '\0';
        });
        ScopeListings->emplace_back(folder, std::move(entries));
        listing = &ScopeListings->back().second;
    }
    // A name holds no '\0', so each ends at the first one after its start.
    std::size_t at = 0;
    while (at < listing->size()) {
        const std::size_t end = listing->find('\0', at);
        visit(std::string_view(*listing).substr(at, end - at), (*listing)[end + 1] != '\0');
        at = end + 2;
    }
}

namespace {

// The regular file path names, in its letter case on disk: the name as
// typed first, then in another letter case; its size in size when asked.
// nullopt for anything else (a folder opens on Linux and a pipe would block).
std::optional<fs::path> RegularFileFound(const std::string &path, std::int64_t *size = nullptr)
{
    struct stat status {};
    std::optional<fs::path> found = FoundFile(path, status);
    if (!found || !S_ISREG(status.st_mode))
        return std::nullopt;
    if (size != nullptr)
        *size = static_cast<std::int64_t>(status.st_size);
    return found;
}

// The regular file path names, open for reading as a stream, and its size
// as it was looked at.
std::optional<std::ifstream> OpenStream(const std::string &path, std::int64_t &size)
{
    const std::optional<fs::path> actual = RegularFileFound(path, &size);
    if (!actual)
        return std::nullopt;
    std::ifstream stream(*actual, std::ios::binary);
    if (!stream.is_open())
        return std::nullopt;
    return stream;
}

// Whether a file system holds the kernel's own files (/proc, /sys), whose
// sizes are made up: read by position they hold nothing.
bool IsKernelFileSystem(const struct statfs &system)
{
    constexpr long ProcFiles = 0x9fa0;
    constexpr long SysFiles = 0x62656572;
    return system.f_type == ProcFiles || system.f_type == SysFiles;
}

// The file opened for reading, without waiting should it have become a
// pipe since it was looked at; -1 when it cannot be.
int OpenForReading(const fs::path &file)
{
    return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

} // namespace

bool FileExists(const std::string &path)
{
    const std::optional<fs::path> actual = RegularFileFound(path);
    if (!actual)
        return false;
    const int fd = OpenForReading(*actual);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

RecordFile::RecordFile(std::ifstream stream, int recordLength, std::int64_t size)
    : m_stream(std::move(stream))
    , m_recordLength(recordLength)
    , m_size(size)
{
}

int RecordFile::RecordCount() const
{
    if (m_recordLength <= 0 || m_size <= 0)
        return 0;
    std::int64_t count = m_size / m_recordLength;
    // A last record that lacks only its line end still counts.
    if (m_recordLength > 2 && m_size % m_recordLength == m_recordLength - 2)
        ++count;
    return static_cast<int>(std::min<std::int64_t>(count, 0x7fffffff));
}

std::optional<std::string> RecordFile::Read(int n)
{
    if (n < 1 || n > RecordCount())
        return std::nullopt;
    const std::int64_t start = static_cast<std::int64_t>(n - 1) * m_recordLength;
    const std::int64_t count = std::min<std::int64_t>(m_recordLength, m_size - start);
    // A small file (a title list, the area list) is read whole at the first
    // record and served from memory: one read instead of a seek and a read
    // per record.
    if (m_whole.empty() && m_size <= WholeFileLimit) {
        std::string whole(static_cast<std::size_t>(m_size), '\0');
        m_stream.clear();
        m_stream.seekg(0);
        m_stream.read(whole.data(), m_size);
        if (m_stream.gcount() == m_size)
            m_whole = std::move(whole);
    }
    std::string bytes;
    if (static_cast<std::int64_t>(m_whole.size()) == m_size && m_size > 0) {
        bytes.assign(m_whole, static_cast<std::size_t>(start), static_cast<std::size_t>(count));
    } else {
        bytes.assign(static_cast<std::size_t>(count), '\0');
        m_stream.clear();
        m_stream.seekg(start);
        m_stream.read(bytes.data(), count);
        if (m_stream.gcount() != count)
            return std::nullopt;
    }
    // A whole record loses its "\r\n"; a record that does not end in one is
    // returned whole so the caller sees it is out of place.
    if (count == m_recordLength && bytes.size() >= 2 && bytes.ends_with("\r\n"))
        bytes.resize(bytes.size() - 2);
    return bytes;
}

BinaryFile::BinaryFile(int fd, std::int64_t size)
    : m_fd(fd)
    , m_size(size)
{
}

BinaryFile::BinaryFile(BinaryFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_size(other.m_size)
{
}

BinaryFile &BinaryFile::operator=(BinaryFile &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

BinaryFile::~BinaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool BinaryFile::ReadInto(std::int64_t position, std::int64_t count, std::string &bytes)
{
    if (m_fd < 0 || position < 1 || count < 0 || count > m_size || position - 1 > m_size - count)
        return false;
    bytes.resize(static_cast<std::size_t>(count));
    return ReadInto(position, count, bytes.data());
}

bool BinaryFile::ReadInto(std::int64_t position, std::int64_t count, char *out)
{
    if (m_fd < 0 || position < 1 || count < 0 || count > m_size || position - 1 > m_size - count)
        return false;
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(m_fd, out + done, static_cast<std::size_t>(count - done),
                                    static_cast<off_t>(position - 1 + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // an error, or the file shrank since it was opened
        done += got;
    }
    return true;
}

std::optional<RecordFile> OpenRecordFile(const std::string &path, int recordLength)
{
    if (recordLength <= 0)
        return std::nullopt;
    std::int64_t size = 0;
    std::optional<std::ifstream> stream = OpenStream(path, size);
    if (!stream)
        return std::nullopt;
    return RecordFile(std::move(*stream), recordLength, size);
}

std::optional<std::ifstream> OpenTextForInput(const std::string &path)
{
    std::int64_t size = 0;
    return OpenStream(path, size);
}

std::optional<BinaryFile> OpenBinaryForRead(const std::string &path)
{
    // Opened without a look first: what is opened is checked to be a
    // regular file.
    const int fd = OpenForReading(ActualPath(path));
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    struct statfs system {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || (::fstatfs(fd, &system) == 0 && IsKernelFileSystem(system))) {
        ::close(fd);
        return std::nullopt;
    }
    return BinaryFile(fd, static_cast<std::int64_t>(status.st_size));
}

bool ReadTextLine(std::istream &in, std::string &line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

LineRead ReadBoundedLine(std::istream &in, std::string &line, std::size_t maxLength)
{
    line.clear();
    std::streambuf *buffer = in.rdbuf();
    if (!buffer || !in.good())
        return LineRead::End;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            if (line.empty())
                return LineRead::End;
            break;
        }
        if (c == '\n')
            break;
        if (line.size() >= maxLength)
            return LineRead::TooLong;
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return LineRead::Line;
}

Failure NotReadable(const std::string &path)
{
    Failure failure = Failure::NotAccessible(path);
    const fs::path actual = ActualPath(path);
    struct stat status {};
    struct statfs system {};
    if (::stat(actual.c_str(), &status) != 0) {
        failure.error = errno;
    } else if (S_ISDIR(status.st_mode)) {
        failure.error = EISDIR;
    } else if (!S_ISREG(status.st_mode) || (::statfs(actual.c_str(), &system) == 0 && IsKernelFileSystem(system))) {
        failure.error = NotRegularFile;
    } else if (const int fd = OpenForReading(actual); fd < 0) {
        failure.error = errno;
    } else {
        ::close(fd); // it opens now: the reason is not known
    }
    return failure;
}

namespace {

// Why writes to a file that may be written stopped: its file system has no
// room left, or it reached the limit on the size of this process's files;
// 0 when neither.
int RoomReason(const struct statvfs &room, bool roomKnown, off_t size)
{
    if (roomKnown && (::geteuid() == 0 ? room.f_bfree : room.f_bavail) == 0)
        return ENOSPC;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && static_cast<rlim_t>(size) >= limit.rlim_cur)
        return EFBIG;
    return 0;
}

} // namespace

int WriteFailureReasonOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return errno;
    struct statvfs room {};
    const bool roomKnown = ::fstatvfs(fd, &room) == 0;
    return RoomReason(room, roomKnown, status.st_size);
}

int WriteFailureReason(const std::string &path)
{
    const fs::path actual = ActualPath(path);
    struct stat status {};
    if (::stat(actual.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return EISDIR;
        if (::access(actual.c_str(), W_OK) != 0)
            return errno;
        // It may be written: a write may still have found no room left, or
        // passed the limit on the size of this process's files.
        struct statvfs room {};
        const bool roomKnown = ::statvfs(actual.c_str(), &room) == 0;
        return RoomReason(room, roomKnown, status.st_size);
    }
    if (errno != ENOENT)
        return errno;
    // A new file: its folder must be there and take it.
    const fs::path folder = actual.has_parent_path() ? actual.parent_path() : fs::path(".");
    if (::stat(folder.c_str(), &status) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode))
        return ENOTDIR;
    return ::access(folder.c_str(), W_OK | X_OK) != 0 ? errno : 0;
}

Result<std::string> ReadTextFile(const std::string &path, std::int64_t limit)
{
    std::int64_t size = 0;
    auto stream = OpenStream(path, size);
    if (!stream)
        return NotReadable(path);
    // The size is checked first so a huge file is never read at all; the
    // read stays bounded should the file grow meanwhile.
    if (size > limit)
        return Failure::Damaged(path, "it is larger than " + std::to_string(limit / (1024 * 1024))
                                          + " MB, more than such a file ever holds");
    std::string bytes;
    char buffer[65536];
    while (stream->read(buffer, sizeof buffer) || stream->gcount() > 0) {
        if (static_cast<std::int64_t>(bytes.size()) + stream->gcount() > limit)
            return Failure::Damaged(path, "it grew beyond " + std::to_string(limit / (1024 * 1024)) + " MB while read");
        bytes.append(buffer, static_cast<std::size_t>(stream->gcount()));
    }
    if (stream->bad())
        return Failure::NotAccessible(path);
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string &path)
{
    auto text = ReadTextFile(path);
    if (!text)
        return std::nullopt;
    return std::move(*text);
}

std::string WithTrailingSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool DataFilesPresent(const std::string &folder)
{
    // An empty folder is "no data folder", never the working directory.
    if (folder.empty())
        return false;
    const std::string base = WithTrailingSlash(folder);
    return FileExists(base + "ZR7N.DFX") && FileExists(base + "ZR5N.DFX");
}

} // namespace tarvel

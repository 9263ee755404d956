#include "core/catalog/safe_output_file.h"

#include "core/catalog/file_helpers.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
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
constexpr std::string_view TemporaryMark = ".tmp-";

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

// A new temporary file beside target, created exclusively so no other writer
// shares it; the umask applies as to any new file.
int CreateTemporary(const fs::path &target, fs::path &temporary)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Drawn from the system's random source (one call, no device to
        // open); the clock where there is none. A name taken is skipped.
        std::uint32_t draw = 0;
        if (::getentropy(&draw, sizeof draw) != 0) {
            const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
            draw = static_cast<std::uint32_t>(ticks) ^ (static_cast<std::uint32_t>(attempt) * 0x9e3779b9u);
        }
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(draw));
        temporary = target;
        temporary += std::string(TemporaryMark) + suffix;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool CopyInto(int fd, const fs::path &source)
{
    std::ifstream in(source, std::ios::binary);
    if (!in.is_open())
        return false;
    char buffer[BufferSize];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        if (!WriteAll(fd, buffer, static_cast<std::size_t>(in.gcount())))
            return false;
    }
    return !in.bad();
}

} // namespace

std::optional<SafeOutputFile> SafeOutputFile::Open(const std::string &target, Mode mode)
{
    std::error_code ec;
    fs::path actual = ActualPath(target);
    const bool exists = fs::exists(actual, ec);
    if (exists) {
        // A folder, a device or a pipe is never replaced by a file.
        if (!fs::is_regular_file(actual, ec))
            return std::nullopt;
        // Through a link the file it names is replaced, the link stays.
        const fs::path resolved = fs::canonical(actual, ec);
        if (ec)
            return std::nullopt;
        actual = resolved;
    }

    SafeOutputFile file;
    file.m_target = actual;
    file.m_fd = CreateTemporary(actual, file.m_temporary);
    if (file.m_fd < 0)
        return std::nullopt;
    file.m_replaces = exists;
    if (exists) {
        struct stat status {};
        if (::stat(actual.c_str(), &status) == 0)
            ::fchmod(file.m_fd, status.st_mode & 07777);
        if (mode == Mode::Append) {
            if (!CopyInto(file.m_fd, actual))
                return std::nullopt; // the destructor removes the temporary file
            file.m_appending = true;
        }
    }
    file.m_buffer = MakePrefaultedBuffer(FirstBufferSize);
    file.m_capacity = FirstBufferSize;
    file.m_next = file.m_buffer.get();
    file.m_end = file.m_next + FirstBufferSize;
    return file;
}

SafeOutputFile::SafeOutputFile(SafeOutputFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_failed(other.m_failed)
    , m_appending(other.m_appending)
    , m_replaces(other.m_replaces)
    , m_target(std::move(other.m_target))
    , m_temporary(std::move(other.m_temporary))
    , m_buffer(std::move(other.m_buffer))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_next(std::exchange(other.m_next, nullptr))
    , m_end(std::exchange(other.m_end, nullptr))
    , m_unsynced(other.m_unsynced)
{
}

SafeOutputFile &SafeOutputFile::operator=(SafeOutputFile &&other) noexcept
{
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_failed = other.m_failed;
        m_appending = other.m_appending;
        m_replaces = other.m_replaces;
        m_target = std::move(other.m_target);
        m_temporary = std::move(other.m_temporary);
        m_buffer = std::move(other.m_buffer);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_next = std::exchange(other.m_next, nullptr);
        m_end = std::exchange(other.m_end, nullptr);
        m_unsynced = other.m_unsynced;
    }
    return *this;
}

SafeOutputFile::~SafeOutputFile()
{
    Discard();
}

bool SafeOutputFile::WriteMore(std::string_view bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (!Flush())
        return false;
    GrowBuffer();
    if (bytes.size() >= m_capacity) {
        m_failed = !WriteAll(m_fd, bytes.data(), bytes.size());
        if (m_failed) {
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
    char *const start = m_buffer.get();
    const std::size_t size = static_cast<std::size_t>(m_next - start);
    if (size > 0 && !m_failed) {
        m_failed = !WriteAll(m_fd, start, size);
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
    if (m_replaces && m_unsynced >= WritebackStep) {
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        m_unsynced = 0;
    }
#endif
    return true;
}

void SafeOutputFile::Close()
{
    if (m_fd >= 0) {
        if (::close(m_fd) != 0)
            m_failed = true;
        m_fd = -1;
    }
    Stop();
}

bool SafeOutputFile::Commit()
{
    if (m_fd < 0)
        return false;
    // A file that replaces an earlier one is synced before the rename, so a
    // crash leaves the old file or the whole new one, never an empty or
    // partial one under the target's name. A new file is not: a crash can
    // lose only what this run wrote, and the sync would cost a small job
    // several times its work.
    const bool written = Flush() && (!m_replaces || ::fsync(m_fd) == 0);
    Close();
    if (!written || m_failed || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
        m_temporary.clear();
        return false;
    }
    m_temporary.clear();
    return true;
}

void SafeOutputFile::Discard()
{
    const bool open = m_fd >= 0;
    Close();
    if (open && !m_temporary.empty()) {
        std::error_code ignored;
        fs::remove(m_temporary, ignored);
    }
    m_temporary.clear();
}

bool ReplaceFileContents(const std::string &file, std::string_view bytes)
{
    auto output = SafeOutputFile::Open(file, SafeOutputFile::Mode::Replace);
    return output && output->Write(bytes) && output->Commit();
}

bool IsTemporaryFileOf(const fs::path &candidate, const fs::path &file)
{
    const std::string name = candidate.filename().string();
    const std::string prefix = file.filename().string() + std::string(TemporaryMark);
    if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

void RemoveStaleTemporaryFiles(const fs::path &file, std::chrono::seconds minimumAge)
{
    std::error_code ec;
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    fs::directory_iterator it(folder, ec);
    if (ec)
        return;
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            return;
        if (!IsTemporaryFileOf(it->path(), file) || !it->is_regular_file(ec))
            continue;
        const auto written = it->last_write_time(ec);
        if (!ec && now - written >= minimumAge)
            fs::remove(it->path(), ec);
    }
}

} // namespace tarvel

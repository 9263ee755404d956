#include "core/catalog/safe_output_file.h"

#include "core/catalog/file_helpers.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t BufferSize = 64 * 1024;
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
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
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
    file.m_buffer.reserve(BufferSize);
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
    }
    return *this;
}

SafeOutputFile::~SafeOutputFile()
{
    Discard();
}

bool SafeOutputFile::Write(std::string_view bytes)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (m_buffer.size() + bytes.size() > BufferSize) {
        if (!Flush())
            return false;
        if (bytes.size() >= BufferSize) {
            m_failed = !WriteAll(m_fd, bytes.data(), bytes.size());
            return !m_failed;
        }
    }
    m_buffer.append(bytes);
    return true;
}

bool SafeOutputFile::Flush()
{
    if (!m_buffer.empty() && !m_failed)
        m_failed = !WriteAll(m_fd, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return !m_failed;
}

void SafeOutputFile::Close()
{
    if (m_fd >= 0) {
        if (::close(m_fd) != 0)
            m_failed = true;
        m_fd = -1;
    }
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
    m_buffer.clear();
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

#include "fuzz_sandbox.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tarvel::fuzz {

namespace fs = std::filesystem;

// The bytes of a file in one read; empty when it cannot be read. (An
// istreambuf_iterator takes them one at a time, which the sanitizers make
// slow for the data files read after every input.)
std::string ReadWhole(const fs::path &path, bool &opened)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    opened = in.is_open();
    if (!opened)
        return {};
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

// A file's size and time of last change.
struct Look {
    off_t size = -1;
    std::int64_t seconds = 0;
    long nanoseconds = 0;
    bool operator==(const Look &) const = default;
};

Look LookOf(const struct stat &st)
{
    return {st.st_size, static_cast<std::int64_t>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec};
}

// What the last check (or the snapshot) saw of each folder's files.
std::map<std::string, std::map<std::string, Look>> &Looks()
{
    static std::map<std::string, std::map<std::string, Look>> looks;
    return looks;
}

// Calls visit(file, look) for every regular file below the folder path
// names (a link to a file counts as one; links to folders are not
// followed). path is the walk's own buffer, named as the standard
// library's recursive listing names them; one look at each file, and no
// allocation when the buffer has room: the checks after every input walk
// the folders this way.
template <typename Visit>
void ForEachFile(std::string &path, Visit &&visit)
{
    DIR *const dir = opendir(path.c_str());
    if (!dir)
        return;
    const std::size_t length = path.size();
    while (const dirent *entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        path.resize(length);
        if (path.empty() || path.back() != '/')
            path += '/';
        path += name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            ForEachFile(path, visit);
            continue;
        }
        if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode))
            visit(std::as_const(path), LookOf(st));
    }
    closedir(dir);
    path.resize(length);
}

std::map<std::string, Look> LooksBelow(const std::string &folder)
{
    std::map<std::string, Look> looks;
    std::string path = folder;
    ForEachFile(path, [&looks](const std::string &file, const Look &look) { looks.emplace(file, look); });
    return looks;
}

Sandbox::Sandbox()
{
    // In memory where the system has a memory file system with room for it
    // (the data folders and outputs take a few megabytes): the readers then
    // wait on no disk, and syncing an output costs nothing.
    const char *const memory = "/dev/shm";
    struct statvfs room {};
    const bool inMemory = access(memory, W_OK | X_OK) == 0 && statvfs(memory, &room) == 0
        && static_cast<double>(room.f_bavail) * static_cast<double>(room.f_frsize) >= 256.0 * 1024 * 1024;
    const fs::path base = inMemory ? fs::path(memory) : fs::temp_directory_path();
    std::string pattern = (base / "tarvel-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    m_path = pattern + "/";
}

Sandbox::~Sandbox()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string Sandbox::Write(const std::string &name, std::string_view bytes) const
{
    const fs::path path = fs::path(m_path) / name;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        std::abort();
    return path.string();
}

std::map<std::string, std::string> Snapshot(const std::string &folder)
{
    std::map<std::string, std::string> files;
    std::map<std::string, Look> &looks = Looks()[folder];
    looks.clear();
    std::string path = folder;
    ForEachFile(path, [&](const std::string &file, const Look &look) {
        bool opened = false;
        files[file] = ReadWhole(file, opened);
        looks[file] = look;
    });
    return files;
}

std::map<std::string, std::string> Listing(const std::string &folder)
{
    std::map<std::string, std::string> files;
    for (const auto &[path, look] : LooksBelow(folder)) {
        files[path] = std::to_string(look.size) + ":" + std::to_string(look.seconds) + "."
            + std::to_string(look.nanoseconds);
    }
    return files;
}

std::optional<std::string> ReadFile(const std::string &path)
{
    bool opened = false;
    std::string bytes = ReadWhole(path, opened);
    if (!opened)
        return std::nullopt;
    return bytes;
}

void PutBack(const std::string &folder, const std::string &path, std::string_view bytes)
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            std::abort();
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        std::abort();
    Looks()[folder][path] = LookOf(st);
}

void CheckUnchangedAndTidy(const std::string &folder, const std::map<std::string, std::string> &snapshot,
                           const char *what)
{
    // Only a file whose size or time changed is read again and compared.
    std::map<std::string, Look> &before = Looks()[folder];
    const auto changed = [what](const std::string &path) {
        std::fprintf(stderr, "%s: %s changed or went\n", what, path.c_str());
        std::abort();
    };
    std::size_t found = 0;
    std::vector<std::string> others;
    std::string walk = folder;
    ForEachFile(walk, [&](const std::string &path, const Look &look) {
        const auto known = snapshot.find(path);
        if (known == snapshot.end()) {
            others.push_back(path);
            return;
        }
        ++found;
        const auto seen = before.find(path);
        if (seen != before.end() && seen->second == look)
            return;
        bool opened = false;
        if (ReadWhole(path, opened) != known->second || !opened)
            changed(path);
        before[path] = look;
    });
    if (found != snapshot.size()) {
        for (const auto &[path, bytes] : snapshot) {
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                changed(path);
        }
    }
    std::error_code ec;
    for (const std::string &path : others)
        fs::remove(path, ec);
}

std::vector<std::string> SplitAtNul(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    return parts;
}

} // namespace tarvel::fuzz

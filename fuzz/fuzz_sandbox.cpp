#include "fuzz_sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tarvel::fuzz {

namespace fs = std::filesystem;

// The listing of each folder as the last check (or the snapshot) left it.
std::map<std::string, std::map<std::string, std::string>> &Listings()
{
    static std::map<std::string, std::map<std::string, std::string>> listings;
    return listings;
}

Sandbox::Sandbox()
{
    std::string pattern = (fs::temp_directory_path() / "tarvel-fuzz-XXXXXX").string();
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
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        std::ifstream in(it->path(), std::ios::binary);
        files[it->path().string()] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    Listings()[folder] = Listing(folder);
    return files;
}

std::map<std::string, std::string> Listing(const std::string &folder)
{
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const auto size = it->file_size(ec);
        const auto time = it->last_write_time(ec).time_since_epoch().count();
        files[it->path().string()] = std::to_string(size) + ":" + std::to_string(time);
    }
    return files;
}

void CheckUnchangedAndTidy(const std::string &folder, const std::map<std::string, std::string> &snapshot,
                           const char *what)
{
    // Only a file whose size or time changed is read again and compared.
    std::map<std::string, std::string> &before = Listings()[folder];
    const std::map<std::string, std::string> now = Listing(folder);
    for (const auto &[path, bytes] : snapshot) {
        const auto it = now.find(path);
        if (it != now.end() && before.count(path) && before.at(path) == it->second)
            continue;
        std::ifstream in(path, std::ios::binary);
        const std::string current{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (it == now.end() || !in.is_open() || current != bytes) {
            std::fprintf(stderr, "%s: %s changed or went\n", what, path.c_str());
            std::abort();
        }
    }
    std::error_code ec;
    for (const auto &[path, stamp] : now) {
        if (!snapshot.count(path))
            fs::remove(path, ec);
        else
            before[path] = stamp;
    }
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

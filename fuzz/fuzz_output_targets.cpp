// The output path: the fuzzer picks a target inside a scratch folder (a
// file, a read-only file, a folder, links that lead to a file, to nowhere,
// in a loop, a FIFO, a device, or a name of its own making), the way it is
// written (replaced or appended to, as written or whole), what is written
// and whether the output is committed or dropped. Whatever it picks, no
// file but the named target may change, no temporary or spool file may stay,
// no descriptor may be left open, and the target holds exactly what the
// output promises: the new bytes (or the earlier ones with the new ones
// after them) when committed, what it held before when not.

#include "core/catalog/output_target.h"
#include "core/catalog/safe_output_file.h"
#include "fuzz_sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace tarvel;
namespace fs = std::filesystem;

// What an entry of the folder is: its type and mode, and its bytes or the
// text of its link.
using Picture = std::map<std::string, std::string>;

Picture Take(const std::string &folder)
{
    Picture picture;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            continue;
        std::string &entry = picture[path];
        entry = std::to_string(status.st_mode) + ":";
        if (S_ISLNK(status.st_mode)) {
            entry += fs::read_symlink(path, ec).string();
        } else if (S_ISREG(status.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            entry += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return picture;
}

std::string Bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int OpenDescriptors()
{
    std::error_code ec;
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd", ec), fs::directory_iterator()));
}

[[noreturn]] void Finding(const std::string &what, const std::string &name)
{
    std::fprintf(stderr, "output to \"%s\": %s\n", name.c_str(), what.c_str());
    std::abort();
}

struct Folder {
    fuzz::Sandbox sandbox;
    // Without links, as the changed file is named below.
    std::string root = fs::canonical(sandbox.Path()).string() + "/";
    int fifoHolder = -1; // keeps the FIFO open for reading, so writers open it at once
    Picture picture;

    Folder()
    {
        sandbox.Write("file.txt", "earlier\r\n");
        sandbox.Write("UPPER.TXT", "upper\r\n");
        sandbox.Write("read-only.txt", "read only\r\n");
        ::chmod((root + "read-only.txt").c_str(), 0444);
        sandbox.Write("sub/inner.txt", "inner\r\n");
        fs::create_symlink("file.txt", root + "link-file");
        fs::create_symlink("sub/new.txt", root + "link-dangling");
        fs::create_symlink("missing/x.txt", root + "link-nowhere");
        fs::create_symlink("loop-b", root + "loop-a");
        fs::create_symlink("loop-a", root + "loop-b");
        fs::create_symlink("sub", root + "link-dir");
        fs::create_symlink("/dev/null", root + "null");
        fs::create_directory(root + "tmp");
        if (::mkfifo((root + "fifo").c_str(), 0600) != 0)
            std::abort();
        fifoHolder = ::open((root + "fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        // Spool files go where the check sees them; names are taken from here.
        setenv("TMPDIR", (root + "tmp").c_str(), 1);
        fs::current_path(root);
        picture = Take(root);
    }

    std::string Drain() const
    {
        std::string bytes;
        char block[4096];
        ssize_t got = 0;
        while ((got = ::read(fifoHolder, block, sizeof block)) > 0)
            bytes.append(block, static_cast<std::size_t>(got));
        return bytes;
    }
};

const char *const Names[] = {
    "file.txt", "upper.txt", "read-only.txt", "sub", "sub/inner.txt", "link-file", "link-dangling", "link-nowhere",
    "loop-a", "link-dir/inner.txt", "link-dir/made.txt", "null", "fifo", "new.txt", "missing/new.txt", "file.txt/x",
};
constexpr std::size_t NameCount = sizeof Names / sizeof Names[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Folder folder;
    if (size < 2)
        return 0;
    const std::size_t choice = data[0];
    const std::uint8_t flags = data[1];
    std::string_view rest(reinterpret_cast<const char *>(data + 2), size - 2);
    std::string name;
    if (choice < NameCount) {
        name = Names[choice];
    } else {
        // A name of the fuzzer's own, up to a NUL byte; one that could leave
        // the folder (or names the standard output) is not tried.
        const std::size_t end = rest.find('\0');
        name = std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos || name == "-"
            || name.size() > 300)
            return 0;
    }
    // The FIFO takes what its buffer holds: a few kilobytes at most.
    const std::string bytes(rest.substr(0, 8192));
    const auto mode = (flags & 1) != 0 ? SafeOutputFile::Mode::Append : SafeOutputFile::Mode::Replace;
    const auto delivery = (flags & 2) != 0 ? SafeOutputFile::Delivery::Whole : SafeOutputFile::Delivery::AsWritten;
    const bool commit = (flags & 4) == 0;
    const std::size_t chunk = std::size_t(1) << ((flags >> 4) & 15);

    // The file the output may change: the one the name leads to. The
    // fuzzer's own standard output is not written.
    const Result<OutputTarget> target = FindOutputTarget(name);
    if (target && target->kind == OutputTarget::Kind::StandardOutput)
        return 0;
    std::string changeable;
    if (target && target->kind != OutputTarget::Kind::Special)
        changeable = fs::weakly_canonical(fs::absolute(target->path)).string();
    const bool existed = target && target->kind == OutputTarget::Kind::Regular;
    const std::string before = existed ? Bytes(changeable) : std::string();

    // Counted around the output alone: the fuzzer itself opens descriptors
    // between inputs (to the symbolizer).
    const int descriptors = OpenDescriptors();
    bool committed = false;
    {
        auto output = SafeOutputFile::Open(name, mode, delivery);
        if (output) {
            bool written = true;
            for (std::size_t at = 0; at < bytes.size(); at += chunk)
                written = output->Write(std::string_view(bytes).substr(at, chunk)) && written;
            if (commit)
                committed = output->Commit() && written;
        }
    }
    const std::string drained = folder.Drain();

    // The target holds what the output promised.
    if (!changeable.empty()) {
        const bool present = fs::exists(fs::symlink_status(changeable));
        const std::string now = present ? Bytes(changeable) : std::string();
        if (committed) {
            const std::string expected = mode == SafeOutputFile::Mode::Append ? before + bytes : bytes;
            if (!present || now != expected)
                Finding("a committed output does not hold what was written", name);
        } else if (present != existed || now != before) {
            Finding("an output that was not committed changed its target", name);
        }
    } else if (committed && target && name.find("fifo") != std::string::npos && drained != bytes) {
        Finding("the FIFO did not get what was written", name);
    }

    // Nothing else changed, and nothing is left behind.
    Picture now = Take(folder.root);
    for (const auto &[path, entry] : folder.picture) {
        if (path == changeable)
            continue;
        const auto it = now.find(path);
        if (it == now.end() || it->second != entry)
            Finding(path + " changed or went", name);
    }
    for (const auto &[path, entry] : now) {
        if (path != changeable && !folder.picture.count(path))
            Finding(path + " was left behind", name);
    }
    if (OpenDescriptors() != descriptors)
        Finding("a descriptor was left open", name);

    // The target as it was, for the next input.
    std::error_code ec;
    if (!changeable.empty()) {
        const auto kept = folder.picture.find(changeable);
        if (kept == folder.picture.end()) {
            fs::remove(changeable, ec);
        } else if (Bytes(changeable) != before) {
            std::ofstream(changeable, std::ios::binary | std::ios::trunc) << before;
        }
    }
    return 0;
}

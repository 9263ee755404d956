#include "core/catalog/output_target.h"

#include "core/catalog/file_helpers.h"

#include <cerrno>
#include <climits>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it calls it a loop.
constexpr int MaxLinks = 40;
// A file replaced by another run while it is looked at is looked at again,
// this many times at most.
constexpr int LookAttempts = 8;

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file the last part of path names once its links are followed: path
// itself when it is no link, the end of the chain when that is missing.
std::optional<fs::path> FollowLinks(fs::path path, int &error)
{
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno == ENOENT)
                return path;
            error = errno;
            return std::nullopt;
        }
        if (!S_ISLNK(status.st_mode))
            return path;
        char text[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), text, sizeof text);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        const fs::path next(std::string(text, static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = ELOOP;
    return std::nullopt;
}

// FindOutputTarget's one look; ESTALE when the file a link names is not
// the file the name leads to (replaced meanwhile, or deleted).
Result<OutputTarget> LookAtOutputTarget(const std::string &name)
{
    const auto fail = [&name](int error) {
        Failure failure = Failure::NotAccessible(name);
        failure.error = error;
        return failure;
    };
    if (name.empty())
        return fail(ENOENT);
    struct stat standardOutput {};
    const bool haveStandardOutput = ::fstat(STDOUT_FILENO, &standardOutput) == 0;
    if (name == "-") {
        if (!haveStandardOutput)
            return fail(EBADF);
        return OutputTarget{OutputTarget::Kind::StandardOutput, name};
    }

    // A name that exists, as a file or a link, is taken as it is written;
    // else a file that differs from it in letter case only.
    struct stat status {};
    fs::path path(name);
    if (::lstat(name.c_str(), &status) != 0)
        path = ActualPath(name);
    if (::stat(path.c_str(), &status) == 0) {
        if (haveStandardOutput && SameFile(status, standardOutput))
            return OutputTarget{OutputTarget::Kind::StandardOutput, path};
        if (S_ISDIR(status.st_mode))
            return fail(EISDIR);
        if (!S_ISREG(status.st_mode))
            return OutputTarget{OutputTarget::Kind::Special, path};
        // The file a link names is replaced; the link stays.
        int error = 0;
        const std::optional<fs::path> file = FollowLinks(path, error);
        if (!file)
            return fail(error);
        struct stat followed {};
        if (::stat(file->c_str(), &followed) != 0 || !SameFile(followed, status))
            return fail(ESTALE); // replaced meanwhile, or a link that names no file by a path (a deleted one)
        return OutputTarget{OutputTarget::Kind::Regular, *file};
    }
    if (errno != ENOENT)
        return fail(errno); // ELOOP for a loop of links, EACCES, ENOTDIR...

    // Missing, or a link to a file that does not exist yet: it is made
    // where the link points, when that folder exists.
    int error = 0;
    const std::optional<fs::path> file = FollowLinks(path, error);
    if (!file)
        return fail(error);
    const fs::path folder = file->parent_path().empty() ? fs::path(".") : file->parent_path();
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0)
        return fail(errno);
    if (!S_ISDIR(folderStatus.st_mode))
        return fail(ENOTDIR);
    return OutputTarget{OutputTarget::Kind::Missing, *file};
}

} // namespace

Result<OutputTarget> FindOutputTarget(const std::string &name)
{
    Result<OutputTarget> found = LookAtOutputTarget(name);
    // A file that another run replaced between two looks at it is no
    // deleted file: the name is looked at again.
    for (int attempt = 1; attempt < LookAttempts && !found && found.Error().error == ESTALE; ++attempt)
        found = LookAtOutputTarget(name);
    if (!found && found.Error().error == ESTALE) {
        Failure failure = found.Error();
        failure.error = ENOENT;
        return failure;
    }
    return found;
}

} // namespace tarvel

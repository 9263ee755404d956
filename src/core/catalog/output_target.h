#pragma once

#include "core/catalog/failure.h"

#include <filesystem>
#include <string>

namespace tarvel {

/// What an output name stands for as a run starts writing to it.
struct OutputTarget {
    enum class Kind {
        StandardOutput, ///< "-", or any name of the file descriptor 1 holds: written through it
        Special,        ///< an existing FIFO, device, socket or terminal: written in place
        Regular,        ///< an existing regular file
        Missing,        ///< a file to be made; its folder exists
    };
    Kind kind = Kind::Missing;
    /// The file itself: its letter case as on disk, links followed (for a
    /// missing file, where it is to be made). The name as given for the
    /// standard output and special files.
    std::filesystem::path path;
};

/// The target an output name stands for. A link is followed to the file it
/// names, also when that file does not exist yet (it is made where the link
/// points); a name that exists in another letter case is that file. A name
/// that is the same file as descriptor 1 (such as /dev/stdout, or a link to
/// /proc/self/fd/1) is the standard output. NotAccessible, with the
/// system's reason in error (ELOOP for a loop of links, EISDIR for a
/// folder, ENOENT for a folder that does not exist), when there is no file
/// to write.
Result<OutputTarget> FindOutputTarget(const std::string &name);

} // namespace tarvel

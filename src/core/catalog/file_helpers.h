#pragma once

#include "core/catalog/failure.h"
#include "core/catalog/text_helpers.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// Paths are text (Latin-1 or UTF-8 bytes) with '/' separators; folders end in
// '/'. File names match without regard to letter case: a name that misses
// exactly is looked up in its folder ignoring case.

/// The file actually on disk for path: path itself when it exists, else the
/// entry of its folder whose name differs only in letter case, else path.
std::filesystem::path ActualPath(const std::string &path);
/// Calls visit with the name of every entry of folder but "." and ".." and
/// whether it may be a symbolic link (it is one, or the folder's file system
/// does not say); nothing when the folder cannot be listed.
void ForEachName(const std::string &folder, const std::function<void(std::string_view, bool)> &visit);

/// While one lives on a thread, ForEachName there lists each folder once and
/// serves it again from memory: a run looks up many names in the same few
/// folders (each file in the program folder before the data folder, the
/// output's folder by each check of the output name), and a name not found
/// as typed is looked up by listing its folder. A run lasts a moment; files
/// that come or go during it are found by their exact names as before (only
/// a name that differs in letter case from one made during the run would be
/// missed). Scopes nest: an inner one changes nothing.
class FolderListingScope {
public:
    FolderListingScope();
    ~FolderListingScope();
    FolderListingScope(const FolderListingScope &) = delete;
    FolderListingScope &operator=(const FolderListingScope &) = delete;

    /// The run the live scope of this thread stands for (each outermost
    /// scope a new number), or 0 outside any: what a run found out may be
    /// kept for the rest of the same run.
    static std::uint64_t CurrentRun();

private:
    bool m_owner = false;
};

/// True when the file can be opened for reading (opened and closed again).
bool FileExists(const std::string &path);

/// A file read as fixed-length records; closed when destroyed.
class RecordFile {
public:
    RecordFile(std::ifstream stream, int recordLength, std::int64_t size);
    int RecordLength() const { return m_recordLength; }
    /// Whole records the file holds.
    int RecordCount() const;
    /// Record n (1-based) without its "\r\n", or nullopt past the end. A
    /// record not ending in "\r\n" comes whole, so the caller sees it is out
    /// of place; a last record lacking only its line end still counts.
    std::optional<std::string> Read(int n);

private:
    static constexpr std::int64_t WholeFileLimit = 256 * 1024;

    std::ifstream m_stream;
    int m_recordLength;
    std::int64_t m_size;
    std::string m_whole; // the whole file, when it is small
};

/// A file read in bytes at given positions, one positioned read (pread)
/// each, without a stream buffer in between; closed when destroyed.
class BinaryFile {
public:
    /// Takes over the open descriptor fd of a file of size bytes.
    BinaryFile(int fd, std::int64_t size);
    BinaryFile(BinaryFile &&other) noexcept;
    BinaryFile &operator=(BinaryFile &&other) noexcept;
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;
    ~BinaryFile();

    std::int64_t Size() const { return m_size; }
    /// count bytes from byte position (1-based) into bytes (resized to
    /// count, its storage reused); false when the file does not hold them
    /// all. Never reads past the checked size.
    bool ReadInto(std::int64_t position, std::int64_t count, std::string &bytes);
    /// The same into count bytes at out.
    bool ReadInto(std::int64_t position, std::int64_t count, char *out);

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
};

// The ways of opening a file to read. nullopt is the failure the caller
// reports; the open stream is the handle, closed when it goes out of scope.
// Outputs are written through SafeOutputFile (safe_output_file.h).
std::optional<RecordFile> OpenRecordFile(const std::string &path, int recordLength);
std::optional<std::ifstream> OpenTextForInput(const std::string &path);
std::optional<BinaryFile> OpenBinaryForRead(const std::string &path);

/// The NotAccessible failure of a file that could not be opened or read,
/// with the system's reason found by looking at it again: NotRegularFile
/// for a pipe, a device or a kernel file (/proc, /sys); no reason when it
/// opens now.
Failure NotReadable(const std::string &path);
/// Why a file cannot be written, or why writes to it failed, found by
/// looking at it (a folder, no permission, its file system full, the size
/// limit of this process reached) or, for a new one, its folder: an errno
/// value, or 0 when nothing is seen. For writers that give no reason of
/// their own.
int WriteFailureReason(const std::string &path);
/// The same for a file open as fd whose writes failed: no room left on its
/// file system, or the size limit reached; 0 when neither is seen.
int WriteFailureReasonOf(int fd);

/// The largest free-text file (footnotes, summaries, documents, help) the
/// program reads: far beyond any real one, small enough to hold in memory.
inline constexpr std::int64_t MaxTextFileSize = 16 * 1024 * 1024;
/// The longest line a line-by-line reader takes.
inline constexpr std::size_t MaxTextLineLength = 1024 * 1024;

/// Reads one text line, dropping the "\r\n" or "\n" that ends it.
bool ReadTextLine(std::istream &in, std::string &line);

enum class LineRead { Line, End, TooLong };
/// Reads one text line as ReadTextLine does, but never more than maxLength
/// bytes of it: TooLong (line holding the first maxLength bytes) when the
/// line end is not found within them.
LineRead ReadBoundedLine(std::istream &in, std::string &line, std::size_t maxLength = MaxTextLineLength);

/// The whole file's bytes: NotAccessible when it cannot be opened or read,
/// Damaged when it is larger than limit bytes (nothing of it is read then).
Result<std::string> ReadTextFile(const std::string &path, std::int64_t limit = MaxTextFileSize);
/// ReadTextFile's bytes, or nullopt for either failure.
std::optional<std::string> ReadWholeFile(const std::string &path);


/// folder with '/' appended when it does not end in one (empty stays empty).
std::string WithTrailingSlash(std::string folder);

/// True when both marker files, ZR7N.DFX and ZR5N.DFX, are in folder.
bool DataFilesPresent(const std::string &folder);

} // namespace tarvel

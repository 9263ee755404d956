#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvel {

// The program's temporary files: a file being written before it takes its
// target's place, or a whole output kept aside until it is complete. Each
// is named ".tarvel-", six random letters or digits, "-" and 12 hex digits
// that a keyed hash makes of the letters and the file's own inode number,
// so no file of the user's carries such a name by accident, nor does a copy
// of one of ours. Its writer holds a lock on it from before it has that
// name until after it is gone or renamed, so a file of ours that nobody
// holds a lock on belongs to a writer that is gone.

/// A new temporary file in folder, open for reading and writing (with mode
/// 0600 when ownerOnly, else 0666 less the umask), locked, and removed
/// should a signal end the process before ForgetOnSignal(ticket) (see
/// RemoveOnSignal); name receives its path. The descriptor, or -1 with
/// errno set when none can be made there.
int CreateTemporaryFile(const std::filesystem::path &folder, std::filesystem::path &name, int &ticket,
                        bool ownerOnly = false);

/// The name of the temporary file with these six letters and this inode.
std::string TemporaryFileName(std::string_view letters, std::uint64_t inode);
/// Whether name is that of a temporary file of ours whose inode is inode.
bool IsTemporaryFileName(std::string_view name, std::uint64_t inode);

/// A folder of the run's own for another writer's working files (the
/// workbook library's), beside the temporary file `file` and named after it
/// with ".d", mode 0700; folder receives its path. Removed with what it
/// holds by RemoveScratchFolder, by a signal that ends the run, or by a
/// later clean-up once the writer of `file` is gone; ticket as
/// RemoveOnSignal's. false (errno set) when none can be made.
bool CreateScratchFolder(const std::filesystem::path &file, std::filesystem::path &folder, int &ticket);
/// Removes the folder, the files in it first; forgets the ticket.
void RemoveScratchFolder(const std::filesystem::path &folder, int ticket);

/// Removes from folder what killed runs of this user left there, and only
/// what proves to be the program's own: the temporary files of ours whose
/// writer is gone (no lock on them) with their scratch folders, and the
/// append journals whose writer is gone, once honoured (see
/// append_journal.h). Links, FIFOs, devices, other users' files and files
/// of any other name stay; so does anything in doubt.
void RemoveStaleTemporaryFiles(const std::filesystem::path &folder);

/// While registered, file is removed when the process is ended by SIGINT,
/// SIGTERM, SIGHUP or SIGPIPE (then ended as the signal would). Signals
/// the program handles or ignores itself are left to it. Returns a ticket
/// for ForgetOnSignal; -1 when the file could not be registered (it is
/// then found as a stale file later).
int RemoveOnSignal(const std::filesystem::path &file);
/// While registered, the file open as fd is cut back to length bytes when
/// one of those signals ends the process: an append under way leaves
/// nothing. Cut-backs come before the removals. A ticket as RemoveOnSignal's.
int CutBackOnSignal(int fd, std::int64_t length);
void ForgetOnSignal(int ticket);

/// A write past the user's file size limit (ulimit -f) fails with EFBIG,
/// as any failed write does, instead of ending the process: SIGXFSZ is
/// ignored unless the program handles it itself. Once per process.
void IgnoreFileSizeSignal();

} // namespace tarvel

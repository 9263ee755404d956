#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace tarvel {

// The program's temporary files: a file being written before it takes its
// target's place, or a whole output kept aside until it is complete. Each
// is named ".tarvel-" and six random letters or digits (short, whatever the
// target's name), and its writer holds a lock on it for as long as it lives,
// so a file nobody holds a lock on belongs to a writer that is gone.

/// A new temporary file in folder, created exclusively for reading and
/// writing (with mode 0600 when ownerOnly, else 0666 less the umask),
/// locked, and removed should a signal end the process before
/// ForgetOnSignal(ticket) (see RemoveOnSignal); name receives its path. The
/// descriptor, or -1 with errno set when none can be made there.
int CreateTemporaryFile(const std::filesystem::path &folder, std::filesystem::path &name, int &ticket,
                        bool ownerOnly = false);

/// ".tarvel-" and six letters or digits.
bool IsTemporaryFileName(std::string_view name);

/// Removes from folder the temporary files whose writer is gone (killed,
/// or crashed): those of this program that no one holds a lock on, and,
/// when target is given, the ones earlier versions left for it (its name +
/// ".tmp-" + 8 hex digits, or "." + its name + "." + 6 characters) that
/// are older than ten minutes. Files of other users it may not remove stay.
void RemoveStaleTemporaryFiles(const std::filesystem::path &folder, const std::filesystem::path &target = {});

/// While registered, file is removed when the process is ended by SIGINT,
/// SIGTERM, SIGHUP or SIGPIPE (then ended as the signal would). Signals
/// the program handles or ignores itself are left to it. Returns a ticket
/// for ForgetOnSignal; -1 when the file could not be registered (it is
/// then found as a stale file later).
int RemoveOnSignal(const std::filesystem::path &file);
/// While registered, the file open as fd is cut back to length bytes when
/// one of those signals ends the process: an append under way leaves
/// nothing. A ticket as RemoveOnSignal's.
int CutBackOnSignal(int fd, std::int64_t length);
void ForgetOnSignal(int ticket);

} // namespace tarvel

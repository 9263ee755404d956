#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace tarvel {

// What the temporary files and the append journals share: a mark that
// proves a file is the program's own, and the way such a file is made so
// that it is locked before anyone can see it under its name.

/// 12 lowercase hex digits that a hash keyed with the program's own key
/// makes of text and number (an inode): what the program writes into the
/// names of its files, and checks before it removes one.
std::string OwnMark(std::string_view text, std::uint64_t number);
/// The same keyed hash of bytes, for checking a record's contents.
std::uint64_t OwnHash(std::string_view bytes);
/// Six random letters or digits.
std::string RandomLetters();

bool SameFile(const struct stat &a, const struct stat &b);
/// Whether the name in the folder open as dirFd still is the file open as fd.
bool NameIsFile(int dirFd, const char *name, int fd);

/// Makes a new file in the folder open as dirFd with mode (less the
/// umask), locks it (flock), lets fill write to it, then gives it the name
/// nameFor makes of its inode: no one sees it under that name before it
/// is locked and filled. Where the file system makes no unnamed files it is
/// made under a name of the form ".tarvel-XXXXXX-new" first (which the
/// program never removes) and renamed. nameFor is asked again when the name
/// is taken; the same name twice ends with EEXIST. leaf receives the name.
/// The descriptor, or -1 with errno set. unnamedFirst false takes the
/// named way at once.
int CreateOwnFile(int dirFd, mode_t mode, const std::function<std::string(std::uint64_t inode)> &nameFor,
                  const std::function<bool(int fd)> &fill, std::string &leaf, bool unnamedFirst = true);

/// The signals on which the program removes its files as it ends.
inline constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

/// While it lives, those signals are held back, so that none comes
/// between making a file and registering its removal.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals &) = delete;
    HeldSignals &operator=(const HeldSignals &) = delete;

private:
    sigset_t m_previous;
};

} // namespace tarvel

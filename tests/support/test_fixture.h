#pragma once

#include "core/catalog/failure.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::test {

/// A fresh folder under the system's temporary folder, removed with all its
/// contents when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    /// The folder, ending in '/'.
    const std::string &Path() const { return m_path; }
    /// Writes bytes (binary, as given) to name inside the folder, creating
    /// sub-folders named in it; returns the file's full path.
    std::string Write(const std::string &name, std::string_view bytes) const;

private:
    std::string m_path;
};

/// A message sink that keeps every message shown, in order.
class RecordingSink : public MessageSink {
public:
    struct Message {
        MessageIcon icon;
        std::string title;
        std::string text;
    };
    void ShowMessage(MessageIcon icon, const std::string &title, const std::string &text) override
    {
        messages.push_back({icon, title, text});
    }
    std::vector<Message> messages;
};

/// The number of entries (files, folders, links) directly in folder.
int EntryCount(const std::string &folder);

/// tests/data/, ending in '/'.
std::string TestDataDir();
/// The generated sample-data/ folder beside the executables, ending in '/'.
std::string SampleDataDir();

/// The user and group a child process takes in InChildProcess when the
/// tests run as root: "nobody", to whom the permission checks apply.
inline constexpr unsigned OtherUser = 65534;
bool RunningAsRoot();
/// Runs check in a child process (for changes that must not touch the test
/// process: a file size limit, another user) and returns its result; false
/// when the child did not end normally. With asOtherUser and the tests
/// running as root, the child runs as OtherUser.
bool InChildProcess(const std::function<bool()> &check, bool asOtherUser = false);

/// While it lives, descriptor 1 (the standard output) leads to file,
/// opened for appending as "program >> file" does.
class StandardOutputTo {
public:
    explicit StandardOutputTo(const std::string &file);
    ~StandardOutputTo();
    StandardOutputTo(const StandardOutputTo &) = delete;
    StandardOutputTo &operator=(const StandardOutputTo &) = delete;

private:
    int m_saved = -1;
};

/// A file's bytes, or "<missing>" when it cannot be read.
inline std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs in folder and goes back to the former working folder when done.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string &folder) : m_before(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(m_before); }

private:
    std::filesystem::path m_before;
};

} // namespace tarvel::test

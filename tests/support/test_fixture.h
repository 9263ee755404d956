#pragma once

#include "core/catalog/failure.h"

#include <filesystem>
#include <fstream>
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

/// tests/data/, ending in '/'.
std::string TestDataDir();
/// The generated sample-data/ folder beside the executables, ending in '/'.
std::string SampleDataDir();

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

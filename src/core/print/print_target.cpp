#include "core/print/print_target.h"

#include "core/catalog/file_helpers.h"

#include <filesystem>
#include <system_error>

namespace tarvel {

FileTarget::FileTarget(std::string fileName)
    : m_fileName(std::move(fileName))
{
}

OpenResult FileTarget::Open()
{
    // An existing file is never overwritten: every job adds to its end. Any
    // entry of that name counts, so a file we may write but not read is
    // appended to (or refused), never emptied.
    std::error_code ec;
    if (std::filesystem::exists(ActualPath(m_fileName), ec)) {
        m_stream = OpenForAppend(m_fileName);
        return m_stream ? OpenResult::Appending : OpenResult::Failed;
    }
    m_stream = OpenForOutput(m_fileName);
    return m_stream ? OpenResult::NewOutput : OpenResult::Failed;
}

bool FileTarget::EndOutput()
{
    if (!m_stream)
        return true;
    Flush();
    m_stream->close();
    const bool good = !m_stream->fail();
    m_stream.reset();
    m_pending.clear();
    return good;
}

void FileTarget::Flush()
{
    if (m_stream && !m_pending.empty())
        m_stream->write(m_pending.data(), static_cast<std::streamsize>(m_pending.size()));
    m_pending.clear();
}

void FileTarget::Put(std::string_view text)
{
    if (m_stream)
        m_pending.append(text);
}

void FileTarget::EndLine()
{
    if (!m_stream)
        return;
    // Every line a file gets ends in CR LF, whatever the platform.
    m_pending += "\r\n";
    if (m_pending.size() >= FlushSize)
        Flush();
}

void FileTarget::WriteLine(std::string_view text)
{
    Put(text);
    EndLine();
}

} // namespace tarvel

#include "cli/standard_output.h"

#include <cerrno>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

namespace tarvel::batch {

namespace {

// Large enough that a listing goes out in a few writes.
constexpr std::size_t BufferSize = 64 * 1024;

} // namespace

void KeepStandardDescriptors()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open gives the lowest free descriptor: the closed one itself.
        const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

StandardOutputBuffer::StandardOutputBuffer()
    : m_buffer(BufferSize)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

StandardOutputBuffer::~StandardOutputBuffer()
{
    Drain();
}

bool StandardOutputBuffer::WriteAll(const char *data, std::size_t size)
{
    while (size > 0 && m_error == 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_error = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return m_error == 0;
}

bool StandardOutputBuffer::Drain()
{
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return size == 0 ? m_error == 0 : WriteAll(m_buffer.data(), size);
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type c)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize StandardOutputBuffer::xsputn(const char *s, std::streamsize n)
{
    const auto size = static_cast<std::size_t>(n);
    if (size <= static_cast<std::size_t>(epptr() - pptr())) {
        traits_type::copy(pptr(), s, size);
        pbump(static_cast<int>(n));
        return n;
    }
    // A long text goes out after what is buffered, without a copy.
    if (!Drain() || !WriteAll(s, size))
        return 0;
    return n;
}

int StandardOutputBuffer::sync()
{
    return Drain() ? 0 : -1;
}

int StreamError(const std::ostream &out)
{
    const auto *buffer = dynamic_cast<const StandardOutputBuffer *>(out.rdbuf());
    return buffer != nullptr ? buffer->Error() : 0;
}

std::string TerminalText(std::string_view text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7f) {
            shown += "\\x";
            shown += Hex[byte >> 4];
            shown += Hex[byte & 0xf];
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace tarvel::batch

#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::batch {

/// Opens /dev/null on any of the descriptors 0, 1 and 2 that is closed,
/// so that no file the run opens takes their place: the standard output
/// read-only, so that writing to it fails as a closed one does, with "Bad
/// file descriptor". Called first thing in main.
void KeepStandardDescriptors();

/// tarvel-batch's standard output: descriptor 1 written in blocks, keeping
/// the system's reason (an errno value) for the first write that failed.
/// After a failure nothing more is written.
class StandardOutputBuffer final : public std::streambuf {
public:
    StandardOutputBuffer();
    ~StandardOutputBuffer() override;
    StandardOutputBuffer(const StandardOutputBuffer &) = delete;
    StandardOutputBuffer &operator=(const StandardOutputBuffer &) = delete;

    /// The reason the first failed write gave; 0 while none failed.
    int Error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *s, std::streamsize n) override;
    int sync() override;

private:
    bool Drain();
    bool WriteAll(const char *data, std::size_t size);

    std::vector<char> m_buffer;
    int m_error = 0;
};

/// The reason writes to out failed: its StandardOutputBuffer's Error(), or
/// 0 for a stream of another kind.
int StreamError(const std::ostream &out);

/// text as it may stand on a terminal: every control byte but the line
/// feed, which the terminal would act on (an escape can clear the screen),
/// written as \xHH. Other bytes (a file name's UTF-8) stay as they are.
std::string TerminalText(std::string_view text);

} // namespace tarvel::batch

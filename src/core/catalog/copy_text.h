#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvel {

/// Copies text to at and returns the end of the copy. The short texts of
/// printed rows and exported records (cells, values, tags) are copied in at
/// most two moves of 8 or 4 bytes, each within the text, not by a library
/// call each.
namespace copy_text_detail {

// size bytes (sizeof(Word) to 2 * sizeof(Word)) from from to at, as two
// overlapping moves of a Word; both are read before either is written, so
// from and at may overlap.
template <typename Word>
inline void CopyEnds(char *at, const char *from, std::size_t size)
{
    Word head = 0;
    Word tail = 0;
    std::memcpy(&head, from, sizeof(Word));
    std::memcpy(&tail, from + size - sizeof(Word), sizeof(Word));
    std::memcpy(at, &head, sizeof(Word));
    std::memcpy(at + size - sizeof(Word), &tail, sizeof(Word));
}

} // namespace copy_text_detail

inline char *CopyText(char *at, std::string_view text)
{
#if defined(TARVEL_PLAIN_CODE)
    // A plain build copies every text with one library call.
    if (!text.empty())
        std::memmove(at, text.data(), text.size());
    return at + text.size();
#else
    const char *from = text.data();
    const std::size_t size = text.size();
    if (size >= 8 && size <= 16) {
        copy_text_detail::CopyEnds<std::uint64_t>(at, from, size);
    } else if (size >= 4 && size < 8) {
        copy_text_detail::CopyEnds<std::uint32_t>(at, from, size);
    } else if (size > 16) {
        std::memmove(at, from, size);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            at[i] = from[i];
    }
    return at + size;
#endif
}

} // namespace tarvel

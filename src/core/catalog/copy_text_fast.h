#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// The quick copy of a short text: the cells, values and tags of printed rows
// and exported records are copied in at most two moves of 8 or 4 bytes, each
// within the text, not by a library call each. copy_text.h's CopyText takes
// it and copies anything longer with memmove; a plain build (TARVEL_PLAIN_CODE)
// copies every text with memmove. print_engine_test.cpp holds the two equal.
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)

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

/// Copies a text of at most 16 bytes to at, which it may overlap on either
/// side (every byte is read before any is written), and returns the end of
/// the copy; nullptr, with nothing copied, for a longer text.
inline char *CopyShortText(char *at, std::string_view text)
{
    const char *from = text.data();
    const std::size_t size = text.size();
    if (size >= 8 && size <= 16) {
        copy_text_detail::CopyEnds<std::uint64_t>(at, from, size);
    } else if (size >= 4 && size < 8) {
        copy_text_detail::CopyEnds<std::uint32_t>(at, from, size);
    } else if (size > 16) {
        return nullptr;
    } else if (size != 0) {
        // One to three bytes: the first, the middle and the last, all read
        // before any is written.
        const char first = from[0];
        const char middle = from[size / 2];
        const char last = from[size - 1];
        at[0] = first;
        at[size / 2] = middle;
        at[size - 1] = last;
    }
    return at + size;
}

#else

inline char *CopyShortText(char *, std::string_view)
{
    return nullptr;
}

#endif

} // namespace tarvel::fast

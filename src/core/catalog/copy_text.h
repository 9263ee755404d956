#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvel {

/// Copies text to at and returns the end of the copy. The short texts of
/// printed rows and exported records (cells, values, tags) are copied in at
/// most two moves of 8 or 4 bytes, each within the text, not by a library
/// call each.
inline char *CopyText(char *at, std::string_view text)
{
    const char *from = text.data();
    const std::size_t size = text.size();
    if (size >= 8 && size <= 16) {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + size - 8, 8);
        std::memcpy(at, &head, 8);
        std::memcpy(at + size - 8, &tail, 8);
    } else if (size >= 4 && size < 8) {
        std::uint32_t head = 0;
        std::uint32_t tail = 0;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + size - 4, 4);
        std::memcpy(at, &head, 4);
        std::memcpy(at + size - 4, &tail, 4);
    } else if (size > 16) {
        std::memcpy(at, from, size);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            at[i] = from[i];
    }
    return at + size;
}

} // namespace tarvel

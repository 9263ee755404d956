#pragma once

#include "core/catalog/copy_text_fast.h"

#include <cstring>
#include <string_view>

namespace tarvel {

/// Copies text to at and returns the end of the copy. The text may overlap
/// the place it is copied to (a grid cell set from its own text). Short
/// texts take the quick copy of copy_text_fast.h; the rest, and every text
/// in a plain build, one memmove.
inline char *CopyText(char *at, std::string_view text)
{
    if (char *const end = fast::CopyShortText(at, text))
        return end;
    if (!text.empty())
        std::memmove(at, text.data(), text.size());
    return at + text.size();
}

} // namespace tarvel

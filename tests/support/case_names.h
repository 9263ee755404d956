#pragma once

// Printed forms of parameterised test cases. GoogleTest prints each case's
// value after the test's name, and CTest takes that text into the name it
// lists and runs, so a case prints on one short line: texts in double
// quotes, control bytes, non-ASCII bytes and '"' as \xNN, long texts cut
// short in the middle.

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::test {

/// text in double quotes, each byte below 0x20 or from 0x7f, and '"', as
/// \xNN; when that is longer than max characters, its middle gives way to
/// "..." (never inside an escape).
inline std::string CaseText(std::string_view text, std::size_t max = 24)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::vector<std::string> pieces;
    std::size_t length = 0;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte >= 0x7f || ch == '"')
            pieces.push_back({'\\', 'x', Digits[byte >> 4], Digits[byte & 15]});
        else
            pieces.emplace_back(1, ch);
        length += pieces.back().size();
    }

    std::string shown;
    if (length <= max) {
        for (const auto &piece : pieces)
            shown += piece;
    } else {
        const std::size_t room = max > 3 ? max - 3 : 0;
        const std::size_t headRoom = room - room / 3;
        std::size_t head = 0;
        std::size_t used = 0;
        while (head < pieces.size() && used + pieces[head].size() <= headRoom)
            used += pieces[head++].size();
        std::size_t tail = pieces.size();
        used = 0;
        while (tail > head && used + pieces[tail - 1].size() <= room - headRoom)
            used += pieces[--tail].size();
        for (std::size_t i = 0; i < head; ++i)
            shown += pieces[i];
        shown += "...";
        for (std::size_t i = tail; i < pieces.size(); ++i)
            shown += pieces[i];
    }
    return '"' + shown + '"';
}

/// The shortest text that reads back as value: 0.1 + 0.2 shows as
/// 0.30000000000000004, 1e15 as 1e+15, -0.0 as -0.
inline std::string CaseNumber(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace tarvel::test

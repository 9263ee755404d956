// The quick reading of a value text's number. Nearly every published value
// is digits with or without one to three decimals; reading them through
// from_chars costs more than the rest of a cell's work. Digits are summed as
// they are scanned instead:
// - up to 18 digits without decimals the sum is the exact whole number, and
//   its conversion to double rounds as from_chars rounds the same digits;
// - with decimals and at most 15 digits in all, the digits (below 2^53) and
//   the power of ten (at most 10^15) are exact doubles, so one division
//   rounds the quotient once, as from_chars would.
// Anything else (more digits, an exponent, no digit) is left to the plain
// reading; the randomised tests of data_files_test.cpp hold the two equal.

#include "core/catalog/value_text_fast.h"

#include "core/catalog/text_helpers.h"

#include <cstdint>

namespace tarvel::fast {

namespace {

// 10^0 .. 10^15, each exact in a double.
constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

} // namespace

std::optional<double> ReadShortNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    std::uint64_t whole = 0;
    while (i < text.size() && IsDigit(text[i])) {
        whole = whole * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    const auto endsNumber = [&text](std::size_t at, bool pointToo) {
        return at == text.size() || ((!pointToo || text[at] != '.') && text[at] != 'E' && text[at] != 'e');
    };
    if (i > start && i - start <= 18 && endsNumber(i, true)) {
        const auto value = static_cast<double>(whole);
        return negative ? -value : value;
    }
    // A point after digits, or before one ("12.", ".5").
    if (i >= text.size() || text[i] != '.' || (i == start && (i + 1 >= text.size() || !IsDigit(text[i + 1]))))
        return std::nullopt;
    const std::size_t point = i;
    std::uint64_t mantissa = whole;
    for (i = point + 1; i < text.size() && IsDigit(text[i]); ++i)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
    const std::size_t decimals = i - point - 1;
    if (i - start - 1 > 15 || !endsNumber(i, false))
        return std::nullopt;
    const double value = static_cast<double>(mantissa) / PowersOfTen[decimals];
    return negative ? -value : value;
}

} // namespace tarvel::fast

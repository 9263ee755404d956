#include "core/catalog/value_text.h"

#include "core/catalog/text_helpers.h"
#include "core/catalog/value_text_fast.h"

#include <charconv>
#include <cstddef>
#include <system_error>

namespace tarvel {

namespace {

std::size_t SkipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

std::size_t SkipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// The end of an exponent ("E+06", "e5") at i, or i when none stands there.
std::size_t SkipExponent(std::string_view text, std::size_t i)
{
    if (i >= text.size() || (text[i] != 'E' && text[i] != 'e'))
        return i;
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-'))
        ++j;
    const std::size_t digits = SkipDigits(text, j);
    return digits == j ? i : digits;
}

} // namespace

double ReadLeadingNumber(std::string_view text)
{
    if (const std::optional<double> quick = fast::ReadShortNumber(text))
        return *quick;
    std::size_t i = SkipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    i = SkipDigits(text, i);
    bool anyDigit = i > start;
    // A point counts only with a digit after it ("12." reads 12).
    if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
        i = SkipDigits(text, i + 1);
        anyDigit = true;
    }
    if (!anyDigit)
        return 0.0;
    i = SkipExponent(text, i);
    const std::string_view number = text.substr(start, i - start);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    // A number beyond what a double holds (or below its smallest) reads 0.
    if (ec != std::errc() || end != number.data() + number.size())
        return 0.0;
    return negative ? -value : value;
}

bool IsValueNumber(std::string_view text)
{
    std::size_t i = SkipBlanks(text, 0);
    if (i == text.size())
        return true;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    // Digits, a point with digits, or both: as ReadLeadingNumber takes them.
    const std::size_t whole = i;
    i = SkipDigits(text, i);
    bool digits = i > whole;
    if (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
        i = SkipDigits(text, i + 1);
        digits = true;
    }
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        const std::size_t exponent = SkipExponent(text, i);
        if (exponent == i)
            return false;
        i = exponent;
    }
    return SkipBlanks(text, i) == text.size();
}

} // namespace tarvel

#include "core/catalog/value_text.h"

#include "core/catalog/text_helpers.h"
#include "core/catalog/value_text_fast.h"

#include <algorithm>
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

// Whether number (digits, a point with digits, an exponent; no sign or
// blank) reads as a finite double. A number too large for one would read 0,
// so it is no value; one too small for one reads 0, which it nearly is.
bool FitsADouble(std::string_view number)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc::result_out_of_range)
        return true;
    // Out of range: too large when the first digit that is not 0 stands at
    // or above the units once the exponent is applied. The exponent counts
    // at most to a bound beyond any double's, so a long one cannot overflow.
    const std::size_t mark = number.find_first_of("Ee");
    const std::string_view digits = number.substr(0, mark);
    const std::size_t point = std::min(digits.find('.'), digits.size());
    const std::size_t first = digits.find_first_of("123456789");
    if (first == std::string_view::npos)
        return true;
    constexpr long long Bound = 1'000'000;
    long long place = first < point ? static_cast<long long>(point - first - 1)
                                    : -static_cast<long long>(first - point);
    place = std::clamp(place, -Bound, Bound);
    if (mark != std::string_view::npos) {
        std::size_t i = mark + 1;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        long long exponent = 0;
        for (; i < number.size(); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), Bound);
        place += negative ? -exponent : exponent;
    }
    return place < 0;
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
    // A point counts with a digit before or after it ("12.", ".5"), so
    // that an exponent after it belongs to the number ("12.E3").
    if (i < text.size() && text[i] == '.' && (anyDigit || (i + 1 < text.size() && IsDigit(text[i + 1])))) {
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
    // A text as long as a value text is read may be a longer field's cut,
    // which can fall anywhere inside its number.
    const bool cut = text.size() == ValueTextLength;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    // Digits, a point with digits before or after it, or both: as
    // ReadLeadingNumber takes them.
    const std::size_t whole = i;
    i = SkipDigits(text, i);
    bool digits = i > whole;
    if (i < text.size() && text[i] == '.') {
        const std::size_t decimals = i + 1;
        i = SkipDigits(text, decimals);
        digits = digits || i > decimals;
    }
    if (!digits)
        return cut && i == text.size(); // a sign or point the cut left alone: 0
    bool exponent = false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        const std::size_t end = SkipExponent(text, i);
        if (end == i) {
            // A mark, perhaps its sign, and no digits: only where a cut ends.
            std::size_t j = i + 1;
            if (j < text.size() && (text[j] == '+' || text[j] == '-'))
                ++j;
            return cut && j == text.size();
        }
        i = end;
        exponent = true;
    }
    if (SkipBlanks(text, i) != text.size())
        return false;
    // Only an exponent or some three hundred digits reach beyond a double.
    constexpr std::size_t DigitsThatFitAlways = 300;
    return (!exponent && i - whole < DigitsThatFitAlways) || FitsADouble(text.substr(whole, i - whole));
}

} // namespace tarvel

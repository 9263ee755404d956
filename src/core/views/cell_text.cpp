#include "core/views/cell_text.h"

#include "core/catalog/data_files.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tarvel {

namespace {

// "000" .. "999": the three digits of every group after the first.
constexpr std::array<std::array<char, 3>, 1000> DigitGroups = [] {
    std::array<std::array<char, 3>, 1000> groups{};
    for (int n = 0; n < 1000; ++n)
        groups[static_cast<std::size_t>(n)] = {static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
                                               static_cast<char>('0' + n % 10)};
    return groups;
}();

char *Put(char *out, std::string_view text)
{
    std::char_traits<char>::copy(out, text.data(), text.size());
    return out + text.size();
}

// digits (a whole number without sign) with a comma between groups of three.
char *PutGrouped(char *out, std::string_view digits)
{
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            *out++ = ',';
        *out++ = digits[i];
    }
    return out;
}

// A whole number above 0 in groups of three digits: the first written
// without leading zeros, each further one after a comma from the table.
template <typename Unsigned>
char *PutGroups(char *out, Unsigned whole)
{
    unsigned groups[7];
    int count = 0;
    while (whole >= 1000) {
        groups[count++] = static_cast<unsigned>(whole % 1000);
        whole /= 1000;
    }
    const auto first = static_cast<unsigned>(whole);
    if (first >= 100)
        *out++ = static_cast<char>('0' + first / 100);
    if (first >= 10)
        *out++ = static_cast<char>('0' + first / 10 % 10);
    *out++ = static_cast<char>('0' + first % 10);
    while (count > 0) {
        const std::array<char, 3> &group = DigitGroups[groups[--count]];
        out[0] = ',';
        out[1] = group[0];
        out[2] = group[1];
        out[3] = group[2];
        out += 4;
    }
    return out;
}

} // namespace

char *PutWholeNumber(char *out, double value)
{
    if (!std::isfinite(value))
        return Put(out, "(N)");
    const double magnitude = std::fabs(value);
    if (magnitude < 9.0e18) {
        // Every data cell comes through here. Rounded half away from zero
        // in whole numbers: the fraction left after the cut is exact.
        auto whole = static_cast<std::uint64_t>(magnitude);
        if (magnitude - static_cast<double>(whole) >= 0.5)
            ++whole;
        if (whole == 0) {
            *out = '0'; // also for -0.4, which would otherwise show "-0"
            return out + 1;
        }
        if (value < 0)
            *out++ = '-';
        // Most values fit 32 bits, where the divisions are cheaper.
        if (whole <= 0xffffffffu)
            return PutGroups(out, static_cast<std::uint32_t>(whole));
        return PutGroups(out, whole);
    }
    // Beyond 64-bit integers (an exponent in the field): all the digits the
    // double holds (a whole number already).
    char digits[WholeNumberRoom];
    const int length = std::snprintf(digits, sizeof digits, "%.0f", magnitude);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof digits)
        return Put(out, "(N)");
    if (value < 0)
        *out++ = '-';
    return PutGrouped(out, std::string_view(digits, static_cast<std::size_t>(length)));
}

std::string FormatWholeNumber(double value)
{
    char text[WholeNumberRoom];
    return std::string(text, PutWholeNumber(text, value));
}

} // namespace tarvel

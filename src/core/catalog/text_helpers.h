#pragma once

#include <string>
#include <string_view>

namespace tarvel {

// Small helpers over Latin-1 text, shared by every reader and writer of the
// core so that each rule of what a digit, a blank or a trimmed text is stands
// in one place.

/// An ASCII decimal digit.
constexpr bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
/// A blank of a free-form text line (settings, help file): space or tab.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
/// text without surrounding spaces and tabs.
std::string_view TrimBlanks(std::string_view text);
/// text without trailing (or, for Trim, surrounding) spaces: the fixed-width
/// fields of the data files are padded with spaces only.
std::string TrimRight(std::string_view text);
std::string Trim(std::string_view text);

/// c in lower case when it is an ASCII capital.
char AsciiLower(char c);
/// a and b equal when ASCII letter case is ignored (file and value names).
bool EqualIgnoringCase(std::string_view a, std::string_view b);
/// text in capitals (ASCII letters and Latin-1 letters).
std::string ToUpper(std::string_view text);
/// text in small letters (ASCII letters and Latin-1 letters).
std::string ToLower(std::string_view text);
/// A file name in capitals for the program's messages: ASCII letters only,
/// so a name in UTF-8 ("/home/ann/データ/") keeps every character whole.
std::string FileNameInCapitals(std::string_view name);
/// text without any '&' ("&Display" gives "Display").
std::string StripAmpersands(std::string_view text);

} // namespace tarvel

#include "core/catalog/text_helpers.h"

namespace tarvel {

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string TrimRight(std::string_view text)
{
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string Trim(std::string_view text)
{
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    return TrimRight(text.substr(begin));
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string ToUpper(std::string_view text)
{
    std::string result(text);
    for (char &c : result) {
        const auto u = static_cast<unsigned char>(c);
        // Latin-1 small letters sit 0x20 above their capitals, except the
        // division sign 0xF7 and 0xFF, which has no capital in Latin-1.
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            c = static_cast<char>(u - 0x20);
    }
    return result;
}

std::string ToLower(std::string_view text)
{
    std::string result(text);
    for (char &c : result) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = static_cast<char>(u + 0x20);
    }
    return result;
}

std::string FileNameInCapitals(std::string_view name)
{
    std::string result(name);
    for (char &c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::string StripAmpersands(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c != '&')
            result += c;
    }
    return result;
}

} // namespace tarvel

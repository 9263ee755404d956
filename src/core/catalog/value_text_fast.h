#pragma once

#include <optional>
#include <string_view>

// The quick reading of the usual value texts (value_text_fast.cpp). A plain
// build (TARVEL_PLAIN_CODE) leaves every text to the plain reading.
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)
/// ReadLeadingNumber of a text whose number is digits with or without
/// decimals, no exponent, few enough digits to be read exactly: the very
/// same double, read without from_chars. nullopt for any other text.
std::optional<double> ReadShortNumber(std::string_view text);
#else
inline std::optional<double> ReadShortNumber(std::string_view)
{
    return std::nullopt;
}
#endif

} // namespace tarvel::fast

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvel {

/// Room PutWholeNumber needs at its pointer, whatever the value: the digits
/// of the largest double (309), their group commas and a sign.
inline constexpr std::size_t WholeNumberRoom = 448;

/// Writes the whole-number text of value at out ("#,###,##0": rounded half
/// away from zero, "0" never "-0", "(N)" for no finite number) and returns
/// its end. out holds at least WholeNumberRoom bytes.
char *PutWholeNumber(char *out, double value);

/// The same text as a string.
std::string FormatWholeNumber(double value);

} // namespace tarvel

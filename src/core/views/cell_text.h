#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvel {

/// Room PutDataCellText needs at its pointer, whatever the value: the digits
/// of the largest double (309), their group commas, a sign and " *".
inline constexpr std::size_t DataCellTextRoom = 448;

/// Writes the whole-number text of value at out ("#,###,##0": rounded half
/// away from zero, "0" never "-0", "(N)" for no finite number) and returns
/// its end. out holds at least DataCellTextRoom bytes.
char *PutWholeNumber(char *out, double value);

/// Writes the text of one data cell at out (see DataCellText) and returns
/// its end. out holds at least DataCellTextRoom bytes.
char *PutDataCellText(char *out, std::string_view valueText, char flag, bool unsuppressed);

/// The same texts as strings.
std::string FormatWholeNumber(double value);
std::string FormatDataCell(std::string_view valueText, char flag, bool unsuppressed);

} // namespace tarvel

#include "core/views/scroll_value.h"

#include "core/catalog/data_files.h"
#include "core/catalog/file_helpers.h"

#include <cmath>

namespace tarvel {

int ScrollValueFromText(std::string_view text, int minimum, int maximum)
{
    const double value = ReadLeadingNumber(text);
    // NaN never passes a comparison: treat it as text without a number.
    if (!(value >= minimum))
        return value > maximum ? maximum : minimum;
    if (value > maximum)
        return maximum;
    // Between the bounds: the nearest whole number, halves to even.
    return static_cast<int>(std::nearbyint(value));
}

std::string ScrollValueText(int value)
{
    return " " + std::to_string(value);
}

std::string ScrollDialogCaption(std::string_view menuCaption)
{
    return "Select new " + StripAmpersands(menuCaption);
}

} // namespace tarvel

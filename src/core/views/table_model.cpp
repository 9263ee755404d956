#include "core/views/table_model.h"

#include "core/catalog/text_helpers.h"
#include "core/catalog/value_text.h"
#include "core/views/cell_text.h"

#include <algorithm>

namespace tarvel {

std::string FigureText(const Figure &figure)
{
    if (figure.IsWithheld())
        return std::string(figure.WithheldMarker());
    std::string text = figure.State == FigureState::Blank ? std::string("0") : FormatWholeNumber(figure.Value);
    if (figure.Flag != '0')
        text += " *";
    return text;
}

Figure ReadFigure(std::string_view valueText, char flag, bool unsuppressed)
{
    Figure figure;
    figure.Flag = flag;
    const bool number = std::any_of(valueText.begin(), valueText.end(), IsDigit);
    if (number)
        figure.Value = ReadLeadingNumber(valueText);
    if (flag != '0' && !unsuppressed)
        figure.State = FigureState::Withheld;
    else if (!number)
        figure.State = FigureState::Blank;
    else
        figure.State = flag == '0' ? FigureState::Published : FigureState::Confidential;
    return figure;
}

} // namespace tarvel

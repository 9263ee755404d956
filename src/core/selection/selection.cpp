#include "core/selection/selection.h"

#include "core/selection/program_state.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"

#include <algorithm>

namespace tarvel {

std::vector<std::string> QuarterListEntries(std::string_view code)
{
    const int q = QuarterCount(code);
    if (q <= 0)
        return {};
    // Every table holds at least 16 quarters; the clamp keeps a label in
    // range should a shorter one ever be added.
    auto label = [&](int k) { return QuarterLabel(std::max(k, 1), code); };
    const std::string last = " - " + label(q);
    return {
        "Last four quarters " + label(q - 3) + last,
        "Last five quarters " + label(q - 4) + last,
        "Last eight quarters " + label(q - 7) + last,
        "Last nine quarters " + label(q - 8) + last,
        "All quarters " + label(1) + last,
        "Select quarters",
    };
}

QuarterFlags EmptyQuarterFlags(std::string_view code)
{
    return QuarterFlags(static_cast<std::size_t>(std::max(QuarterCount(code), 0)) + 1, NotChosen);
}

void ApplyQuarterEntry(QuarterFlags &flags, int entry, int quarterCount)
{
    quarterCount = std::max(quarterCount, 0);
    if (flags.size() != static_cast<std::size_t>(quarterCount) + 1)
        flags.assign(static_cast<std::size_t>(quarterCount) + 1, NotChosen);
    if (entry <= 3)
        std::fill(flags.begin(), flags.end(), NotChosen);

    int first = 0;
    switch (entry) {
    case 0:
        first = quarterCount - 3;
        break;
    case 1:
        first = quarterCount - 4;
        break;
    case 2:
        first = quarterCount - 7;
        break;
    case 3:
        first = quarterCount - 8;
        break;
    case 4:
        first = 1;
        break;
    default:
        return;
    }
    for (int k = std::max(first, 1); k <= quarterCount; ++k)
        flags[static_cast<std::size_t>(k)] = Chosen;
}

int CountChosen(const QuarterFlags &flags)
{
    if (flags.empty())
        return 0;
    return static_cast<int>(std::count_if(flags.begin() + 1, flags.end(), [](std::uint8_t f) { return f != 0; }));
}

int CountChosen(const AreaFlags &flags)
{
    return static_cast<int>(std::count_if(flags.begin() + 1, flags.end(), [](std::uint8_t f) { return f != 0; }));
}

std::string QuarterPanelText(int count)
{
    if (count <= 0)
        return NoQuartersText;
    return "Quarters selected - " + std::to_string(count);
}

std::string AreaPanelText(int count)
{
    if (count <= 0)
        return NoAreasText;
    return "Areas selected - " + std::to_string(count);
}

int NextSelectedArea(std::string_view tableCode, const AreaFlags &chosen, int currentArea)
{
    if (ShapeOf(tableCode) == TableShape::AreaRows)
        return currentArea;
    for (int k = std::max(currentArea + 1, 1); k <= AreaCount; ++k) {
        if (chosen[static_cast<std::size_t>(k)] != 0)
            return k;
    }
    for (int k = 1; k <= AreaCount; ++k) {
        if (chosen[static_cast<std::size_t>(k)] != 0)
            return k;
    }
    return currentArea;
}

int PreviousSelectedArea(std::string_view tableCode, const AreaFlags &chosen, int currentArea)
{
    if (ShapeOf(tableCode) == TableShape::AreaRows)
        return currentArea;
    for (int k = std::min(currentArea - 1, AreaCount); k >= 1; --k) {
        if (chosen[static_cast<std::size_t>(k)] != 0)
            return k;
    }
    for (int k = AreaCount; k >= 1; --k) {
        if (chosen[static_cast<std::size_t>(k)] != 0)
            return k;
    }
    return currentArea;
}

bool TableChosen(const ProgramState &state)
{
    return !state.TableCode.empty();
}

bool AreasChosen(const ProgramState &state)
{
    return CountChosen(state.AreaSelected) > 0;
}

bool QuartersChosen(const ProgramState &state)
{
    return CountChosen(state.QuarterSelected) > 0;
}

SelectionProblem DisplayReadiness(const ProgramState &state)
{
    if (!TableChosen(state))
        return SelectionProblem::NoTable;
    if (AreasChosen(state) || ShapeOf(state.TableCode) == TableShape::AreaRows)
        return QuartersChosen(state) ? SelectionProblem::None : SelectionProblem::NoQuarters;
    return SelectionProblem::NoAreas;
}

std::optional<SelectionMessage> ReadinessMessage(SelectionProblem problem)
{
    switch (problem) {
    case SelectionProblem::NoTable:
        return SelectionMessage{"Select table", "Please select a table."};
    case SelectionProblem::NoQuarters:
        return SelectionMessage{"Select quarters", "Please make a quarter selection from the Quarters box."};
    case SelectionProblem::NoAreas:
        return SelectionMessage{"Select State", "Please select one or more States."};
    case SelectionProblem::None:
        break;
    }
    return std::nullopt;
}

AreaFlags AreaFlagsFromChoice(const std::vector<int> &chosenItems)
{
    AreaFlags flags{};
    for (int item : chosenItems) {
        if (item >= 1 && item <= AreaCount)
            flags[static_cast<std::size_t>(item)] = Chosen;
    }
    return flags;
}

QuarterFlags QuarterFlagsFromChoice(const std::vector<int> &chosenItems, int quarterCount)
{
    quarterCount = std::max(quarterCount, 0);
    QuarterFlags flags(static_cast<std::size_t>(quarterCount) + 1, NotChosen);
    for (int item : chosenItems) {
        if (item >= 1 && item <= quarterCount)
            flags[static_cast<std::size_t>(item)] = Chosen;
    }
    return flags;
}

AreaChoiceSummary SummarizeAreaChoice(const AreaFlags &chosen)
{
    for (int k = 1; k <= AreaCount; ++k) {
        if (chosen[static_cast<std::size_t>(k)] != 0)
            return {k - 1, AreaPanelText(CountChosen(chosen))};
    }
    return {0, NoAreasText};
}

std::string AreaPickItem(const AreaRecord &area)
{
    return TrimRight(area.name) + " (" + TrimRight(area.abbreviation) + ")";
}

std::string AreaCodeItem(const AreaRecord &area)
{
    return area.code + " (" + area.region + ")";
}

std::string FipsLabelText(std::string_view codeItem)
{
    return "FIPS:" + std::string(codeItem);
}

bool UnsuppressedFromArguments(const std::vector<std::string> &arguments)
{
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += arguments[i];
    }
    return ToUpper(line) == "/UNSUPPRESSED";
}

} // namespace tarvel

#pragma once

#include "core/catalog/data_files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

struct ProgramState;

// The rules of the main window's selection: the quarter list, the flags of
// chosen quarters and areas, the status-bar texts and the stepping from one
// chosen area to the next. The widgets only call these.

/// Flags of the 60 areas; index 1..60 is the area number, index 0 unused.
using AreaFlags = std::array<std::uint8_t, AreaCount + 1>;
/// Flags of a table's quarters; index 1..QuarterCount, index 0 unused.
using QuarterFlags = std::vector<std::uint8_t>;

// Status-bar texts as the window shows them before anything is chosen.
inline constexpr const char *NoTableText = "No table selected";
inline constexpr const char *NoStatesText = "No states selected";
inline constexpr const char *NoAreasText = "No Areas selected";
inline constexpr const char *NoQuartersText = "No quarters selected";

/// Index of the quarter-list entry that opens the quarter pick list.
inline constexpr int SelectQuartersEntry = 5;
inline constexpr int QuarterEntryCount = 6;

/// The six entries of the quarter list of table code, in index order:
/// "Last four quarters 2007.2 - 2008.1" ... "All quarters ...", "Select quarters".
/// Empty for a code not in the catalog.
std::vector<std::string> QuarterListEntries(std::string_view code);

/// Flags sized for code (QuarterCount + 1 entries), all cleared.
QuarterFlags EmptyQuarterFlags(std::string_view code);

/// Applies quarter-list entry `entry` (-1 for none, 0..4) to flags holding
/// quarterCount quarters: -1..3 clear every flag first, then 0..3 choose the
/// last 4, 5, 8 or 9 quarters and 4 chooses every quarter. Entry 5 and other
/// values change nothing (the pick list decides). flags is resized to
/// quarterCount + 1 when its size differs.
void ApplyQuarterEntry(QuarterFlags &flags, int entry, int quarterCount);

/// Number of chosen flags (index 0 not counted).
int CountChosen(const QuarterFlags &flags);
int CountChosen(const AreaFlags &flags);

/// Panel 4: "Quarters selected - 4", or "No quarters selected" for 0.
std::string QuarterPanelText(int count);
/// Panel 3: "Areas selected - 2", or "No Areas selected" for 0.
std::string AreaPanelText(int count);

/// The area a display shows next: the first chosen area after currentArea,
/// wrapping round to area 1. ZR1 (all areas at once) and a choice without
/// any area leave currentArea as it is.
int NextSelectedArea(std::string_view tableCode, const AreaFlags &chosen, int currentArea);
/// The mirror of NextSelectedArea: the last chosen area before currentArea,
/// wrapping round to area 60.
int PreviousSelectedArea(std::string_view tableCode, const AreaFlags &chosen, int currentArea);

/// What the state holds chosen: a table, at least one area, at least one
/// quarter.
bool TableChosen(const ProgramState &state);
bool AreasChosen(const ProgramState &state);
bool QuartersChosen(const ProgramState &state);

/// What the display command finds missing, in the order it asks for it.
enum class SelectionProblem { None, NoTable, NoQuarters, NoAreas };

/// The readiness checks of the display command: no table when none is
/// chosen; then, when areas are chosen or the table holds every area in one
/// view (ZR1), no quarters when none is chosen; otherwise no areas.
SelectionProblem DisplayReadiness(const ProgramState &state);

struct SelectionMessage {
    std::string title;
    std::string text;
};
/// The information message for a problem; nullopt for None.
std::optional<SelectionMessage> ReadinessMessage(SelectionProblem problem);

/// The pick list's result in areas mode: every flag cleared, then the
/// chosen items (1-based item numbers = area numbers) set. Numbers outside
/// 1..60 are ignored.
AreaFlags AreaFlagsFromChoice(const std::vector<int> &chosenItems);
/// The same in quarters mode, sized for quarterCount quarters.
QuarterFlags QuarterFlagsFromChoice(const std::vector<int> &chosenItems, int quarterCount);

/// What the main window shows after the area pick list closes.
struct AreaChoiceSummary {
    int currentArea = 0;   ///< one before the first chosen area, 0 when none
    std::string panelText; ///< status-bar panel 3
};
AreaChoiceSummary SummarizeAreaChoice(const AreaFlags &chosen);

/// The pick-list item of an area: name and abbreviation without trailing
/// blanks, "Alabama (AL)".
std::string AreaPickItem(const AreaRecord &area);
/// The hidden code item of an area: "01 (5)".
std::string AreaCodeItem(const AreaRecord &area);
/// The code label's text for a code item: "FIPS:01 (5)".
std::string FipsLabelText(std::string_view codeItem);

/// Unsuppressed mode is on when the arguments left after the toolkit's own
/// options, joined by one blank and upper-cased, are exactly "/UNSUPPRESSED".
bool UnsuppressedFromArguments(const std::vector<std::string> &arguments);

} // namespace tarvel

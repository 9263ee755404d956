#include "core/selection/selection.h"
#include "core/selection/program_state.h"

#include "case_names.h"

#include "core/catalog/table_catalog.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tarvel {
namespace {

AreaFlags Areas(std::initializer_list<int> numbers)
{
    return AreaFlagsFromChoice(std::vector<int>(numbers));
}

// ---- the quarter list ----------------------------------------------------

struct EntryCase {
    const char *code;
    int entry;
    const char *text;
    int chosen;      // flags set by the entry
    int firstChosen; // lowest chosen quarter
};

void PrintTo(const EntryCase &c, std::ostream *os)
{
    *os << c.code << " entry " << c.entry;
}

class QuarterEntryTest : public testing::TestWithParam<EntryCase> {};

TEST_P(QuarterEntryTest, TextAndFlags)
{
    const auto &c = GetParam();
    const auto entries = QuarterListEntries(c.code);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[static_cast<std::size_t>(c.entry)], c.text);
    EXPECT_EQ(entries[5], "Select quarters");

    // Start from a full choice so the clearing is seen too.
    auto flags = EmptyQuarterFlags(c.code);
    ApplyQuarterEntry(flags, 4, QuarterCount(c.code));
    ApplyQuarterEntry(flags, c.entry, QuarterCount(c.code));
    EXPECT_EQ(CountChosen(flags), c.chosen);
    EXPECT_EQ(flags[static_cast<std::size_t>(c.firstChosen)], 255);
    EXPECT_EQ(flags[static_cast<std::size_t>(c.firstChosen - 1)], 0);
    EXPECT_EQ(flags.back(), 255);
}

INSTANTIATE_TEST_SUITE_P(Tables, QuarterEntryTest,
    testing::Values(EntryCase{"ZR6N", 0, "Last four quarters 2007.2 - 2008.1", 4, 26},
                    EntryCase{"ZR6", 3, "Last nine quarters 1999.4 - 2001.4", 9, 8},
                    EntryCase{"ZR5", 0, "Last four quarters 2001.1 - 2001.4", 4, 173},
                    EntryCase{"ZR5", 1, "Last five quarters 2000.4 - 2001.4", 5, 172},
                    EntryCase{"ZR5", 2, "Last eight quarters 2000.1 - 2001.4", 8, 169},
                    EntryCase{"ZR5", 4, "All quarters 1958.1 - 2001.4", 176, 1},
                    EntryCase{"ZR1", 4, "All quarters 1948.1 - 2008.1", 241, 1},
                    EntryCase{"ZR7H", 3, "Last nine quarters 1955.4 - 1957.4", 9, 32}));

TEST(QuarterEntry, NoEntryOrPickListEntry)
{
    auto flags = EmptyQuarterFlags("ZR4");
    ApplyQuarterEntry(flags, 4, 241);
    // The pick-list entry starts from the current choice.
    ApplyQuarterEntry(flags, SelectQuartersEntry, 241);
    EXPECT_EQ(CountChosen(flags), 241);
    // No entry chosen clears everything.
    ApplyQuarterEntry(flags, -1, 241);
    EXPECT_EQ(CountChosen(flags), 0);
    EXPECT_EQ(QuarterPanelText(CountChosen(flags)), "No quarters selected");
}

TEST(QuarterEntry, FlagsOfAnotherTableAreResized)
{
    auto flags = EmptyQuarterFlags("ZR6"); // 16 quarters
    ApplyQuarterEntry(flags, 0, QuarterCount("ZR1"));
    ASSERT_EQ(flags.size(), 242u);
    EXPECT_EQ(CountChosen(flags), 4);
}

TEST(QuarterEntry, UnknownTableHasNoEntries)
{
    EXPECT_TRUE(QuarterListEntries("No table selected").empty());
    EXPECT_EQ(EmptyQuarterFlags("ZR9").size(), 1u);
}

TEST(PanelTexts, Counts)
{
    EXPECT_EQ(QuarterPanelText(4), "Quarters selected - 4");
    EXPECT_EQ(QuarterPanelText(241), "Quarters selected - 241");
    EXPECT_EQ(AreaPanelText(2), "Areas selected - 2");
    EXPECT_EQ(AreaPanelText(60), "Areas selected - 60");
    EXPECT_EQ(AreaPanelText(0), "No Areas selected");
}

// ---- stepping from area to area -------------------------------------------

struct StepCase {
    const char *code;
    std::vector<int> chosen;
    int current;
    int next;
    int previous;
};

void PrintTo(const StepCase &c, std::ostream *os)
{
    *os << c.code << " from " << c.current;
}

class AreaStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(AreaStepTest, NextAndPrevious)
{
    const auto &c = GetParam();
    const auto flags = AreaFlagsFromChoice(c.chosen);
    EXPECT_EQ(NextSelectedArea(c.code, flags, c.current), c.next);
    EXPECT_EQ(PreviousSelectedArea(c.code, flags, c.current), c.previous);
}

INSTANTIATE_TEST_SUITE_P(Areas, AreaStepTest,
    testing::Values(StepCase{"ZR4", {5, 40}, 40, 5, 5},
                    StepCase{"ZR4", {5, 40}, 5, 40, 40},
                    StepCase{"ZR4", {5, 40}, 4, 5, 40}, // just after the pick list
                    StepCase{"ZR4", {5, 40}, 0, 5, 40},
                    StepCase{"ZR4", {5, 40}, 20, 40, 5},
                    StepCase{"ZR5N", {17}, 17, 17, 17},
                    StepCase{"ZR5N", {1, 60}, 60, 1, 1},
                    StepCase{"ZR5N", {1, 60}, 1, 60, 60},
                    StepCase{"ZR1", {5, 40}, 40, 40, 40}, // ZR1 shows every area at once
                    StepCase{"ZR1", {5, 40}, 0, 0, 0},
                    StepCase{"ZR4", {}, 7, 7, 7}));      // nothing chosen: no move

// ---- readiness ---------------------------------------------------------------

struct ReadinessCase {
    const char *table; ///< "" when none is chosen
    std::vector<int> areas;
    std::vector<int> quarters;
    SelectionProblem problem;
};

void PrintTo(const ReadinessCase &c, std::ostream *os)
{
    static const char *const Problems[] = {"ready", "no table", "no quarters", "no areas"};
    *os << (*c.table ? c.table : "no table") << ", " << c.areas.size() << " areas, " << c.quarters.size()
        << " quarters -> " << Problems[static_cast<int>(c.problem)];
}

class ReadinessTest : public testing::TestWithParam<ReadinessCase> {};

// The choice is read from the state alone; what the status bar says plays
// no part.
TEST_P(ReadinessTest, Order)
{
    const auto &c = GetParam();
    ProgramState state;
    state.TableCode = c.table;
    state.AreaSelected = AreaFlagsFromChoice(c.areas);
    state.QuarterSelected = QuarterFlagsFromChoice(c.quarters, QuarterCount("ZR4"));
    EXPECT_EQ(TableChosen(state), *c.table != '\0');
    EXPECT_EQ(AreasChosen(state), !c.areas.empty());
    EXPECT_EQ(QuartersChosen(state), !c.quarters.empty());
    EXPECT_EQ(DisplayReadiness(state), c.problem);
}

INSTANTIATE_TEST_SUITE_P(State, ReadinessTest,
    testing::Values(ReadinessCase{"", {2, 5}, {1}, SelectionProblem::NoTable},
                    ReadinessCase{"", {}, {}, SelectionProblem::NoTable},
                    ReadinessCase{"ZR4", {2, 5}, {}, SelectionProblem::NoQuarters},
                    ReadinessCase{"ZR4", {}, {}, SelectionProblem::NoAreas},
                    ReadinessCase{"ZR4", {}, {238, 241}, SelectionProblem::NoAreas},
                    ReadinessCase{"ZR1", {}, {}, SelectionProblem::NoQuarters},
                    ReadinessCase{"ZR1", {}, {241}, SelectionProblem::None},
                    ReadinessCase{"ZR4", {60}, {1, 241}, SelectionProblem::None}));

TEST(Readiness, Messages)
{
    EXPECT_FALSE(ReadinessMessage(SelectionProblem::None));
    const auto table = ReadinessMessage(SelectionProblem::NoTable);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->title, "Select table");
    EXPECT_EQ(table->text, "Please select a table.");
    const auto quarters = ReadinessMessage(SelectionProblem::NoQuarters);
    ASSERT_TRUE(quarters);
    EXPECT_EQ(quarters->title, "Select quarters");
    EXPECT_EQ(quarters->text, "Please make a quarter selection from the Quarters box.");
    const auto areas = ReadinessMessage(SelectionProblem::NoAreas);
    ASSERT_TRUE(areas);
    EXPECT_EQ(areas->title, "Select State");
    EXPECT_EQ(areas->text, "Please select one or more States.");
}

// ---- print-all's hold on the program state -----------------------------------

// However a run ends, the mode is off afterwards and the area shown before
// the run is the current one again.
TEST(PrintAllScope, EveryWayOutClearsTheModeAndRestoresTheArea)
{
    enum class WayOut { End, EarlyReturn, Exception };
    for (const WayOut way : {WayOut::End, WayOut::EarlyReturn, WayOut::Exception}) {
        ProgramState state;
        state.CurrentArea = 7;
        bool seenOn = false;
        const auto run = [&] {
            const PrintAllScope printAll(state);
            seenOn = state.PrintAllMode;
            state.CurrentArea = 12;
            if (way == WayOut::EarlyReturn)
                return;
            if (way == WayOut::Exception)
                throw std::runtime_error("printer gone");
            state.CurrentArea = 30;
        };
        try {
            run();
        } catch (const std::runtime_error &) {
        }
        EXPECT_TRUE(seenOn) << static_cast<int>(way);
        EXPECT_FALSE(state.PrintAllMode) << static_cast<int>(way);
        EXPECT_EQ(state.CurrentArea, 7) << static_cast<int>(way);
    }
}

// ---- pick-list results --------------------------------------------------------

TEST(PickListResult, AreasFiveAndNine)
{
    const auto summary = SummarizeAreaChoice(Areas({9, 5}));
    EXPECT_EQ(summary.currentArea, 4);
    EXPECT_EQ(summary.panelText, "Areas selected - 2");
}

TEST(PickListResult, AllAndNone)
{
    std::vector<int> all;
    for (int i = 1; i <= 60; ++i)
        all.push_back(i);
    const auto every = SummarizeAreaChoice(AreaFlagsFromChoice(all));
    EXPECT_EQ(every.currentArea, 0);
    EXPECT_EQ(every.panelText, "Areas selected - 60");

    const auto none = SummarizeAreaChoice(AreaFlagsFromChoice({}));
    EXPECT_EQ(none.currentArea, 0);
    EXPECT_EQ(none.panelText, "No Areas selected");
}

TEST(PickListResult, ItemsOutOfRangeAreIgnored)
{
    const auto flags = AreaFlagsFromChoice({0, 61, -3, 60});
    EXPECT_EQ(CountChosen(flags), 1);
    EXPECT_EQ(flags[0], 0);

    const auto quarters = QuarterFlagsFromChoice({1, 16, 17, 0}, 16);
    ASSERT_EQ(quarters.size(), 17u);
    EXPECT_EQ(CountChosen(quarters), 2);
    EXPECT_EQ(quarters[1], 255);
    EXPECT_EQ(quarters[16], 255);
    EXPECT_EQ(CountChosen(QuarterFlagsFromChoice({}, 16)), 0);
}

TEST(PickListItems, AreaTexts)
{
    const AreaRecord area{"01", "Alabama             ", "AL  ", "5"};
    EXPECT_EQ(AreaPickItem(area), "Alabama (AL)");
    EXPECT_EQ(AreaCodeItem(area), "01 (5)");
    EXPECT_EQ(FipsLabelText(AreaCodeItem(area)), "FIPS:01 (5)");
}

// ---- the command line -----------------------------------------------------------

struct ArgumentsCase {
    std::vector<std::string> arguments;
    bool unsuppressed;
};

void PrintTo(const ArgumentsCase &c, std::ostream *os)
{
    if (c.arguments.empty())
        *os << "no arguments";
    for (std::size_t i = 0; i < c.arguments.size(); ++i)
        *os << (i == 0 ? "" : " ") << test::CaseText(c.arguments[i]);
    *os << " -> " << (c.unsuppressed ? "unsuppressed" : "suppressed");
}

class ArgumentsTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsTest, Switch)
{
    EXPECT_EQ(UnsuppressedFromArguments(GetParam().arguments), GetParam().unsuppressed);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ArgumentsTest,
    testing::Values(ArgumentsCase{{"/UNSUPPRESSED"}, true},
                    ArgumentsCase{{"/unsuppressed"}, true},
                    ArgumentsCase{{"/UnSuppressed"}, true},
                    ArgumentsCase{{}, false},
                    ArgumentsCase{{"/unsuppressed", "x"}, false},
                    ArgumentsCase{{"", "/unsuppressed"}, false},   // a blank before it
                    ArgumentsCase{{" /unsuppressed"}, false},
                    ArgumentsCase{{"/unsuppressed "}, false},
                    ArgumentsCase{{"-unsuppressed"}, false},
                    ArgumentsCase{{"/UNSUPPRESS", "ED"}, false}));

} // namespace
} // namespace tarvel

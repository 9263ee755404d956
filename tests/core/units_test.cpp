#include "core/views/units.h"

#include "core/catalog/value_text.h"
#include "core/views/table_view_builder.h"
#include "core/views/units_transform.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace tarvel {
namespace {

Figure Shown(double value)
{
    return {value, FigureState::Published, '0'};
}
Figure Withheld(char flag)
{
    return {0.0, FigureState::Withheld, flag};
}
Figure Secret(double value, char flag = '1')
{
    return {value, FigureState::Confidential, flag};
}
const Figure Blank{0.0, FigureState::Blank, '0'};

std::vector<Figure> Series(const std::vector<double> &values)
{
    std::vector<Figure> series;
    for (const double value : values)
        series.push_back(Shown(value));
    return series;
}

std::vector<int> Quarters(int first, int last)
{
    std::vector<int> quarters(static_cast<std::size_t>(last - first + 1));
    std::iota(quarters.begin(), quarters.end(), first);
    return quarters;
}

std::vector<std::string> Texts(Units unit, const std::vector<Figure> &figures)
{
    std::vector<std::string> texts;
    for (const Figure &figure : figures)
        texts.push_back(FigureText(UnitsEntryOf(unit), figure));
    return texts;
}

// Ten quarters from 2007 Q3 to 2009 Q4, and the nation's of the same line.
const std::vector<double> Area{200, 210, 199, 220, 250, 240, 260, 300, 290, 310};
const std::vector<double> Nation{1000, 840, 1990, 1100, 800, 960, 390, 1200, 1160, 1240};
constexpr TableStart MidYear{2007, 3};

TEST(Units, TheTableHoldsEachUnitOnceUnderItsShortName)
{
    std::set<std::string_view> names;
    std::set<std::string_view> shortNames;
    for (const UnitsEntry &entry : UnitsTable()) {
        EXPECT_TRUE(names.insert(entry.Name).second) << entry.Name;
        EXPECT_TRUE(shortNames.insert(entry.ShortName).second) << entry.ShortName;
        EXPECT_FALSE(entry.Rule.empty()) << entry.ShortName;
        EXPECT_EQ(UnitsFromShortName(entry.ShortName), entry.Unit);
        EXPECT_EQ(UnitsEntryOf(entry.Unit).ShortName, entry.ShortName);
    }
    EXPECT_EQ(UnitsShortNames(), "level, chg, ch1, pch, pca, pc1, share, index, annual");
    EXPECT_EQ(UnitsTable().front().Unit, Units::Level);
    for (const std::string_view unknown : {"", "LEVEL", "pch ", "p", "percent", "annual,"})
        EXPECT_EQ(UnitsFromShortName(unknown), std::nullopt) << unknown;

    struct Expected {
        Units unit;
        int decimals;
        bool negative, nation, base, years;
    };
    for (const Expected &e : {Expected{Units::Level, 0, false, false, false, false},
                              Expected{Units::Change, 0, true, false, false, false},
                              Expected{Units::PercentChangeAnnualRate, 1, true, false, false, false},
                              Expected{Units::Share, 2, false, true, false, false},
                              Expected{Units::Index, 1, false, false, true, false},
                              Expected{Units::Annual, 0, false, false, false, true}}) {
        const UnitsEntry &entry = UnitsEntryOf(e.unit);
        EXPECT_EQ(entry.Decimals, e.decimals) << entry.ShortName;
        EXPECT_EQ(entry.CanBeNegative, e.negative) << entry.ShortName;
        EXPECT_EQ(entry.NeedsNation, e.nation) << entry.ShortName;
        EXPECT_EQ(entry.NeedsBase, e.base) << entry.ShortName;
        EXPECT_EQ(entry.YearColumns, e.years) << entry.ShortName;
    }
}

TEST(Units, EachUnitGivesTheFiguresWorkedOutByHand)
{
    struct Case {
        Units unit;
        int base;
        std::vector<std::string> texts; // quarters 1..10
    };
    const std::vector<Case> cases{
        {Units::Level, 0, {"200", "210", "199", "220", "250", "240", "260", "300", "290", "310"}},
        {Units::Change, 0, {"(N)", "10", "-11", "21", "30", "-10", "20", "40", "-10", "20"}},
        {Units::ChangeFromYearAgo, 0, {"(N)", "(N)", "(N)", "(N)", "50", "30", "61", "80", "40", "70"}},
        {Units::PercentChange, 0, {"(N)", "5.0", "-5.2", "10.6", "13.6", "-4.0", "8.3", "15.4", "-3.3", "6.9"}},
        {Units::PercentChangeAnnualRate,
         0,
         {"(N)", "21.6", "-19.4", "49.4", "66.8", "-15.1", "37.7", "77.3", "-12.7", "30.6"}},
        {Units::PercentChangeFromYearAgo,
         0,
         {"(N)", "(N)", "(N)", "(N)", "25.0", "14.3", "30.7", "36.4", "16.0", "29.2"}},
        {Units::Share,
         0,
         {"20.00", "25.00", "10.00", "20.00", "31.25", "25.00", "66.67", "25.00", "25.00", "25.00"}},
        {Units::Index, 0, {"100.0", "105.0", "99.5", "110.0", "125.0", "120.0", "130.0", "150.0", "145.0", "155.0"}},
        {Units::Index, 5, {"80.0", "84.0", "79.6", "88.0", "100.0", "96.0", "104.0", "120.0", "116.0", "124.0"}},
    };
    const std::vector<Figure> area = Series(Area);
    const std::vector<Figure> nation = Series(Nation);
    for (const Case &c : cases) {
        const UnitsRequest request{c.unit, Quarters(1, 10), c.base, MidYear};
        const UnitsResult result = ComputeUnits(request, area, nation);
        EXPECT_EQ(Texts(c.unit, result.Figures), c.texts) << UnitsEntryOf(c.unit).ShortName << " base " << c.base;
        EXPECT_TRUE(result.Years.empty());
    }
}

TEST(Units, TheWindowPicksColumnsButThePreviousQuarterIsTheTables)
{
    const std::vector<Figure> area = Series(Area);
    struct Case {
        Units unit;
        std::vector<int> shown;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases{
        {Units::PercentChange, {7, 8, 9, 10}, {"8.3", "15.4", "-3.3", "6.9"}},
        {Units::PercentChange, {10, 9, 8, 7}, {"6.9", "-3.3", "15.4", "8.3"}},
        {Units::ChangeFromYearAgo, {10, 5, 4}, {"70", "50", "(N)"}},
        // The index's own base is the oldest quarter shown, in either order.
        {Units::Index, {8, 9, 10}, {"100.0", "96.7", "103.3"}},
        {Units::Index, {10, 9, 8}, {"103.3", "96.7", "100.0"}},
        // Quarters outside the table have no figure, whatever the unit.
        {Units::Level, {0, 1, 11, -3}, {"(N)", "200", "(N)", "(N)"}},
        {Units::Change, {11, 2}, {"(N)", "10"}},
    };
    for (const Case &c : cases) {
        const UnitsResult result = ComputeUnits({c.unit, c.shown, 0, MidYear}, area);
        EXPECT_EQ(Texts(c.unit, result.Figures), c.texts) << UnitsEntryOf(c.unit).ShortName;
    }
}

TEST(Units, AnnualAveragesTakeTheYearsTheTableHoldsWhole)
{
    struct Case {
        TableStart start;
        std::vector<int> shown;
        std::vector<int> years;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases{
        // 2007 Q3..2009 Q4: 2007 lacks its first half.
        {MidYear, Quarters(1, 10), {2008, 2009}, {"227", "290"}},
        {MidYear, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {2009, 2008}, {"290", "227"}},
        // A window inside 2008 and 2009 still averages their whole years.
        {MidYear, {6, 7}, {2008, 2009}, {"227", "290"}},
        {MidYear, {1, 2}, {}, {}},
        // 2008 Q1..2010 Q2: 2010 lacks its second half.
        {{2008, 1}, Quarters(1, 10), {2008, 2009}, {"207", "263"}},
        {{2008, 4}, Quarters(1, 10), {2009, 2010}, {"220", "273"}},
    };
    const std::vector<Figure> area = Series(Area);
    for (const Case &c : cases) {
        const UnitsResult result = ComputeUnits({Units::Annual, c.shown, 0, c.start}, area);
        EXPECT_EQ(result.Years, c.years) << c.start.Year << "." << c.start.Quarter;
        EXPECT_EQ(Texts(Units::Annual, result.Figures), c.texts) << c.start.Year << "." << c.start.Quarter;
    }
}

TEST(Units, WithheldBlankAndUnusableInputsDecideTheFigure)
{
    struct Case {
        const char *what;
        Units unit;
        std::vector<Figure> series;
        std::vector<Figure> nation;
        int base;
        Figure expected; // of the last quarter; these values come out exact
    };
    const Figure na = Withheld('N');
    const std::vector<Case> cases{
        {"(D) now", Units::Change, {Shown(5), Withheld('1')}, {}, 0, Withheld('1')},
        {"(N) before", Units::PercentChange, {Withheld('N'), Shown(5)}, {}, 0, na},
        {"another flag gives (N)", Units::PercentChange, {Withheld('L'), Shown(5)}, {}, 0, na},
        {"(D) wins over (N)", Units::Change, {Withheld('N'), Withheld('1')}, {}, 0, Withheld('1')},
        {"(D) over a blank", Units::Change, {Blank, Withheld('1')}, {}, 0, Withheld('1')},
        {"blank", Units::Change, {Blank, Shown(5)}, {}, 0, na},
        {"zero base", Units::PercentChange, {Shown(0), Shown(5)}, {}, 0, na},
        {"base of the other sign", Units::PercentChange, {Shown(-4), Shown(5)}, {}, 0, na},
        {"annual rate, other sign", Units::PercentChangeAnnualRate, {Shown(4), Shown(-5)}, {}, 0, na},
        {"both below zero", Units::PercentChange, {Shown(-4), Shown(-5)}, {}, 0, Shown(25)},
        {"down to zero", Units::PercentChange, {Shown(4), Shown(0)}, {}, 0, Shown(-100)},
        {"change through zero", Units::Change, {Shown(-4), Shown(5)}, {}, 0, Shown(9)},
        {"past any double", Units::PercentChangeAnnualRate, {Shown(1e-200), Shown(1e200)}, {}, 0, na},
        {"nation zero", Units::Share, {Shown(1), Shown(5)}, {Shown(1), Shown(0)}, 0, na},
        {"nation (D)", Units::Share, {Shown(1), Shown(5)}, {Shown(1), Withheld('1')}, 0, Withheld('1')},
        {"no nation", Units::Share, {Shown(1), Shown(5)}, {}, 0, na},
        {"base outside", Units::Index, {Shown(1), Shown(5)}, {}, 3, na},
        {"base (D)", Units::Index, {Withheld('1'), Shown(5)}, {}, 1, Withheld('1')},
        {"year before outside", Units::PercentChangeFromYearAgo, {Shown(1), Shown(5)}, {}, 0, na},
        {"confidential", Units::Change, {Secret(4), Shown(10)}, {}, 0, Secret(6)},
        {"confidential (N)", Units::PercentChange, {Shown(4), Secret(5, 'N')}, {}, 0, Secret(25, 'N')},
        {"confidential zero base", Units::PercentChange, {Secret(0), Shown(5)}, {}, 0, na},
        {"confidential share", Units::Share, {Shown(1), Shown(5)}, {Shown(1), Secret(20)}, 0, Secret(25)},
    };
    for (const Case &c : cases) {
        const int last = static_cast<int>(c.series.size());
        const UnitsResult result = ComputeUnits({c.unit, {last}, c.base, MidYear}, c.series, c.nation);
        ASSERT_EQ(result.Figures.size(), 1u) << c.what;
        const Figure &got = result.Figures[0];
        EXPECT_EQ(got, c.expected) << c.what << ": " << got.Value << " state " << static_cast<int>(got.State)
                                   << " flag " << got.Flag;
    }

    // An annual average follows the same rules over its four quarters.
    const std::vector<std::pair<std::vector<Figure>, std::string>> years{
        {{Shown(1), Withheld('N'), Withheld('1'), Shown(4)}, "(D)"},
        {{Shown(1), Blank, Shown(3), Shown(4)}, "(N)"},
        {{Shown(1), Secret(2), Shown(3), Shown(4)}, "3 *"},
    };
    for (const auto &[series, text] : years) {
        const UnitsResult result = ComputeUnits({Units::Annual, {1, 2, 3, 4}, 0, {2000, 1}}, series);
        EXPECT_EQ(Texts(Units::Annual, result.Figures), std::vector<std::string>{text});
    }
}

TEST(Units, FigureTextRoundsHalfAwayFromZeroOnce)
{
    struct Case {
        Units unit;
        Figure figure;
        const char *text;
    };
    const std::vector<Case> cases{
        {Units::PercentChange, Shown(0.25), "0.3"},
        {Units::PercentChange, Shown(-0.25), "-0.3"},
        {Units::PercentChange, Shown(-0.04), "0.0"},
        {Units::PercentChange, Shown(-0.0), "0.0"},
        {Units::PercentChange, Shown(-0.4), "-0.4"},
        {Units::PercentChange, Shown(12.34), "12.3"},
        {Units::Index, Shown(99.96), "100.0"},
        {Units::PercentChangeAnnualRate, Shown(1234567.89), "1,234,567.9"},
        {Units::PercentChange, Shown(-1e20), "-100,000,000,000,000,000,000.0"},
        {Units::Share, Shown(0.125), "0.13"},
        {Units::Share, Shown(-0.125), "-0.13"},
        {Units::Share, Shown(-0.004), "0.00"},
        {Units::Share, Shown(1.234), "1.23"},
        {Units::Share, Shown(1234.5678), "1,234.57"},
        {Units::Change, Shown(-2.5), "-3"},
        {Units::Change, Shown(-0.4), "0"},
        {Units::Annual, Shown(1234567.5), "1,234,568"},
        {Units::PercentChange, Withheld('1'), "(D)"},
        {Units::Share, Withheld('N'), "(N)"},
        {Units::PercentChange, Secret(1.25), "1.3 *"},
        {Units::Share, Secret(-0.001), "0.00 *"},
        {Units::Change, Secret(-1500), "-1,500 *"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FigureText(UnitsEntryOf(c.unit), c.figure), c.text) << c.figure.Value;
}

TEST(Units, LevelTextIsTheGridsText)
{
    for (const char *valueText : {"     1234567", "  -2500.5", "          ", "0.4", "-0.4", "-0.5", "1E3", "1234.49"}) {
        for (const char flag : {'0', '1', 'N'}) {
            for (const bool unsuppressed : {false, true}) {
                const std::optional<std::string> grid = DataCellText(valueText, flag, unsuppressed);
                ASSERT_TRUE(grid) << valueText;
                Figure figure{ReadLeadingNumber(valueText), FigureState::Published, flag};
                if (flag != '0')
                    figure.State = unsuppressed ? FigureState::Confidential : FigureState::Withheld;
                else if (std::string_view(valueText).find_first_not_of(' ') == std::string_view::npos)
                    figure.State = FigureState::Blank;
                EXPECT_EQ(FigureText(UnitsEntryOf(Units::Level), figure), *grid)
                    << "'" << valueText << "' flag " << flag << " unsuppressed " << unsuppressed;
            }
        }
    }
}

} // namespace
} // namespace tarvel

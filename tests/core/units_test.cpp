#include "core/views/units.h"

#include "core/catalog/value_text.h"
#include "core/views/table_view_builder.h"
#include "core/views/units_transform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvel {
namespace {

Figure P(double value)
{
    return {value, FigureState::Published, '0'};
}
Figure W(char flag)
{
    return {0.0, FigureState::Withheld, flag};
}
Figure C(double value, char flag = '1')
{
    return {value, FigureState::Confidential, flag};
}
const Figure Blank{0.0, FigureState::Blank, '0'};
const Figure NA = W('N');
const UnitsEntry &Level = UnitsEntryOf(Units::Level);

// Ten quarters from 2007 Q3 to 2009 Q4, and the nation's of the same line.
const std::vector<Figure> Area{P(200), P(210), P(199), P(220), P(250), P(240), P(260), P(300), P(290), P(310)};
const std::vector<Figure> Nation{P(1000), P(840),  P(1990), P(1100), P(800),
                                 P(960),  P(390), P(1200), P(1160), P(1240)};
const std::vector<int> All{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

std::vector<std::string> Texts(Units unit, const UnitsResult &result)
{
    std::vector<std::string> texts;
    for (const Figure &figure : result.Figures)
        texts.push_back(FigureText(UnitsEntryOf(unit), figure));
    return texts;
}

TEST(Units, EachShortNameFindsItsOwnEntry)
{
    std::string decimals;
    for (const UnitsEntry &entry : UnitsTable()) {
        EXPECT_EQ(UnitsFromShortName(entry.ShortName), entry.Unit) << entry.ShortName;
        EXPECT_EQ(UnitsEntryOf(entry.Unit).Name, entry.Name);
        decimals += static_cast<char>('0' + entry.Decimals);
    }
    EXPECT_EQ(decimals, "000111210");
    EXPECT_EQ(UnitsShortNames(), "level, chg, ch1, pch, pca, pc1, share, index, annual");
    for (const std::string_view unknown : {"", "LEVEL", "pch ", "p", "annual,"})
        EXPECT_EQ(UnitsFromShortName(unknown), std::nullopt) << unknown;
    EXPECT_TRUE(UnitsEntryOf(Units::Share).NeedsNation && UnitsEntryOf(Units::Index).NeedsBase);
    EXPECT_TRUE(UnitsEntryOf(Units::Annual).YearColumns && !UnitsEntryOf(Units::Level).YearColumns);
    EXPECT_TRUE(UnitsEntryOf(Units::PercentChange).CanBeNegative && !UnitsEntryOf(Units::Index).CanBeNegative);
}

// Worked by hand from Area; the previous quarter is the table's, whatever the
// window shows, and the index's own base is the oldest quarter shown.
TEST(Units, FiguresAreWorkedFromTheTablesQuarters)
{
    struct Case {
        Units unit;
        std::vector<int> shown;
        int base;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases{
        {Units::Level, {0, 1, 10, 11, -3}, 0, {"(N)", "200", "310", "(N)", "(N)"}},
        {Units::Change, All, 0, {"(N)", "10", "-11", "21", "30", "-10", "20", "40", "-10", "20"}},
        {Units::ChangeFromYearAgo, All, 0, {"(N)", "(N)", "(N)", "(N)", "50", "30", "61", "80", "40", "70"}},
        {Units::PercentChange, All, 0, {"(N)", "5.0", "-5.2", "10.6", "13.6", "-4.0", "8.3", "15.4", "-3.3", "6.9"}},
        {Units::PercentChangeAnnualRate, All, 0,
         {"(N)", "21.6", "-19.4", "49.4", "66.8", "-15.1", "37.7", "77.3", "-12.7", "30.6"}},
        {Units::PercentChangeFromYearAgo, All, 0,
         {"(N)", "(N)", "(N)", "(N)", "25.0", "14.3", "30.7", "36.4", "16.0", "29.2"}},
        {Units::Share, All, 0,
         {"20.00", "25.00", "10.00", "20.00", "31.25", "25.00", "66.67", "25.00", "25.00", "25.00"}},
        {Units::Index, All, 5, {"80.0", "84.0", "79.6", "88.0", "100.0", "96.0", "104.0", "120.0", "116.0", "124.0"}},
        {Units::PercentChange, {10, 9, 8, 7}, 0, {"6.9", "-3.3", "15.4", "8.3"}},
        {Units::ChangeFromYearAgo, {10, 5, 4, 11}, 0, {"70", "50", "(N)", "(N)"}},
        {Units::Index, {10, 9, 8}, 0, {"103.3", "96.7", "100.0"}},
    };
    for (const Case &c : cases) {
        const UnitsResult result = ComputeUnits({c.unit, c.shown, c.base, {2007, 3}}, Area, Nation);
        EXPECT_EQ(Texts(c.unit, result), c.texts) << UnitsEntryOf(c.unit).ShortName << " base " << c.base;
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
        {{2007, 3}, All, {2008, 2009}, {"227", "290"}}, // 2007 lacks its first half
        {{2007, 3}, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {2009, 2008}, {"290", "227"}},
        {{2007, 3}, {6, 7}, {2008, 2009}, {"227", "290"}},
        {{2007, 3}, {1, 2}, {}, {}},
        {{2008, 1}, All, {2008, 2009}, {"207", "263"}}, // 2010 lacks its second half
        {{2008, 4}, All, {2009, 2010}, {"220", "273"}},
    };
    for (const Case &c : cases) {
        const UnitsResult result = ComputeUnits({Units::Annual, c.shown, 0, c.start}, Area);
        EXPECT_EQ(result.Years, c.years) << c.start.Year << "." << c.start.Quarter;
        EXPECT_EQ(Texts(Units::Annual, result), c.texts) << c.start.Year << "." << c.start.Quarter;
    }
    const std::vector<std::pair<std::vector<Figure>, std::string>> years{
        {{P(1), W('N'), W('1'), P(4)}, "(D)"}, {{P(1), Blank, P(3), P(4)}, "(N)"}, {{P(1), C(2), P(3), P(4)}, "3 *"}};
    for (const auto &[series, text] : years)
        EXPECT_EQ(Texts(Units::Annual, ComputeUnits({Units::Annual, {1}, 0, {2000, 1}}, series))[0], text);
}

TEST(Units, WithheldBlankAndUnusableInputsDecideTheFigure)
{
    struct Case {
        const char *what;
        Units unit;
        std::vector<Figure> series, nation;
        int base;
        Figure expected; // of the last quarter; these values come out exact
    };
    const std::vector<Case> cases{
        {"(D) now", Units::Change, {P(5), W('1')}, {}, 0, W('1')},
        {"another flag gives (N)", Units::PercentChange, {W('L'), P(5)}, {}, 0, NA},
        {"(D) wins over (N)", Units::Change, {W('N'), W('1')}, {}, 0, W('1')},
        {"(D) over a blank", Units::Change, {Blank, W('1')}, {}, 0, W('1')},
        {"blank", Units::Change, {Blank, P(5)}, {}, 0, NA},
        {"zero base", Units::PercentChange, {P(0), P(5)}, {}, 0, NA},
        {"base of the other sign", Units::PercentChange, {P(-4), P(5)}, {}, 0, NA},
        {"annual rate, other sign", Units::PercentChangeAnnualRate, {P(4), P(-5)}, {}, 0, NA},
        {"both below zero", Units::PercentChange, {P(-4), P(-5)}, {}, 0, P(25)},
        {"down to zero", Units::PercentChange, {P(4), P(0)}, {}, 0, P(-100)},
        {"past any double", Units::PercentChangeAnnualRate, {P(1e-200), P(1e200)}, {}, 0, NA},
        {"nation zero", Units::Share, {P(1), P(5)}, {P(1), P(0)}, 0, NA},
        {"nation (D)", Units::Share, {P(1), P(5)}, {P(1), W('1')}, 0, W('1')},
        {"no nation", Units::Share, {P(1), P(5)}, {}, 0, NA},
        {"base outside", Units::Index, {P(1), P(5)}, {}, 3, NA},
        {"base (D)", Units::Index, {W('1'), P(5)}, {}, 1, W('1')},
        {"confidential", Units::Change, {C(4), P(10)}, {}, 0, C(6)},
        {"confidential (N)", Units::PercentChange, {P(4), C(5, 'N')}, {}, 0, C(25, 'N')},
        {"confidential zero base", Units::PercentChange, {C(0), P(5)}, {}, 0, NA},
        {"confidential share", Units::Share, {P(1), P(5)}, {P(1), C(20)}, 0, C(25)},
    };
    for (const Case &c : cases) {
        const UnitsResult result = ComputeUnits({c.unit, {2}, c.base, {2007, 3}}, c.series, c.nation);
        ASSERT_EQ(result.Figures.size(), 1u) << c.what;
        const Figure &got = result.Figures[0];
        EXPECT_EQ(got, c.expected) << c.what << ": " << got.Value << " state " << static_cast<int>(got.State)
                                   << " flag " << got.Flag;
    }
}

TEST(Units, FigureTextRoundsHalfAwayFromZeroOnce)
{
    const std::vector<std::pair<Units, std::vector<std::pair<Figure, std::string>>>> cases{
        {Units::PercentChange,
         {{P(0.25), "0.3"}, {P(-0.25), "-0.3"}, {P(-0.04), "0.0"}, {P(-0.0), "0.0"}, {P(-0.4), "-0.4"},
          {P(99.96), "100.0"}, {P(1234567.89), "1,234,567.9"}, {P(-1e20), "-100,000,000,000,000,000,000.0"},
          {W('1'), "(D)"}, {C(1.25), "1.3 *"}}},
        {Units::Share,
         {{P(0.125), "0.13"}, {P(-0.125), "-0.13"}, {P(-0.004), "0.00"}, {P(1234.5678), "1,234.57"},
          {W('N'), "(N)"}, {C(-0.001), "0.00 *"}}},
        {Units::Change, {{P(-2.5), "-3"}, {P(-0.4), "0"}, {P(1234567.5), "1,234,568"}, {C(-1500), "-1,500 *"}}},
    };
    for (const auto &[unit, figures] : cases) {
        for (const auto &[figure, text] : figures)
            EXPECT_EQ(FigureText(UnitsEntryOf(unit), figure), text) << figure.Value;
    }
}

TEST(Units, LevelTextIsTheGridsText)
{
    for (const char *valueText : {"     1234567", "  -2500.5", "          ", "0.4", "-0.4", "-0.5", "1E3", "1234.49"}) {
        for (const char flag : {'0', '1', 'N'}) {
            for (const bool unsuppressed : {false, true}) {
                Figure figure{ReadLeadingNumber(valueText), FigureState::Published, flag};
                if (flag != '0')
                    figure.State = unsuppressed ? FigureState::Confidential : FigureState::Withheld;
                else if (std::string_view(valueText).find_first_not_of(' ') == std::string_view::npos)
                    figure.State = FigureState::Blank;
                EXPECT_EQ(FigureText(Level, figure), DataCellText(valueText, flag, unsuppressed))
                    << "'" << valueText << "' flag " << flag << " unsuppressed " << unsuppressed;
            }
        }
    }
}

} // namespace
} // namespace tarvel

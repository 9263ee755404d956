// --units: every computed figure of show and show-line checked against one
// worked out here from the comma export of the same table.
#include "cli/batch_commands.h"

#include "core/catalog/table_catalog.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

test::BatchOutcome RunSample(std::vector<std::string> args)
{
    return test::RunBatch(test::WithData(std::move(args), test::SampleDataDir()));
}

// The fields of one CSV record: quotes removed, doubled quotes single.
std::vector<std::string> CsvFields(const std::string &line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"')
            fields.back() += line[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else if (c != '\r')
            fields.back() += c;
    }
    return fields;
}

// A value of the export: its number, or why there is none ('D', 'N').
struct Input {
    std::optional<double> value;
    char reason = 'N';
};

// What the export gives: the quarter labels, and each record's values by
// area code and line code.
struct Exported {
    std::vector<std::string> labels;
    std::map<std::pair<std::string, std::string>, std::vector<Input>> series;
    std::string lineCode; ///< the line code of the first record
};

Exported ReadExport(const std::string &text)
{
    Exported exported;
    std::size_t start = 0;
    for (bool header = true; start < text.size(); header = false) {
        const std::size_t end = text.find('\n', start);
        const std::vector<std::string> f = CsvFields(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
        // "State FIPS","Region Code","Table","Line Code","First Year.Quarter","Line Title", values..., "DISCL"
        if (header) {
            exported.labels.assign(f.begin() + 6, f.end() - 1);
            continue;
        }
        std::vector<Input> &values = exported.series[{f[0], f[3]}];
        if (exported.lineCode.empty())
            exported.lineCode = f[3];
        for (std::size_t i = 6; i + 1 < f.size(); ++i) {
            char *stop = nullptr;
            const double value = std::strtod(f[i].c_str(), &stop);
            if (f[i] == "(D)" || f[i] == "(N)")
                values.push_back({std::nullopt, f[i][1]});
            else if (f[i].empty() || *stop != '\0')
                values.push_back({}); // a blank field
            else
                values.push_back({value, '0'});
        }
    }
    return exported;
}

// The figure of unit from inputs by compute: none when an input is
// missing (outside the table), withheld ('D' when any is (D)) or blank, or
// when compute gives none.
template <typename Compute>
Input FromInputs(const std::vector<const Input *> &inputs, Compute compute)
{
    char reason = 0;
    for (const Input *input : inputs) {
        if (!input)
            return {};
        if (!input->value && input->reason == 'D')
            reason = 'D';
        else if (!input->value && reason == 0)
            reason = 'N';
    }
    if (reason != 0)
        return {std::nullopt, reason};
    return compute();
}

// a / b * times - minus, or none for b zero or of the other sign than a.
Input Ratio(double a, double b, double times, double minus)
{
    if (b == 0 || (a < 0 && b > 0) || (a > 0 && b < 0))
        return {};
    return {a / b * times - minus, '0'};
}

// The comma export of code's areas and lines, every quarter.
Exported ExportOf(const TempFolder &folder, const std::string &code, const std::string &areas,
                  const std::string &lines)
{
    const std::string file = folder.Path() + code + ".csv";
    const test::BatchOutcome r = RunSample({"export", "--table", code, "--areas", areas, "--lines", lines,
                                            "--quarters", "all", "--format", "comma", "--output", file});
    EXPECT_EQ(r.status, batch::ExitOk) << code << ": " << r.err;
    return ReadExport(test::FileBytes(file));
}

// The figure of unit for column label, worked out from the export's
// values x of the row (nation: the nation's of the same line), base the
// index's base quarter. nullopt for a column the window should not show.
std::optional<Input> ExpectedFigure(const std::string &unit, const std::vector<std::string> &labels,
                                    const std::string &label, const std::vector<Input> &x,
                                    const std::vector<Input> &nation, const std::string &base)
{
    const auto index = [&labels](const std::string &wanted) {
        return static_cast<long>(std::find(labels.begin(), labels.end(), wanted) - labels.begin());
    };
    const auto at = [&x](long i) -> const Input * {
        return i >= 0 && i < static_cast<long>(x.size()) ? &x[static_cast<std::size_t>(i)] : nullptr;
    };
    const long last4 = static_cast<long>(labels.size()) - 4;
    if (unit == "annual") {
        // A year of the last 4 quarters that the table holds whole.
        const long q = index(label + ".1");
        if (q + 3 >= static_cast<long>(labels.size()) || labels[static_cast<std::size_t>(q + 3)] != label + ".4"
            || q + 3 < last4)
            return std::nullopt;
        return FromInputs({at(q), at(q + 1), at(q + 2), at(q + 3)}, [&] {
            double sum = 0;
            for (long i = q; i < q + 4; ++i)
                sum += *at(i)->value;
            return Input{sum / 4, '0'};
        });
    }
    const long i = index(label);
    if (i < last4)
        return std::nullopt;
    const long lag = unit == "ch1" || unit == "pc1" ? 4 : 1;
    const Input *now = at(i);
    const Input *then = unit == "share" ? &nation[static_cast<std::size_t>(i)]
        : unit == "index"               ? at(index(base))
                                        : at(i - lag);
    return FromInputs({now, then}, [&]() -> Input {
        const double a = *now->value;
        const double b = *then->value;
        if (unit == "chg" || unit == "ch1")
            return {a - b, '0'};
        if (unit == "pca") {
            const Input ratio = Ratio(a, b, 1, 0);
            return ratio.value ? Input{(std::pow(*ratio.value, 4) - 1) * 100, '0'} : ratio;
        }
        return Ratio(a, b, 100, unit == "pch" || unit == "pc1" ? 100 : 0);
    });
}

// Every unit but the published values, on every table: show of one area
// (all areas for ZR1) and, where the lines are not the areas, show-line of
// one line, the last 4 quarters shown, against the figures of the export's
// values of all the table's quarters.
TEST(BatchUnits, EveryFigureIsTheArithmeticOfTheExportedValues)
{
    const std::vector<std::pair<std::string, int>> units{{"chg", 0}, {"ch1", 0},   {"pch", 1},   {"pca", 1},
                                                         {"pc1", 1}, {"share", 2}, {"index", 1}, {"annual", 0}};
    TempFolder folder;
    int checked = 0;
    int withheld = 0;
    for (std::size_t t = 0; t < TableCodes().size(); ++t) {
        const std::string code = TableCodes()[t];
        const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
        const std::string line = std::to_string(1 + static_cast<int>(t) % 6 * 2); // lines 1, 3, ... 11
        // The nation and area 2 with every line; every area with the one line.
        const Exported byLine = ExportOf(folder, code, areaRows ? "all" : "1,2", "all");
        const Exported byArea = ExportOf(folder, code, "all", line);
        const std::vector<std::string> &labels = byLine.labels;
        ASSERT_GE(labels.size(), 8u) << code;
        // An index's base the window does not show, or by default the oldest shown.
        const bool givenBase = t % 2 == 0;
        const std::string base = labels[labels.size() - (givenBase ? 7 : 4)];

        for (const bool showLine : {false, true}) {
            if (showLine && areaRows)
                continue;
            const Exported &exported = showLine ? byArea : byLine;
            for (const auto &[unit, decimals] : units) {
                std::vector<std::string> args{showLine ? "show-line" : "show", "--table", code, "--units", unit,
                                              "--format", "csv"};
                if (showLine)
                    args.insert(args.end(), {"--line", line});
                else if (!areaRows)
                    args.insert(args.end(), {"--area", "2"});
                if (unit == "index" && givenBase)
                    args.insert(args.end(), {"--base", base});
                const std::string what = code + " " + args[0] + " " + unit;
                const test::BatchOutcome r = RunSample(args);
                ASSERT_EQ(r.status, batch::ExitOk) << what << ": " << r.err;
                ASSERT_GE(r.lines.size(), 2u) << what;
                // code, title, the columns, flags, unit, units
                const std::vector<std::string> header = CsvFields(r.lines[0]);
                ASSERT_GE(header.size(), 6u) << what;
                ASSERT_EQ(header.back(), "units") << what;
                const std::size_t columns = header.size() - 5;
                // Annual: each year of the last 4 quarters that the table holds whole.
                std::set<std::string> years;
                for (std::size_t i = labels.size() - 4; i < labels.size(); ++i) {
                    const std::string year = labels[i].substr(0, 4);
                    const auto held = [&labels](const std::string &quarter) {
                        return std::find(labels.begin(), labels.end(), quarter) != labels.end();
                    };
                    if (held(year + ".1") && held(year + ".4"))
                        years.insert(year);
                }
                EXPECT_EQ(columns, unit == "annual" ? years.size() : 4u) << what;
                const std::regex number(decimals == 0 ? "-?[0-9]+"
                                                      : "-?[0-9]+\\.[0-9]{" + std::to_string(decimals) + "}");
                for (std::size_t row = 1; row < r.lines.size(); ++row) {
                    const std::vector<std::string> f = CsvFields(r.lines[row]);
                    ASSERT_EQ(f.size(), header.size()) << what << " row " << row;
                    // The row's series, and the nation's of the same line.
                    const std::string area = showLine || areaRows ? f[0] : "01";
                    const std::string lineCode = showLine ? exported.lineCode : areaRows ? "0010" : f[0];
                    const auto series = exported.series.find({area, lineCode});
                    const auto nation = exported.series.find({"00", lineCode});
                    ASSERT_NE(series, exported.series.end()) << what << " " << area << " " << lineCode;
                    ASSERT_NE(nation, exported.series.end()) << what;
                    if (unit == "index") {
                        EXPECT_EQ(f.back(), "Index, " + base + " = 100") << what;
                    }
                    for (std::size_t c = 0; c < columns; ++c) {
                        const std::string &label = header[2 + c];
                        const std::string where = what + " " + f[0] + " " + label + ": " + f[2 + c];
                        const std::optional<Input> expected
                            = ExpectedFigure(unit, labels, label, series->second, nation->second, base);
                        ASSERT_TRUE(expected) << where << " is a column of another quarter";
                        const char flag = f[2 + columns][c];
                        if (!expected->value) {
                            EXPECT_EQ(f[2 + c], "") << where;
                            EXPECT_EQ(flag, expected->reason) << where;
                            ++withheld;
                            continue;
                        }
                        // Rounded once to the unit's decimals, without group commas.
                        EXPECT_EQ(flag, '.') << where;
                        EXPECT_TRUE(std::regex_match(f[2 + c], number)) << where;
                        const double error = std::fabs(std::strtod(f[2 + c].c_str(), nullptr) - *expected->value);
                        EXPECT_LE(error, 0.5 * std::pow(10.0, -decimals) + 1e-9 * std::fabs(*expected->value))
                            << where << " for " << *expected->value;
                        ++checked;
                    }
                }
            }
        }
    }
    // Both kinds of figure were met, in numbers that prove the run covered the tables.
    EXPECT_GT(checked, 20000);
    EXPECT_GT(withheld, 200);
}

// Wrong units are usage errors naming what is allowed, and write nothing.
TEST(BatchUnits, WrongUnitsOrBaseAreUsageErrors)
{
    struct Wrong {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string names = "(level, chg, ch1, pch, pca, pc1, share, index, annual)";
    const std::vector<Wrong> cases{
        {{"show", "--table", "ZR7N", "--area", "2", "--units", "PC1"}, "\"PC1\" is not a unit of --units " + names},
        {{"show-line", "--table", "ZR7N", "--line", "5", "--units", ""}, "\"\" is not a unit of --units " + names},
        {{"print", "--table", "ZR1", "--quarters", "all", "--output", "-", "--units", "growth"}, "\"growth\" is not"},
        {{"show", "--table", "ZR7N", "--area", "2", "--base", "2005.1"}, "--base is the base quarter of --units index"},
        {{"show", "--table", "ZR7N", "--area", "2", "--units", "pc1", "--base", "2005.1"}, "--units index, and only"},
        {{"show", "--table", "ZR7N", "--area", "2", "--units", "index", "--base", "2000.4"},
         "--base needs a quarter of ZR7N (2001.1-2008.1), not \"2000.4\""},
        {{"show-line", "--table", "ZR5H", "--line", "1", "--units", "index", "--base", "1958.1"}, "(1948.1-1957.4)"},
        {{"print", "--table", "ZR5N", "--areas", "2", "--output", "-", "--units", "index", "--base", "2008"},
         "not \"2008\""},
        {{"show", "--table", "ZR1", "--units", "annual", "--sort", "2008.1"}, "--units annual shows years"},
    };
    for (const Wrong &wrong : cases) {
        const test::BatchOutcome r = RunSample(wrong.args);
        EXPECT_EQ(r.status, batch::ExitUsage) << wrong.message;
        EXPECT_NE(r.err.find(wrong.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << wrong.message;
    }
}

// --units level is the published view byte for byte; other units name
// themselves in the caption, the CSV and the JSON.
TEST(BatchUnits, LevelIsThePublishedViewAndOthersSayTheirUnits)
{
    TempFolder folder;
    const std::vector<std::vector<std::string>> views{
        {"show", "--table", "ZR7N", "--area", "2", "--quarters", "all"},
        {"show-line", "--table", "ZR7N", "--line", "5", "--reverse"},
        {"show", "--table", "ZR1", "--sort", "2008.1:asc"},
    };
    for (const auto &view : views) {
        for (const char *form : {"text", "csv", "json"}) {
            std::vector<std::string> args = view;
            args.insert(args.end(), {"--format", form});
            const test::BatchOutcome published = RunSample(args);
            args.insert(args.end(), {"--units", "level"});
            const test::BatchOutcome level = RunSample(args);
            ASSERT_EQ(published.status, batch::ExitOk) << published.err;
            EXPECT_EQ(level.out, published.out) << view[0] << " " << form;
        }
    }
    const std::string printed = folder.Path() + "published.txt";
    const std::string level = folder.Path() + "level.txt";
    ASSERT_EQ(RunSample({"print", "--table", "ZR6", "--areas", "1-3", "--output", printed}).status, batch::ExitOk);
    ASSERT_EQ(RunSample({"print", "--table", "ZR6", "--areas", "1-3", "--output", level, "--units", "level"}).status,
              batch::ExitOk);
    EXPECT_EQ(test::FileBytes(level), test::FileBytes(printed));

    const std::vector<std::string> index{"show", "--table", "ZR7N", "--area", "2", "--units", "index", "--base",
                                         "2007.4"};
    const std::string label = "Index, 2007.4 = 100";
    const test::BatchOutcome text = RunSample(index);
    ASSERT_EQ(text.status, batch::ExitOk) << text.err;
    EXPECT_EQ(text.lines[0],
              "ZR7N NAICS series 2001-2008 ~ Alabama [01] ~ " + label + ", computed from the published values");
    EXPECT_EQ(text.lines[1], "     Item\t2007.2\t2007.3\t2007.4\t2008.1");
    EXPECT_NE(text.out.find("\t100.0\t"), std::string::npos);
    std::vector<std::string> json = index;
    json.insert(json.end(), {"--format", "json"});
    const test::BatchOutcome object = RunSample(json);
    const std::string members
        = "\n  \"units\": {\"name\": \"index\", \"label\": \"" + label + "\"},\n  \"unit\": \"index\",\n";
    EXPECT_NE(object.out.find(members), std::string::npos) << object.out.substr(0, 400);
    EXPECT_NE(object.out.find("\"unit\": \"index\", \"values\": ["), std::string::npos);

    // A print in other units says them on every page: the unit line and the area line.
    const std::string pc1 = folder.Path() + "pc1.txt";
    ASSERT_EQ(RunSample({"print", "--table", "ZR6", "--areas", "2", "--output", pc1, "--units", "pc1"}).status,
              batch::ExitOk);
    const std::string pages = test::FileBytes(pc1);
    EXPECT_NE(pages.find("(percent)"), std::string::npos) << pages.substr(0, 600);
    EXPECT_NE(pages.find("Percent change from a year ago, computed from the published values"), std::string::npos);
    EXPECT_EQ(pages.find("(Millions of dollars"), std::string::npos);
}

} // namespace
} // namespace tarvel

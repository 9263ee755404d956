// --units: every computed figure of show and show-line checked against one
// worked out here from the comma export of the same table.
#include "cli/batch_commands.h"

#include "core/catalog/table_catalog.h"
#include "batch_run.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace tarvel {
namespace {

test::BatchOutcome RunSample(std::vector<std::string> args)
{
    return test::RunBatch(test::WithData(std::move(args), test::SampleDataDir()));
}

// The fields of one CSV record, unquoted.
std::vector<std::string> CsvFields(const std::string &line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ',' && !quoted)
            fields.emplace_back();
        else if (line[i] != '\r')
            fields.back() += line[i];
    }
    return fields;
}

// A value, or the reason there is none ('D', else 'N').
struct Input {
    std::optional<double> value;
    char reason = 'N';
};
using Series = std::vector<Input>;

// The comma export of code's areas and lines with every quarter: the
// quarter labels and each record's values by area code and line code.
using Records = std::map<std::pair<std::string, std::string>, Series>;
Records ExportOf(const std::string &code, const std::string &areas, const std::string &lines,
                 std::vector<std::string> &labels)
{
    const test::TempFolder folder;
    const std::string file = folder.Path() + "export.csv";
    EXPECT_EQ(RunSample({"export", "--table", code, "--areas", areas, "--lines", lines, "--quarters", "all",
                         "--format", "comma", "--output", file})
                  .status,
              batch::ExitOk);
    Records records;
    std::istringstream in(test::FileBytes(file));
    // "State FIPS","Region Code","Table","Line Code","First Year.Quarter","Line Title", values..., "DISCL"
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = CsvFields(line);
        if (labels.empty()) {
            labels.assign(f.begin() + 6, f.end() - 1);
            continue;
        }
        Series &values = records[{f[0], f[3]}];
        for (std::size_t i = 6; i + 1 < f.size(); ++i) {
            const bool withheld = f[i] == "(D)" || f[i] == "(N)";
            values.push_back(withheld ? Input{std::nullopt, f[i][1]} : Input{std::stod(f[i]), '0'});
        }
    }
    return records;
}

// The figure of unit in column label from the row's series x (nation: the
// nation's of the same line), base the index's base quarter: none, with
// the reason, when an input lies outside the table or is withheld ('D'
// when any is "(D)"), or when a ratio is to zero or to the other sign.
Input Expected(const std::string &unit, const std::vector<std::string> &labels, const std::string &label,
               const Series &x, const Series &nation, const std::string &base)
{
    const auto at = [&](const Series &s, const std::string &quarter, long offset) -> const Input * {
        const long i = std::find(labels.begin(), labels.end(), quarter) - labels.begin() + offset;
        return i >= 0 && i < static_cast<long>(s.size()) ? &s[static_cast<std::size_t>(i)] : nullptr;
    };
    std::vector<const Input *> in;
    if (unit == "annual")
        in = {at(x, label + ".1", 0), at(x, label + ".2", 0), at(x, label + ".3", 0), at(x, label + ".4", 0)};
    else
        in = {at(x, label, 0), unit == "share" ? at(nation, label, 0)
                  : unit == "index"           ? at(x, base, 0)
                                              : at(x, label, unit == "ch1" || unit == "pc1" ? -4 : -1)};
    char reason = 0;
    for (const Input *input : in) {
        if (!input)
            return {};
        if (!input->value)
            reason = reason == 'D' ? 'D' : input->reason;
    }
    if (reason)
        return {std::nullopt, reason};
    const double a = *in[0]->value;
    const double b = *in[1]->value;
    if (unit == "annual")
        return {(a + b + *in[2]->value + *in[3]->value) / 4};
    if (unit == "chg" || unit == "ch1")
        return {a - b};
    if (b == 0 || (a < 0 && b > 0) || (a > 0 && b < 0))
        return {};
    if (unit == "pca")
        return {(std::pow(a / b, 4) - 1) * 100};
    return {a / b * 100 - (unit == "pch" || unit == "pc1" ? 100 : 0)};
}

// Every unit but the published values on every table: show of area 2 (all
// areas for ZR1) and, where the lines are not the areas, show-line of one
// line, the last 4 quarters shown, so the quarters before them come from
// the table.
TEST(BatchUnits, EveryFigureIsTheArithmeticOfTheExportedValues)
{
    const std::map<std::string, int> decimals{{"chg", 0}, {"ch1", 0},   {"pch", 1},   {"pca", 1},
                                              {"pc1", 1}, {"share", 2}, {"index", 1}, {"annual", 0}};
    int checked = 0;
    int withheld = 0;
    for (std::size_t t = 0; t < TableCodes().size(); ++t) {
        const std::string code = TableCodes()[t];
        const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
        const std::string line = std::to_string(1 + static_cast<int>(t) % 6 * 2);
        std::vector<std::string> labels;
        const auto byLine = ExportOf(code, areaRows ? "all" : "1,2", "all", labels);
        std::vector<std::string> again;
        const auto byArea = ExportOf(code, "all", line, again);
        // An index's base the window does not show, or by default the oldest shown.
        const bool givenBase = t % 2 == 0;
        const std::string base = labels[labels.size() - (givenBase ? 7 : 4)];
        for (const bool showLine : {false, true}) {
            for (const auto &[unit, places] : decimals) {
                if (showLine && areaRows)
                    break;
                std::vector<std::string> args{showLine ? "show-line" : "show", "--table", code, "--units", unit,
                                              "--format", "csv", showLine ? "--line" : "--area", showLine ? line : "2"};
                if (areaRows)
                    args.resize(7);
                if (unit == "index" && givenBase)
                    args.insert(args.end(), {"--base", base});
                const std::string what = code + " " + args[0] + " " + unit;
                const test::BatchOutcome r = RunSample(args);
                ASSERT_EQ(r.status, batch::ExitOk) << what << ": " << r.err;
                // code, title, the columns, flags, unit, units
                const std::vector<std::string> header = CsvFields(r.lines.at(0));
                ASSERT_EQ(header.back(), "units") << what;
                const std::size_t columns = header.size() - 5;
                // The last 4 quarters; or the one year of them the table holds whole.
                const std::vector<std::string> last4(labels.end() - 4, labels.end());
                const std::string year = std::find_if(last4.begin(), last4.end(), [](const std::string &label) {
                                             return label.back() == '4';
                                         })->substr(0, 4);
                EXPECT_EQ(std::vector<std::string>(header.begin() + 2, header.end() - 3),
                          unit != "annual" ? last4 : std::vector<std::string>{year})
                    << what;
                const std::regex number(places == 0 ? "-?[0-9]+" : "-?[0-9]+\\.[0-9]{" + std::to_string(places) + "}");
                for (std::size_t row = 1; row < r.lines.size(); ++row) {
                    const std::vector<std::string> f = CsvFields(r.lines[row]);
                    ASSERT_EQ(f.size(), header.size()) << what;
                    const auto &records = showLine ? byArea : byLine;
                    const std::string lineCode = showLine ? records.begin()->first.second : areaRows ? "0010" : f[0];
                    const auto series = records.find({showLine || areaRows ? f[0] : "01", lineCode});
                    ASSERT_NE(series, records.end()) << what << " " << f[0];
                    EXPECT_TRUE(unit != "index" || f.back() == "Index, " + base + " = 100") << what;
                    for (std::size_t c = 0; c < columns; ++c) {
                        const std::string where = what + " " + f[0] + " " + header[2 + c] + ": " + f[2 + c];
                        const Input expected = Expected(unit, labels, header[2 + c], series->second,
                                                        records.at({"00", lineCode}), base);
                        const char flag = f[2 + columns][c];
                        if (!expected.value) {
                            EXPECT_TRUE(f[2 + c].empty() && flag == expected.reason) << where;
                            ++withheld;
                            continue;
                        }
                        // Rounded once to the unit's decimals, without group commas.
                        EXPECT_TRUE(flag == '.' && std::regex_match(f[2 + c], number)) << where;
                        EXPECT_NEAR(std::stod(f[2 + c]), *expected.value, 0.5 * std::pow(10.0, -places) + 1e-9)
                            << where;
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 20000);
    EXPECT_GT(withheld, 200);
}

// Wrong units are usage errors naming what is allowed; --units level is
// the published view byte for byte; other units name themselves.
TEST(BatchUnits, UsageErrorsLevelAndTheUnitsNamed)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong{
        {{"show", "--table", "ZR7N", "--area", "2", "--units", "PC1"},
         "\"PC1\" is not a unit of --units (level, chg, ch1, pch, pca, pc1, share, index, annual)"},
        {{"print", "--table", "ZR1", "--output", "-", "--units", ""}, "\"\" is not a unit of --units (level, "},
        {{"show-line", "--table", "ZR7N", "--line", "5", "--units", "pc1", "--base", "2005.1"},
         "--base is the base quarter of --units index, and only of it"},
        {{"show", "--table", "ZR7N", "--area", "2", "--units", "index", "--base", "2000.4"},
         "--base needs a quarter of ZR7N (2001.1-2008.1), not \"2000.4\""},
        {{"print", "--table", "ZR5H", "--areas", "2", "--output", "-", "--units", "index", "--base", "1958"},
         "(1948.1-1957.4), not \"1958\""},
        {{"show", "--table", "ZR1", "--units", "annual", "--sort", "2008.1"}, "--units annual shows years"},
    };
    for (const auto &[args, message] : wrong) {
        const test::BatchOutcome r = RunSample(args);
        EXPECT_TRUE(r.status == batch::ExitUsage && r.out.empty()) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    for (std::vector<std::string> args : {std::vector<std::string>{"show", "--table", "ZR7N", "--area", "2"},
                                          {"show-line", "--table", "ZR7N", "--line", "5", "--reverse"},
                                          {"show", "--table", "ZR1", "--sort", "2008.1:asc", "--format", "csv"},
                                          {"show", "--table", "ZR1", "--format", "json"}}) {
        const std::string published = RunSample(args).out;
        args.insert(args.end(), {"--units", "level"});
        EXPECT_EQ(RunSample(args).out, published) << args[0];
    }
    std::vector<std::string> index{"show", "--table", "ZR7N", "--area", "2", "--units", "index", "--base", "2007.4"};
    const test::BatchOutcome text = RunSample(index);
    EXPECT_EQ(text.lines.at(0), "ZR7N NAICS series 2001-2008 ~ Alabama [01] ~ Index, 2007.4 = 100, computed from the "
                                "published values");
    EXPECT_NE(text.out.find("\t100.0\t"), std::string::npos);
    index.insert(index.end(), {"--format", "json"});
    EXPECT_NE(RunSample(index).out.find("\n  \"units\": {\"name\": \"index\", \"label\": \"Index, 2007.4 = 100\"},\n"
                                       "  \"unit\": \"index\",\n"),
              std::string::npos);
    // A printed page names the figures' unit, and the units beside the area.
    const test::TempFolder folder;
    ASSERT_EQ(RunSample({"print", "--table", "ZR6", "--areas", "2", "--output", folder.Path() + "p", "--units", "pc1"})
                  .status,
              batch::ExitOk);
    const std::string pages = test::FileBytes(folder.Path() + "p");
    EXPECT_NE(pages.find("(Percent)"), std::string::npos) << pages.substr(0, 600);
    EXPECT_NE(pages.find("Percent change from a year ago, computed from the published values"), std::string::npos);
}

// A window of every quarter (whose own figures are the whole series) shows
// the same figures as a shorter window, whose series is read again; in
// either column order.
TEST(BatchUnits, EveryQuarterShownGivesTheFiguresOfFewerShown)
{
    const std::vector<std::vector<std::string>> views{{"show", "--table", "ZR7N", "--area", "3"},
                                                      {"show", "--table", "ZR1"},
                                                      {"show-line", "--table", "ZR5N", "--line", "2"}};
    const auto cells = [](const std::string &line) {
        std::vector<std::string> row(1);
        for (const char c : line) {
            if (c == '\t')
                row.emplace_back();
            else
                row.back() += c;
        }
        return row;
    };
    for (std::size_t v = 0; v < views.size(); ++v) {
        for (const char *unit : {"chg", "pca", "pc1", "share", "index", "annual"}) {
            std::vector<std::string> args = views[v];
            args.insert(args.end(), {"--units", unit, "--base", "2006.3"});
            if (std::string(unit) != "index")
                args.resize(args.size() - 2);
            std::vector<std::string> every = args;
            every.insert(every.end(), {"--quarters", "all"});
            if (v % 2 == 1)
                every.push_back("--reverse");
            args.insert(args.end(), {"--quarters", "last9"});
            const test::BatchOutcome all = RunSample(every);
            const test::BatchOutcome part = RunSample(args);
            ASSERT_TRUE(all.status == 0 && part.status == 0 && all.lines.size() == part.lines.size()) << unit;
            const std::vector<std::string> labels = cells(all.lines[1]);
            for (std::size_t r = 1; r < part.lines.size(); ++r) {
                const std::vector<std::string> shown = cells(part.lines[r]);
                const std::vector<std::string> whole = cells(all.lines[r]);
                for (std::size_t c = 1; c < shown.size(); ++c) {
                    const std::string label = cells(part.lines[1])[c];
                    const auto at = std::find(labels.begin(), labels.end(), label) - labels.begin();
                    ASSERT_LT(static_cast<std::size_t>(at), whole.size()) << unit << " " << label;
                    EXPECT_EQ(shown[c], whole[static_cast<std::size_t>(at)]) << views[v][2] << " " << unit << " " << r;
                }
            }
        }
    }
}

} // namespace
} // namespace tarvel

#include "core/views/chart_series.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <utility>

namespace tarvel {

namespace {

constexpr const char *ChartTitle = "Chart";

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

// Legend texts as short as the title allows: the source caption names the
// area of a table window and the line of a one-line window, so lines of one
// area go by their titles and areas of one line by their names.
void NameSeries(std::vector<ChartSeries> &series, bool areaRows)
{
    bool oneArea = true;
    bool oneLine = true;
    for (const ChartSeries &s : series) {
        oneArea = oneArea && s.Area == series.front().Area;
        oneLine = oneLine && s.Line == series.front().Line;
    }
    for (ChartSeries &s : series) {
        if (areaRows || (oneArea && series.size() > 1))
            s.Name = s.LineTitle;
        else if (oneLine && series.size() > 1)
            s.Name = s.AreaName;
        else
            s.Name = s.LineTitle + " - " + s.AreaName;
    }
}

void AppendQuoted(std::string &out, const std::string &text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// The shortest digits that read back as the same number, never with an
// exponent (a spreadsheet would read "1e+06" as text in some locales).
void AppendNumber(std::string &out, double value)
{
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error == std::errc())
        out.append(buffer, end);
}

} // namespace

bool ChartData::HasWithheldPoints() const
{
    for (const ChartSeries &series : Series) {
        for (const ChartPoint &point : series.Points) {
            if (point.Withheld && point.Value)
                return true;
        }
    }
    return false;
}

std::string ChartCaption(const std::string &sourceCaption, bool unsuppressed)
{
    return sourceCaption + " - chart" + (unsuppressed ? " UNSUPPRESSED" : "");
}

bool HoldsNumber(std::string_view valueText)
{
    std::size_t i = valueText.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return false;
    if (valueText[i] == '+' || valueText[i] == '-')
        ++i;
    if (i < valueText.size() && IsDigit(valueText[i]))
        return true;
    return i + 1 < valueText.size() && valueText[i] == '.' && IsDigit(valueText[i + 1]);
}

Result<ChartData> BuildChart(const ChartRequest &request)
{
    const std::string &code = request.Code;
    const int lineCount = LineCount(code);
    if (lineCount == 0)
        return UsageFailure("the table " + code + " is not in the catalog");
    if (request.Lines.empty())
        return UsageFailure("no line to chart");
    // A table whose lines are the areas: its line n is area n's record.
    const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
    for (const ChartLineRef &ref : request.Lines) {
        if (ref.Area < 1 || ref.Area > AreaCount || ref.Line < 1 || ref.Line > lineCount)
            return UsageFailure("area " + std::to_string(ref.Area) + ", line " + std::to_string(ref.Line)
                                + " is not in table " + code);
    }
    // Always oldest to newest, whatever the order of the source's columns.
    const std::vector<int> quarters = QuarterColumnOrder(request.QuarterShown, QuarterCount(code), false);
    if (quarters.empty())
        return UsageFailure("no quarter to chart");

    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(request.Paths, code), code);
    if (!data)
        return data.Error();
    Result<std::vector<std::string>> titles = ReadLineTitles(LineTitleFileName(request.Paths, code), code);
    if (!titles)
        return titles.Error();
    std::vector<AreaRecord> areas;
    if (!areaRows) {
        Result<std::vector<AreaRecord>> list = ReadAreaList(AreaListFileName(request.Paths));
        if (!list)
            return list.Error();
        areas = std::move(*list);
    }

    ChartData chart;
    chart.Code = code;
    chart.Title = request.SourceCaption;
    chart.Unsuppressed = request.Paths.Unsuppressed;
    chart.Caption = ChartCaption(request.SourceCaption, chart.Unsuppressed);
    for (const int k : quarters)
        chart.Labels.push_back(QuarterLabel(k, code));

    for (const ChartLineRef &ref : request.Lines) {
        ChartSeries series;
        series.Area = ref.Area;
        series.Line = ref.Line;
        if (static_cast<std::size_t>(ref.Line) > titles->size())
            return Failure::Damaged(LineTitleFileName(request.Paths, code), "it holds too few line titles");
        series.LineTitle = Trim((*titles)[static_cast<std::size_t>(ref.Line - 1)]);
        const std::string unit(LineUnit(code, series.LineTitle));
        if (chart.Series.empty())
            chart.Unit = unit;
        else if (unit != chart.Unit)
            return UsageFailure("the lines charted are of different units: " + chart.Unit + ", " + unit);
        if (areaRows) {
            series.AreaName = WholeTableCaption(code);
        } else {
            if (static_cast<std::size_t>(ref.Area) > areas.size())
                return Failure::Damaged(AreaListFileName(request.Paths), "it holds too few areas");
            series.AreaName = Trim(areas[static_cast<std::size_t>(ref.Area - 1)].name);
        }

        const std::int64_t position = areaRows ? data->Position(1, ref.Area) : data->Position(ref.Area, ref.Line);
        Result<DataRecord> record = data->ReadRecordAt(position);
        if (!record)
            return record.Error();
        const int valueFields = static_cast<int>(record->fields.size()) - 6;
        for (const int k : quarters) {
            if (k > valueFields) {
                return Failure::Damaged(data->Path(), "the record at byte " + std::to_string(position) + " holds "
                                                          + std::to_string(std::max(valueFields, 0))
                                                          + " quarter values, quarter " + std::to_string(k)
                                                          + " is asked");
            }
            ChartPoint point;
            point.Quarter = k;
            point.Label = QuarterLabel(k, code);
            const std::string text = record->ValueText(k);
            const char flag = record->Flag(k);
            point.Withheld = flag != '0';
            std::optional<std::string> cellText = DataCellText(text, flag, chart.Unsuppressed);
            if (!cellText)
                return data->ValueNotANumber(position, k);
            point.CellText = std::move(*cellText);
            // A withheld value is published as 0: it must never be drawn as one.
            if ((!point.Withheld || chart.Unsuppressed) && HoldsNumber(text))
                point.Value = ReadLeadingNumber(text);
            series.Points.push_back(std::move(point));
        }
        chart.Series.push_back(std::move(series));
    }
    NameSeries(chart.Series, areaRows);
    return chart;
}

ChartSelection ChartFromGrid(const Grid &grid, const std::vector<int> &rows, const DataPaths &paths, SeriesOrder order)
{
    ChartSelection selection;
    const std::string &code = grid.Code;
    const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
    selection.OneLine = grid.Tag == ChildKind::SOL;
    selection.Areas = selection.OneLine || areaRows;
    const bool tableView = grid.Tag == ChildKind::TableView || grid.Tag == ChildKind::PrintAll;
    const bool known = LineCount(code) > 0 && grid.Rows() > 1;
    if (!known || (!selection.OneLine && !tableView) || (selection.OneLine && (areaRows || grid.Line < 1))
        || (tableView && !areaRows && (grid.Area < 1 || grid.Area > AreaCount))) {
        selection.Problem = ChartProblem::NotChartable;
        return selection;
    }

    // A table view's rows are its lines (for ZR1 the areas); a one-line
    // view's rows are the areas.
    const RowLayout layout = selection.OneLine ? AreaRowLayout() : TableRowLayout(code);
    std::set<int> chosen;
    std::vector<ChartLineRef> lines;
    for (const int row : rows) {
        if (row < 1 || row >= grid.Rows() || !chosen.insert(row).second)
            continue;
        const int n = layout.DataLine(row);
        if (n == 0)
            continue;
        if (selection.OneLine)
            lines.push_back({n, grid.Line});
        else if (areaRows)
            lines.push_back({n, n});
        else
            lines.push_back({grid.Area, n});
    }
    if (order == SeriesOrder::TableOrder) {
        std::sort(lines.begin(), lines.end(), [&selection](const ChartLineRef &a, const ChartLineRef &b) {
            return selection.Areas ? a.Area < b.Area : a.Line < b.Line;
        });
    }
    selection.Count = static_cast<int>(lines.size());
    // One value axis measures one unit; a table's lines may differ (ZR4's
    // population in persons beside income in millions of dollars).
    if (!selection.Areas) {
        for (const int row : chosen) {
            if (layout.DataLine(row) == 0)
                continue;
            const std::string unit(LineUnit(code, Trim(grid.Cell(row, 0))));
            if (std::find(selection.Units.begin(), selection.Units.end(), unit) == selection.Units.end())
                selection.Units.push_back(unit);
        }
    }
    if (lines.empty()) {
        selection.Problem = ChartProblem::HeadingRow;
        return selection;
    }
    if (selection.Count > MaxChartSeries) {
        selection.Problem = ChartProblem::TooMany;
        return selection;
    }
    if (selection.Units.size() > 1) {
        selection.Problem = ChartProblem::MixedUnits;
        return selection;
    }
    selection.Units.clear();

    const int quarterCount = QuarterCount(code);
    std::vector<std::uint8_t> shown(static_cast<std::size_t>(quarterCount) + 1, 0);
    bool any = false;
    for (int c = 1; c < grid.Columns(); ++c) {
        const int k = QuarterIndex(Trim(grid.Cell(0, c)), code);
        if (k >= 1 && k <= quarterCount) {
            shown[static_cast<std::size_t>(k)] = 255;
            any = true;
        }
    }
    if (!any) {
        selection.Problem = ChartProblem::NoQuarters;
        return selection;
    }
    selection.Request.Paths = paths;
    selection.Request.Code = code;
    selection.Request.Lines = std::move(lines);
    selection.Request.QuarterShown = std::move(shown);
    selection.Request.SourceCaption = grid.Caption;
    return selection;
}

std::optional<ChartMessage> ChartProblemMessage(const ChartSelection &selection)
{
    const bool areas = selection.Areas;
    switch (selection.Problem) {
    case ChartProblem::None:
        return std::nullopt;
    case ChartProblem::NotChartable:
        return ChartMessage{ChartTitle, "Charts are made from a table window or a one-line window. "
                                        "Display a table, then choose Chart again."};
    case ChartProblem::HeadingRow:
        return ChartMessage{ChartTitle, areas
                                ? "A heading row has no numbers to chart. Select one or more areas."
                                : "A heading row has no numbers to chart. Select one or more lines."};
    case ChartProblem::TooMany: {
        const std::string what = areas ? "areas" : "lines";
        return ChartMessage{ChartTitle, "A chart compares up to " + std::to_string(MaxChartSeries) + " " + what
                                            + " at once; " + std::to_string(selection.Count) + " are selected. "
                                            + "Select fewer " + what + "."};
    }
    case ChartProblem::NoQuarters:
        return ChartMessage{ChartTitle, "The window shows no quarters to chart."};
    case ChartProblem::MixedUnits: {
        std::string units;
        for (std::size_t i = 0; i < selection.Units.size(); ++i) {
            units += i == 0 ? "" : i + 1 == selection.Units.size() ? " and " : ", ";
            units += "\"" + (selection.Units[i].empty() ? std::string("no unit stated") : selection.Units[i]) + "\"";
        }
        return ChartMessage{ChartTitle, "A chart measures its lines on one value axis, in one unit; the lines "
                                        "selected are in " + units + ". Select lines of one unit."};
    }
    }
    return std::nullopt;
}

std::string ChartCsvText(const ChartData &chart, const std::vector<bool> &shown)
{
    std::vector<const ChartSeries *> columns;
    for (std::size_t i = 0; i < chart.Series.size(); ++i) {
        if (i >= shown.size() || shown[i])
            columns.push_back(&chart.Series[i]);
    }
    std::string out;
    AppendQuoted(out, "Quarter");
    for (const ChartSeries *series : columns) {
        out += ',';
        AppendQuoted(out, series->Name);
    }
    out += "\r\n";
    for (std::size_t k = 0; k < chart.Labels.size(); ++k) {
        AppendQuoted(out, chart.Labels[k]);
        for (const ChartSeries *series : columns) {
            out += ',';
            if (k < series->Points.size() && series->Points[k].Value)
                AppendNumber(out, *series->Points[k].Value);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace tarvel

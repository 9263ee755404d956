#include "core/views/one_line_view.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"

#include <memory>
#include <utility>

namespace tarvel {

namespace {

const std::string StateCaption = "    State";

bool IsBlank(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string DropThrough(std::string text, std::string_view word)
{
    const std::size_t at = text.find(word);
    if (at == std::string::npos)
        return text;
    text.erase(0, at + word.size());
    const std::size_t first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
    return text;
}

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

} // namespace

std::string ShortenLineTitle(std::string_view title)
{
    std::string text(title);
    text = DropThrough(std::move(text), "less:");
    text = DropThrough(std::move(text), "plus:");
    return DropThrough(std::move(text), "equals:");
}

std::string OneLineCaption(const std::string &code, std::string_view title)
{
    return code + " " + SeriesCaption(code) + " - " + ShortenLineTitle(title);
}

int OneLineNumber(const Grid &source, int row)
{
    int line = row;
    for (int r = 1; r <= row; ++r) {
        if (IsBlank(source.Cell(r, 1)))
            --line;
    }
    return line;
}

std::optional<OneLineSource> ReadOneLineSource(const Grid &source, int currentRow)
{
    // A one-line view is never a source: its rows are areas, not lines.
    if (source.Tag == ChildKind::SOL)
        return std::nullopt;
    OneLineSource result;
    result.Title = Trim(source.Cell(currentRow, 0));
    if (result.Title.empty() || IsBlank(source.Cell(currentRow, 1)))
        return std::nullopt;
    result.Code = source.Code;
    // A table whose lines are the areas has no line to show across them.
    if (ShapeOf(result.Code) == TableShape::AreaRows || LineCount(result.Code) == 0 || source.Columns() < 2)
        return std::nullopt;
    result.Line = OneLineNumber(source, currentRow);
    if (result.Line < 1 || result.Line > LineCount(result.Code))
        return std::nullopt;

    const int quarterCount = QuarterCount(result.Code);
    result.QuarterShown.assign(static_cast<std::size_t>(quarterCount) + 1, 0);
    for (int c = 1; c < source.Columns(); ++c) {
        const int k = QuarterIndex(Trim(source.Cell(0, c)), result.Code);
        if (k >= 1 && k <= quarterCount)
            result.QuarterShown[static_cast<std::size_t>(k)] = 255;
    }
    return result;
}

Result<Grid> BuildOneLineView(const DataPaths &paths, const OneLineSource &source, bool reverse)
{
    const std::string &code = source.Code;
    if (LineCount(code) == 0)
        return UsageFailure("the table " + code + " is not in the catalog");
    if (ShapeOf(code) == TableShape::AreaRows)
        return UsageFailure("the one-line view does not apply to " + code + ", whose lines are the areas");
    if (source.Line < 1 || source.Line > LineCount(code)) {
        return UsageFailure("line " + std::to_string(source.Line) + " is not a line of " + code + " (1-"
                            + std::to_string(LineCount(code)) + ")");
    }

    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(paths, code), code);
    if (!data)
        return data.Error();
    Result<std::vector<AreaRecord>> areas = ReadAreaList(AreaListFileName(paths));
    if (!areas)
        return areas.Error();

    const std::vector<int> quarters = QuarterColumnOrder(source.QuarterShown, QuarterCount(code), reverse);
    const int columns = 1 + static_cast<int>(quarters.size());
    // One row per area, grouped as the area list groups them, below the
    // quarter labels.
    const RowLayout layout = AreaRowLayout();
    const int rows = 1 + AreaCount + layout.HeadingCount();
    Grid grid(rows, columns);
    grid.Code = code;
    grid.Caption = OneLineCaption(code, source.Title);
    grid.Tag = ChildKind::SOL;
    grid.Line = source.Line;
    auto model = std::make_shared<TableModel>();
    model->Code = code;
    model->Line = source.Line;
    model->Quarters = quarters;
    model->Unsuppressed = paths.Unsuppressed;
    model->Rows.resize(static_cast<std::size_t>(rows - 1));
    // Every row holds the same line, in the line's unit.
    const std::string unit(LineUnit(code, source.Title));
    grid.SetCell(0, 0, StateCaption);
    for (int c = 0; c < columns; ++c)
        grid.SetColumnAlignment(c, CellAlignment::RightCenter);
    for (int c = 1; c < columns; ++c)
        grid.SetCell(0, c, QuarterLabel(quarters[static_cast<std::size_t>(c - 1)], code));

    int area = 0;
    for (int r = 1; r < rows; ++r) {
        std::string title = layout.Caption(r);
        ModelRow &modelRow = model->Rows[static_cast<std::size_t>(r - 1)];
        modelRow.Kind = title.empty() ? RowKind::Spacer : RowKind::Heading;
        if (title == "X") {
            ++area;
            if (area > static_cast<int>(areas->size())) {
                return Failure::Damaged(AreaListFileName(paths), "it holds " + std::to_string(areas->size())
                                                                     + " areas, not " + std::to_string(AreaCount));
            }
            title = TrimRight((*areas)[static_cast<std::size_t>(area - 1)].name);
            // Line L of each area's block: a stride of LineCount records.
            const std::int64_t position = data->Position(area, source.Line);
            Result<DataRecord> record = data->ReadRecordAt(position);
            if (!record)
                return record.Error();
            modelRow.Kind = RowKind::Data;
            modelRow.Code = area;
            modelRow.Unit = unit;
            modelRow.Figures.resize(quarters.size());
            for (std::size_t f = 0; f < record->fields.size(); ++f) {
                if (f != 0)
                    modelRow.Record += ',';
                modelRow.Record += record->fields[f];
            }
            if (std::optional<Failure> damaged = FillDataRow(grid, r, *record, quarters, paths.Unsuppressed, *data,
                                                             position, modelRow.Figures.data()))
                return *damaged;
        }
        grid.SetHalfHeight(r, title.empty());
        grid.SetCell(r, 0, title);
        modelRow.Title = std::move(title);
    }
    grid.Model = std::move(model);
    return grid;
}

} // namespace tarvel

#include "core/print/print_engine.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/print/block_rows_fast.h"
#include "core/print/text_target.h"
#include "core/views/computed_view.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <set>
#include <system_error>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

int Length(std::string_view text)
{
    return static_cast<int>(std::min<std::size_t>(text.size(), 0x7fffffff));
}

// Ends the output and reports a write that did not reach the file.
bool EndAndCheck(PrintTarget &target, MessageSink &sink)
{
    const std::string name = target.FileName();
    if (target.EndOutput())
        return true;
    if (!name.empty())
        ReportFileNotAccessible(sink, name, target.Error());
    return false;
}

bool OpenOutput(PrintTarget &target, const DataPaths &paths, MessageSink &sink,
                const std::vector<std::string> &otherInputs)
{
    const std::string name = target.FileName();
    // A print job never writes into the files it reads.
    if (!name.empty() && IsProgramInputFile(paths, name, otherInputs)) {
        sink.ShowMessage(MessageIcon::Critical, RefusedOutputTitle, RefusedOutputText(name));
        return false;
    }
    const OpenResult opened = target.Open();
    if (opened == OpenResult::Failed) {
        if (name.empty())
            sink.ShowMessage(MessageIcon::Warning, "Printer not available", "The printer could not be started.");
        else
            ReportFileNotAccessible(sink, name, target.Error());
        return false;
    }
    target.BeginFileOutput(opened == OpenResult::Appending);
    return true;
}

PrintStatus PrintDocument(const PrintSnapshot &snapshot, PrintTarget &target, const PrintOptions &options,
                          MessageSink &sink)
{
    const bool documentTag = snapshot.Tag == ChildKind::Document;
    target.DocumentHeading(snapshot.Caption, documentTag);
    target.DocumentBody(snapshot.Text);
    if (!options.PrintAllMode || options.PrintAllLast) {
        target.DocumentEnd(documentTag);
        return EndAndCheck(target, sink) ? PrintStatus::Printed : PrintStatus::Failed;
    }
    target.PageBreak();
    target.PageTop();
    return PrintStatus::Printed;
}

PrintStatus PrintTable(const PrintSnapshot &snapshot, PrintTarget &target, const PrintOptions &options,
                       const DataPaths &paths, MessageSink &sink)
{
    const Grid &grid = snapshot.Table;
    TableLayout layout;
    MeasureGrid(grid, layout.TitleWidth, layout.CellWidth);
    const std::optional<PageGeometry> geometry = target.Geometry(layout.TitleWidth, layout.CellWidth);
    if (!geometry) {
        sink.ShowMessage(MessageIcon::Warning, FontTooLargeTitle, FontTooLargeText());
        return PrintStatus::Failed;
    }
    // A page holds at least one column and one row, so the page loop always
    // moves on.
    layout.ColumnsPerPage = std::max(1, geometry->ColumnsPerPage);
    layout.RowsPerPage = std::max(1, geometry->RowsPerPage);
    layout.LineWidth = layout.ColumnsPerPage * layout.CellWidth + layout.TitleWidth;
    layout.TableCode = grid.Code;
    target.SetLayout(layout);

    // The title lines: the table's title, then the unit of its values
    // (percent or an index for figures computed so; the area line names
    // the units of computed figures in full).
    const std::string_view title = PrintTitle(layout.TableCode);
    std::string unit(ValueUnit(layout.TableCode));
    if (grid.Model && grid.Model->Unit != Units::Level) {
        if (std::string computed = ComputedRowUnit(grid.Model->Unit, unit); computed != unit && !computed.empty()) {
            if (computed[0] >= 'a' && computed[0] <= 'z')
                computed[0] = static_cast<char>(computed[0] - 'a' + 'A');
            unit = std::move(computed);
        }
    }
    const std::string unitLine = "(" + unit + ")";
    const std::string areaText = PrintAreaText(snapshot.Caption, snapshot.Tag);
    const std::vector<PageBand> pages = PagePlan(grid.Rows() - 1, grid.Columns() - 1,
                                                 {layout.ColumnsPerPage, layout.RowsPerPage});
    std::vector<std::string_view> cells;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const PageBand &band = pages[p];
        if (p > 0)
            target.PageBreak();
        target.PageTop();
        if (!title.empty()) {
            target.TitleLine(1, std::string(title));
            target.TitleLine(2, unitLine);
        }
        target.AreaLine(areaText);
        target.HeaderRow(GridRowCells(grid, 0, band.FirstColumn, band.LastColumn, cells));
        target.DataRows(grid, band.FirstRow, band.LastRow, band.FirstColumn, band.LastColumn);
        target.PageFoot(layout.TableCode);
    }

    const bool ends = !options.PrintAllMode || options.PrintAllLast;
    if (options.IncludeFootnotes && ends) {
        target.PageBreak();
        target.PageTop();
        const std::string path = ResolveTableFile(paths, layout.TableCode + "fn.txt");
        const Result<std::string> text = ReadTextFile(path);
        if (!text) {
            ReportFailure(sink, text.Error());
            // The pages stay; the output is closed now, not left open. A
            // whole-or-nothing output is dropped instead.
            if (target.WholeOrNothing())
                target.AbandonOutput();
            else
                target.EndOutput();
            return PrintStatus::Failed;
        }
        // Only trailing blanks go: the file's last line end stays.
        target.FootnoteText(TrimRight(*text));
    }
    target.PageBreak();
    if (ends && !EndAndCheck(target, sink))
        return PrintStatus::Failed;
    return PrintStatus::Printed;
}

PrintAllSummary PrintAllRun(const std::vector<int> &areas, const AreaGridBuilder &build, PrintTarget &target,
                            PrintOptions options, const DataPaths &paths, MessageSink &sink,
                            const std::vector<std::string> &otherInputs, const PrintAllProgress &progress)
{
    PrintAllSummary summary;
    const int count = static_cast<int>(areas.size());
    // Refused once for the run, not once per area.
    const std::string name = target.FileName();
    if (!target.IsOpen() && !name.empty() && IsProgramInputFile(paths, name, otherInputs)) {
        sink.ShowMessage(MessageIcon::Critical, RefusedOutputTitle, RefusedOutputText(name));
        summary.Failed = count;
        return summary;
    }

    // Each grid is built one area ahead, so the area printed last (with the
    // footnotes and the end of the output) is the last one that could be
    // built; an area that cannot be built is reported and skipped.
    std::size_t next = 0;
    auto buildNext = [&]() -> std::optional<Grid> {
        while (next < areas.size()) {
            const int area = areas[next++];
            Result<Grid> grid = build ? build(area) : Result<Grid>(Failure{FailureKind::Usage, {}, "no builder"});
            if (grid)
                return std::move(*grid);
            ReportFailure(sink, grid.Error());
            ++summary.Failed;
            summary.FailedAreas.push_back(area);
        }
        return std::nullopt;
    };

    const bool whole = target.WholeOrNothing();
    options.PrintAllMode = true;
    options.PrintAllFirst = true;
    options.PrintAllLast = false;
    std::optional<Grid> current = buildNext();
    while (current) {
        std::optional<Grid> following = buildNext();
        options.PrintAllLast = !following.has_value();
        // Every area has been tried by now: an output that is whole or
        // nothing goes no further once one has failed.
        if (whole && options.PrintAllLast && summary.Failed > 0)
            break;
        if (progress && !progress(summary.Printed + summary.Failed, count, PrintAreaText(current->Caption, current->Tag))) {
            // Stopped: nothing of the run stays in its output.
            target.AbandonOutput();
            summary.Printed = 0;
            summary.Cancelled = true;
            return summary;
        }
        const PrintSnapshot snapshot = PrintSnapshot::FromGrid(std::move(*current));
        if (PrintWindow(snapshot, target, options, paths, sink, otherInputs) == PrintStatus::Printed) {
            ++summary.Printed;
        } else {
            ++summary.Failed;
            // An output that could not be opened, or failed as it ended,
            // takes no later area: it is reported once, not once an area,
            // and what went to it before counts as not printed.
            if (!target.IsOpen()) {
                summary.Printed = 0;
                break;
            }
        }
        options.PrintAllFirst = false;
        current = std::move(following);
    }
    if (whole && summary.Failed > 0) {
        target.AbandonOutput();
        summary.Printed = 0;
        return summary;
    }
    // An area that failed before the end leaves the output open: close it.
    if (target.IsOpen() && !EndAndCheck(target, sink)) {
        ++summary.Failed;
        summary.Printed = 0;
    }
    return summary;
}

} // namespace

PrintSnapshot PrintSnapshot::FromGrid(Grid grid)
{
    PrintSnapshot snapshot;
    snapshot.Caption = grid.Caption;
    snapshot.Tag = grid.Tag;
    snapshot.Table = std::move(grid);
    return snapshot;
}

PrintSnapshot PrintSnapshot::FromDocument(std::string caption, std::string text, ChildKind tag)
{
    PrintSnapshot snapshot;
    snapshot.IsDocument = true;
    snapshot.Caption = std::move(caption);
    snapshot.Text = std::move(text);
    snapshot.Tag = tag;
    return snapshot;
}

std::string CannotPrintText(std::string_view printCaption, std::string_view viewCaption,
                            std::string_view printAllCaption)
{
    return "'" + StripAmpersands(printCaption) + "' is used to print the "
        + "currently displayed table or document. Nothing is displayed. "
        + "Click on one of the arrow buttons, or select " + "'" + StripAmpersands(viewCaption)
        + "'. To print all selected areas, select " + "'" + StripAmpersands(printAllCaption) + "'";
}

std::string FontTooLargeText(std::string_view printCaption)
{
    return "The chosen printer font is too large. Please select '" + StripAmpersands(printCaption)
        + "' again, and select a smaller font by hitting the 'Change Font' button.";
}

std::string PrintCompletedText(const std::string &caption)
{
    return caption + " printed.";
}

std::string RefusedOutputText(const std::string &fileName)
{
    return "The file " + FileNameInCapitals(fileName)
        + " is read by this program and cannot receive print output. Printing aborted. Select another output file.";
}

bool IsHtmlOutputName(std::string_view name)
{
    return name.size() >= 4 && ToLower(name.substr(name.size() - 4)) == ".htm";
}

std::unique_ptr<FileTarget> MakeFileTarget(const std::string &fileName, DateTimeSource now)
{
    if (IsHtmlOutputName(fileName))
        return std::make_unique<HtmlTarget>(fileName, std::move(now));
    return std::make_unique<TextTarget>(fileName);
}

std::string PrintAreaText(std::string_view caption, ChildKind tag)
{
    if (tag == ChildKind::SOL)
        return std::string(caption);
    const std::size_t tilde = caption.find('~');
    if (tilde == std::string_view::npos)
        return std::string(caption);
    return tilde + 2 >= caption.size() ? std::string() : std::string(caption.substr(tilde + 2));
}

void MeasureGrid(const Grid &grid, int &titleWidth, int &cellWidth)
{
    titleWidth = 0;
    cellWidth = 0;
    std::size_t widest = 0;
    for (int r = 0; r < grid.Rows(); ++r) {
        titleWidth = std::max(titleWidth, Length(grid.Cell(r, 0)) + 2);
        if (const auto longest = fast::LongestDataCell(grid, r)) {
            widest = std::max(widest, *longest);
            continue;
        }
        for (int c = 1; c < grid.Columns(); ++c)
            widest = std::max(widest, grid.Cell(r, c).size());
    }
    if (grid.Rows() > 0 && grid.Columns() > 1)
        cellWidth = static_cast<int>(std::min<std::size_t>(widest, 0x7fffffff)) + 2;
}

std::vector<PageBand> PagePlan(int lastRow, int lastCol, PageGeometry geometry)
{
    const int columns = std::max(1, geometry.ColumnsPerPage);
    const int rows = std::max(1, geometry.RowsPerPage);
    std::vector<PageBand> pages;
    int colStart = 0;
    int rowStart = 0;
    for (;;) {
        pages.push_back({colStart + 1, std::min(colStart + columns, lastCol), rowStart + 1,
                         std::min(rowStart + rows, lastRow)});
        // Down the rows of this column band first; a band whose rows end
        // exactly at the last row is finished, with no empty page after it.
        const int remembered = colStart;
        colStart += columns;
        rowStart += rows;
        if (rowStart < lastRow)
            colStart = remembered;
        else
            rowStart = 0;
        if (colStart >= lastCol)
            return pages;
    }
}

long long RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    value = std::clamp(value, -1e18, 1e18);
    return std::llrint(std::nearbyint(value));
}

std::optional<PageGeometry> PrinterPageGeometry(const PrinterMeasures &measures)
{
    const long long width = RoundHalfEven(measures.PageWidth);
    const long long height = RoundHalfEven(measures.PageHeight);
    const long long referenceWidth = RoundHalfEven(measures.ReferenceWidth);
    const long long referenceHeight = 15 * RoundHalfEven(measures.TenXHeight);
    if (referenceWidth >= width || referenceHeight >= height)
        return std::nullopt;
    const long long cell = RoundHalfEven(measures.CellWidth);
    const long long line = RoundHalfEven(measures.XHeight);
    // A grid without data columns measures a cell of width 0: one page
    // without data columns, as the file targets print it.
    const long long columns = cell > 0 ? (width - referenceWidth) / cell + 1 : 1;
    const long long rows = line > 0 ? (height - referenceHeight) / line - 1 : 1;
    PageGeometry geometry;
    geometry.ColumnsPerPage = static_cast<int>(std::clamp<long long>(columns, 1, 100000));
    geometry.RowsPerPage = static_cast<int>(std::clamp<long long>(rows, 1, 100000));
    return geometry;
}

RequestCheck CheckPrintRequest(const PrintOptions &options, MessageSink &sink)
{
    if (options.PrintFontSize == 0)
        return RequestCheck::Cancelled;
    if (options.PrintToFile && (options.PrintFileName.empty() || options.PrintFileName.front() == '<')) {
        sink.ShowMessage(MessageIcon::Critical, NoPrintFileTitle, NoPrintFileText);
        return RequestCheck::NoFile;
    }
    return RequestCheck::Go;
}

PrintStatus PrintWindow(const PrintSnapshot &snapshot, PrintTarget &target, const PrintOptions &options,
                        const DataPaths &paths, MessageSink &sink, const std::vector<std::string> &otherInputs)
{
    try {
        // In print-all the output opened for an earlier area stays open.
        if (!target.IsOpen() && !OpenOutput(target, paths, sink, otherInputs))
            return PrintStatus::Failed;
        if (snapshot.IsDocument)
            return PrintDocument(snapshot, target, options, sink);
        return PrintTable(snapshot, target, options, paths, sink);
    } catch (const std::exception &) {
        // Out of memory, or a target's own failure: the output is closed and
        // the job reported as failed, never as printed.
        // The output is dropped, so a file keeps what it held before the job.
        const std::string name = target.FileName();
        const int error = target.Error();
        target.AbandonOutput();
        if (!name.empty())
            ReportFileNotAccessible(sink, name, error);
        return PrintStatus::Failed;
    }
}

std::vector<int> PrintAllAreaList(std::string_view code, std::span<const std::uint8_t> areaSelected)
{
    std::vector<int> areas;
    for (int area = 1; area <= AreaCount && static_cast<std::size_t>(area) < areaSelected.size(); ++area) {
        if (areaSelected[static_cast<std::size_t>(area)] != 0)
            areas.push_back(area);
    }
    // A table whose lines are the areas holds every area in one window,
    // whatever was chosen.
    if (ShapeOf(code) == TableShape::AreaRows)
        return {areas.empty() ? 1 : areas.front()};
    return areas;
}

PrintAllSummary PrintAllAreas(const std::vector<int> &areas, const AreaGridBuilder &build, PrintTarget &target,
                              PrintOptions options, const DataPaths &paths, MessageSink &sink,
                              const std::vector<std::string> &otherInputs, const PrintAllProgress &progress)
{
    PrintAllSummary summary;
    // Each folder the run looks into is listed once, not once per area.
    const FolderListingScope listings;
    try {
        return PrintAllRun(areas, build, target, std::move(options), paths, sink, otherInputs, progress);
    } catch (const std::exception &) {
        // A builder or target that throws ends the run: nothing stays open,
        // and a file keeps what it held before the run.
        target.AbandonOutput();
        summary.Failed = static_cast<int>(areas.size());
        return summary;
    }
}

} // namespace tarvel

// The core's costs beside their floors: the ZR1 grid build, the ZR5N export
// and the ZR5N print-all to HTML, each measured in the same run as the
// least work that could produce it (the same records read, one positioned
// read each, and as many bytes written).

#include "bench_data.h"
#include "bench_report.h"

#include "core/selection/program_state.h"
#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"
#include "core/export/export_writer.h"
#include "core/print/print_engine.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tarvel;
using namespace tarvel::bench;

// Splits a record at its commas the cheapest way: views into the bytes.
std::size_t SplitFields(std::string_view record, std::vector<std::string_view> &fields)
{
    fields.clear();
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = record.find(',', begin);
        fields.push_back(record.substr(begin, comma == std::string_view::npos ? comma : comma - begin));
        if (comma == std::string_view::npos)
            return fields.size();
        begin = comma + 1;
    }
}

// ---- ZR1 grid, all 241 quarters ---------------------------------------------------

void GridBuildZR1(benchmark::State &state)
{
    TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR1";
    request.CurrentArea = 1;
    request.QuarterSelected = AllQuarters("ZR1");
    for (auto _ : state) {
        Result<Grid> grid = BuildTableView(request);
        if (!grid) {
            state.SkipWithError(FailureText(grid.Error()).c_str());
            break;
        }
        benchmark::DoNotOptimize(grid->Cell(1, 1));
    }
}
BENCHMARK(GridBuildZR1)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

void GridBuildZR1Floor(benchmark::State &state)
{
    const DataPaths paths = SamplePaths();
    std::vector<std::string_view> fields;
    for (auto _ : state) {
        Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(paths, "ZR1"), "ZR1");
        if (!data) {
            state.SkipWithError(FailureText(data.Error()).c_str());
            break;
        }
        std::size_t count = 0;
        for (int line = 1; line <= LineCount("ZR1"); ++line) {
            Result<std::string> bytes = data->ReadBytesAt(data->Position(1, line));
            if (!bytes) {
                state.SkipWithError(FailureText(bytes.Error()).c_str());
                return;
            }
            count += SplitFields(*bytes, fields);
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(GridBuildZR1Floor)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

// ---- ZR5N export, comma format, all areas, lines and quarters ------------------------

std::string ExportFile()
{
    return OutputFolder() + "export-zr5n.csv";
}

std::string WorkbookFile()
{
    return OutputFolder() + "export-zr5n.xlsx";
}

ExportResult RunZR5NExport(ExportFormat format = ExportFormat::Comma)
{
    const DataPaths paths = SamplePaths();
    ExportOptions options;
    options.TableCode = "ZR5N";
    options.Format = format;
    options.FileName = format == ExportFormat::Workbook ? WorkbookFile() : ExportFile();
    Result<std::vector<std::string>> titles = ReadLineTitlesForExport(LineTitleFileName(paths, "ZR5N"), "ZR5N");
    if (titles) {
        for (const std::string &title : *titles)
            options.Lines.push_back({title, true});
    }
    ExportSelection selection;
    selection.Paths = paths;
    for (int area = 1; area <= AreaCount; ++area)
        selection.AreaSelected[static_cast<std::size_t>(area)] = Chosen;
    selection.QuarterSelected = AllQuarters("ZR5N");
    return RunExport(options, selection);
}

void ExportZR5N(benchmark::State &state)
{
    for (auto _ : state) {
        const ExportResult result = RunZR5NExport();
        if (!result.Completed()) {
            state.SkipWithError(("export failed: " + ExportFailureText(result)).c_str());
            break;
        }
        benchmark::DoNotOptimize(result.records);
    }
    state.counters["bytes"] = static_cast<double>(FileSize(ExportFile()));
}
BENCHMARK(ExportZR5N)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void ExportZR5NFloor(benchmark::State &state)
{
    // The same number of bytes as the export wrote (run once if it has not).
    if (FileSize(ExportFile()) == 0)
        RunZR5NExport();
    const std::int64_t total = FileSize(ExportFile());
    if (total == 0) {
        state.SkipWithError("the export wrote nothing");
        return;
    }
    for (auto _ : state) {
        if (!ReadAndWriteFloor(SamplePaths(), "ZR5N", OutputFolder() + "export-floor.csv", total)) {
            state.SkipWithError("the floor could not read or write");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(total);
}
BENCHMARK(ExportZR5NFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// ---- ZR5N export to one workbook, all areas, lines and quarters -----------------------

void ExportZR5NWorkbook(benchmark::State &state)
{
    for (auto _ : state) {
        const ExportResult result = RunZR5NExport(ExportFormat::Workbook);
        if (!result.Completed()) {
            state.SkipWithError(("export failed: " + ExportFailureText(result)).c_str());
            break;
        }
        benchmark::DoNotOptimize(result.records);
    }
    state.counters["bytes"] = static_cast<double>(FileSize(WorkbookFile()));
}
BENCHMARK(ExportZR5NWorkbook)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor: the same records read with one positioned read each and their
// fields put straight into a workbook by the same library in the same mode
// (keys and flags as text, values as numbers under one format).
bool WorkbookFloor(const DataPaths &paths, const std::string &output)
{
    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(paths, "ZR5N"), "ZR5N");
    if (!data)
        return false;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::string folder = OutputFolder();
    options.tmpdir = folder.data();
    lxw_workbook *book = workbook_new_opt(output.c_str(), &options);
    if (!book)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(book, "ZR5N");
    lxw_format *number = workbook_add_format(book);
    format_set_num_format(number, "#,##0");
    std::vector<std::string_view> fields;
    std::string text;
    lxw_row_t row = 0;
    for (int area = 1; area <= AreaCount; ++area) {
        for (int line = 1; line <= LineCount("ZR5N"); ++line) {
            Result<std::string> bytes = data->ReadBytesAt(data->Position(area, line));
            if (!bytes)
                break;
            const std::size_t count = SplitFields(*bytes, fields);
            for (std::size_t f = 0; f < count; ++f) {
                const auto column = static_cast<lxw_col_t>(f);
                std::string_view field = fields[f];
                if (f < 5 || f + 1 == count) {
                    text.assign(field);
                    worksheet_write_string(sheet, row, column, text.c_str(), nullptr);
                    continue;
                }
                while (!field.empty() && field.front() == ' ')
                    field.remove_prefix(1);
                double value = 0;
                std::from_chars(field.data(), field.data() + field.size(), value);
                worksheet_write_number(sheet, row, column, value, number);
            }
            ++row;
        }
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

void ExportZR5NWorkbookFloor(benchmark::State &state)
{
    const std::string output = OutputFolder() + "export-floor.xlsx";
    for (auto _ : state) {
        if (!WorkbookFloor(SamplePaths(), output)) {
            state.SkipWithError("the floor could not read or write");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(FileSize(output));
}
BENCHMARK(ExportZR5NWorkbookFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// ---- ZR5N print-all to HTML, all areas and quarters --------------------------------

class CountingSink final : public MessageSink {
public:
    void ShowMessage(MessageIcon, const std::string &, const std::string &text) override { last = text; }
    std::string last;
};

std::string PrintFile()
{
    return OutputFolder() + "printall-zr5n.htm";
}

PrintAllSummary RunZR5NPrintAll(CountingSink &sink)
{
    // The HTML target appends to an existing file: each run starts afresh.
    std::error_code ignored;
    std::filesystem::remove(PrintFile(), ignored);

    PrintOptions options;
    options.PrintToFile = true;
    options.PrintFileName = PrintFile();
    options.PrintFontSize = 8;

    TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR5N";
    request.QuarterSelected = AllQuarters("ZR5N");
    request.PrintAllMode = true;
    const AreaGridBuilder build = [&request](int area) {
        request.CurrentArea = area;
        return BuildTableView(request);
    };
    std::vector<std::uint8_t> chosen(AreaCount + 1, Chosen);
    const std::vector<int> areas = PrintAllAreaList("ZR5N", chosen);
    const std::unique_ptr<PrintTarget> target = MakeFileTarget(options.PrintFileName);
    return PrintAllAreas(areas, build, *target, options, request.Paths, sink);
}

void PrintAllZR5N(benchmark::State &state)
{
    CountingSink sink;
    for (auto _ : state) {
        const PrintAllSummary summary = RunZR5NPrintAll(sink);
        if (summary.Failed != 0 || summary.Printed != AreaCount) {
            state.SkipWithError(("print-all failed: " + sink.last).c_str());
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(FileSize(PrintFile()));
}
BENCHMARK(PrintAllZR5N)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void PrintAllZR5NFloor(benchmark::State &state)
{
    if (FileSize(PrintFile()) == 0) {
        CountingSink sink;
        RunZR5NPrintAll(sink);
    }
    const std::int64_t total = FileSize(PrintFile());
    if (total == 0) {
        state.SkipWithError("the print-all wrote nothing");
        return;
    }
    for (auto _ : state) {
        if (!ReadAndWriteFloor(SamplePaths(), "ZR5N", OutputFolder() + "printall-floor.htm", total)) {
            state.SkipWithError("the floor could not read or write");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(total);
}
BENCHMARK(PrintAllZR5NFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    const std::vector<Comparison> comparisons{
        {"ZR1 grid build, 241 quarters", "GridBuildZR1", "GridBuildZR1Floor", 0.002, 0, 0},
        {"ZR5N export, comma, all", "ExportZR5N", "ExportZR5NFloor", 0.5, 0, 3},
        {"ZR5N export, workbook, all", "ExportZR5NWorkbook", "ExportZR5NWorkbookFloor", 1.5, 0, 3},
        {"ZR5N print-all to HTML (core)", "PrintAllZR5N", "PrintAllZR5NFloor", 0.3, 0, 0},
    };
    const int status = RunAndReport(argc, argv, comparisons);
    RemoveOutputFolder();
    return status;
}

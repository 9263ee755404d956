// The core's costs beside their floors: the ZR1 grid build, the exports
// (comma, fixed) and print-alls (HTML, text) of ZR5N and ZR1 with all
// quarters, and how a ZR1 export grows with areas and quarters; each
// measured in the same run as the least work that could produce it (the
// same records read, one positioned read each, and as many bytes written).
// Also one ranking of ZR1's areas by a quarter, tarvel-batch show of ZR1 as
// JSON beside the same as text, ZR1's view in computed units beside the
// published one, and a map of the states for one quarter after another.

#include "bench_data.h"
#include "bench_report.h"

#include "core/selection/program_state.h"
#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/table_view_builder.h"
#include "core/export/export_writer.h"
#include "core/print/print_engine.h"
#include "core/views/area_sort.h"
#include "core/views/computed_view.h"
#include "core/views/one_line_view.h"
#include "cli/batch_commands.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
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

// ---- Exports and print-alls of ZR5N and ZR1, all quarters ----------------------------
//
// Each job is registered with its floor: every record the job reads, read
// with one positioned read each, and as many bytes written as the job wrote.

struct FileJob {
    std::string name;     // benchmark name; the floor is name + "Floor"
    std::string code;
    std::string output;   // the file the job writes
    std::function<bool()> run;
};

ExportOptions ExportJobOptions(const std::string &code, ExportFormat format, const std::string &output)
{
    ExportOptions options;
    options.TableCode = code;
    options.Format = format;
    options.FileName = output;
    Result<std::vector<std::string>> titles = ReadLineTitlesForExport(LineTitleFileName(SamplePaths(), code), code);
    if (titles) {
        for (const std::string &title : *titles)
            options.Lines.push_back({title, true});
    }
    return options;
}

// areas areas (ZR1: its first `areas` lines) and the last `quarters` quarters.
bool RunExportJob(const std::string &code, ExportFormat format, const std::string &output, int areas = AreaCount,
                  int quarters = 0)
{
    // Each run writes a new file, as the whole-process figures do: replacing
    // a file adds its sync to disk, which the floor does not do.
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    ExportOptions options = ExportJobOptions(code, format, output);
    ExportSelection selection;
    selection.Paths = SamplePaths();
    for (int area = 1; area <= areas; ++area)
        selection.AreaSelected[static_cast<std::size_t>(area)] = Chosen;
    if (code == "ZR1") {
        for (std::size_t line = static_cast<std::size_t>(areas); line < options.Lines.size(); ++line)
            options.Lines[line].selected = false;
    }
    selection.QuarterSelected = AllQuarters(code);
    const int count = QuarterCount(code);
    for (int k = 1; quarters > 0 && k <= count - quarters; ++k)
        selection.QuarterSelected[static_cast<std::size_t>(k)] = 0;
    return RunExport(options, selection).Completed();
}

class SilentSink final : public MessageSink {
public:
    void ShowMessage(MessageIcon, const std::string &, const std::string &) override {}
};

bool RunPrintAllJob(const std::string &code, const std::string &output)
{
    // A print-all appends to an existing file: each run starts afresh.
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    PrintOptions options;
    options.PrintToFile = true;
    options.PrintFileName = output;
    options.PrintFontSize = 8;
    TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = code;
    request.QuarterSelected = AllQuarters(code);
    request.PrintAllMode = true;
    request.WithModel = false; // as the print-all commands build their grids
    TableViewFiles files;
    const AreaGridBuilder build = [&request, &files](int area) {
        request.CurrentArea = area;
        return BuildTableView(request, files);
    };
    std::vector<std::uint8_t> chosen(AreaCount + 1, Chosen);
    const std::vector<int> areas = PrintAllAreaList(code, chosen);
    const std::unique_ptr<PrintTarget> target = MakeFileTarget(options.PrintFileName);
    SilentSink sink;
    const PrintAllSummary summary = PrintAllAreas(areas, build, *target, options, request.Paths, sink);
    return summary.Failed == 0 && summary.Printed == static_cast<int>(areas.size());
}

int Records(const std::string &code, int areas = AreaCount)
{
    return code == "ZR1" ? areas : areas * LineCount(code);
}

void RegisterFileJob(const FileJob &job, int records)
{
    benchmark::RegisterBenchmark(job.name.c_str(), [job](benchmark::State &state) {
        for (auto _ : state) {
            if (!job.run()) {
                state.SkipWithError((job.name + " failed").c_str());
                break;
            }
        }
        state.counters["bytes"] = static_cast<double>(FileSize(job.output));
    })->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

    benchmark::RegisterBenchmark((job.name + "Floor").c_str(), [job, records](benchmark::State &state) {
        // The same number of bytes as the job wrote (run once if it has not).
        if (FileSize(job.output) == 0)
            job.run();
        const std::int64_t total = FileSize(job.output);
        if (total == 0) {
            state.SkipWithError("the job wrote nothing");
            return;
        }
        for (auto _ : state) {
            if (!ReadAndWriteFloor(SamplePaths(), job.code, OutputFolder() + "floor.out", total, records)) {
                state.SkipWithError("the floor could not read or write");
                break;
            }
        }
        state.counters["bytes"] = static_cast<double>(total);
    })->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
}

std::vector<Comparison> RegisterFileJobs()
{
    std::vector<Comparison> comparisons;
    const auto add = [&](const std::string &title, const FileJob &job, int records, double limit) {
        RegisterFileJob(job, records);
        comparisons.push_back({title, job.name, job.name + "Floor", 0, 0, limit});
    };
    for (const std::string code : {"ZR5N", "ZR1"}) {
        const std::string csv = OutputFolder() + code + ".csv";
        const std::string prn = OutputFolder() + code + ".prn";
        const std::string htm = OutputFolder() + code + ".htm";
        const std::string txt = OutputFolder() + code + ".txt";
        add(code + " export, comma, all", {"Export" + code + "Comma", code, csv, [code, csv] {
                return RunExportJob(code, ExportFormat::Comma, csv);
            }}, Records(code), 1.5);
        add(code + " export, fixed, all", {"Export" + code + "Fixed", code, prn, [code, prn] {
                return RunExportJob(code, ExportFormat::Fixed, prn);
            }}, Records(code), 1.5);
        add(code + " print-all to HTML (core)", {"PrintAll" + code + "Html", code, htm, [code, htm] {
                return RunPrintAllJob(code, htm);
            }}, Records(code), 1.5);
        add(code + " print-all to text (core)", {"PrintAll" + code + "Text", code, txt, [code, txt] {
                return RunPrintAllJob(code, txt);
            }}, Records(code), 1.5);
    }
    // How the cost grows: ZR1 exports of 1, 10 and 60 areas by 4, 73 and 241
    // quarters. No target: the ratios show time following the bytes.
    for (const int areas : {1, 10, 60}) {
        for (const int quarters : {4, 73, 241}) {
            const std::string tag = std::to_string(areas) + "x" + std::to_string(quarters);
            const std::string csv = OutputFolder() + "growth-" + tag + ".csv";
            add("ZR1 export " + std::to_string(areas) + " areas x " + std::to_string(quarters) + " quarters",
                {"GrowthZR1_" + tag, "ZR1", csv, [csv, areas, quarters] {
                     return RunExportJob("ZR1", ExportFormat::Comma, csv, areas, quarters);
                 }}, areas, 0);
        }
    }
    return comparisons;
}

std::string WorkbookFile()
{
    return OutputFolder() + "export-zr5n.xlsx";
}

// ---- ZR5N export to one workbook, all areas, lines and quarters -----------------------

void ExportZR5NWorkbook(benchmark::State &state)
{
    for (auto _ : state) {
        if (!RunExportJob("ZR5N", ExportFormat::Workbook, WorkbookFile())) {
            state.SkipWithError("export failed");
            break;
        }
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
    request.WithModel = false; // as the print-all commands build their grids
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

// ---- ranking the areas, and tarvel-batch show as a script reads it -------------

// One sort of ZR1's 60 area rows by a quarter, as the one-line window and
// show --sort make it (the order and the grid shown), each run on the next
// of the 241 quarters. The floor is the copy of the grid any sorted grid is.
Result<Grid> ZR1AllQuarters()
{
    TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR1";
    request.CurrentArea = 1;
    request.QuarterSelected = AllQuarters("ZR1");
    return BuildTableView(request);
}

void SortAreasZR1(benchmark::State &state)
{
    const Result<Grid> grid = ZR1AllQuarters();
    if (!grid) {
        state.SkipWithError(FailureText(grid.Error()).c_str());
        return;
    }
    int column = 0;
    for (auto _ : state) {
        column = column % (grid->Columns() - 1) + 1;
        const std::vector<int> order = AreaRowOrder(*grid, column, AreaOrder::HighestFirst);
        const Grid sorted = SortedAreaGrid(*grid, column, AreaOrder::HighestFirst);
        benchmark::DoNotOptimize(order.data());
        benchmark::DoNotOptimize(sorted.Cell(3, column));
    }
}
BENCHMARK(SortAreasZR1)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

void SortAreasZR1Floor(benchmark::State &state)
{
    const Result<Grid> grid = ZR1AllQuarters();
    if (!grid) {
        state.SkipWithError(FailureText(grid.Error()).c_str());
        return;
    }
    for (auto _ : state) {
        const Grid copy = *grid;
        benchmark::DoNotOptimize(copy.Cell(3, 1));
    }
}
BENCHMARK(SortAreasZR1Floor)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

// tarvel-batch show of ZR1 with all quarters, run in-process: the JSON form
// beside the text form it is held to (within 1.5 times).
void ShowZR1(benchmark::State &state, const char *format)
{
    const std::string folder = SamplePaths().DataFolder;
    const std::vector<std::string> args{"--data", folder, "show", "--table", "ZR1", "--quarters", "all",
                                        "--format", format};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (batch::Run(args, SamplePaths().ProgramFolder, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        bytes = out.str().size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
void ShowZR1Json(benchmark::State &state)
{
    ShowZR1(state, "json");
}
void ShowZR1Text(benchmark::State &state)
{
    ShowZR1(state, "text");
}
BENCHMARK(ShowZR1Json)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ShowZR1Text)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// ---- a view in computed units --------------------------------------------------

// ZR1's view of all 241 quarters in the percent change from a year ago, as
// show --units pc1 and the viewer's units make it: the published view built
// with its model, then the figures computed and rendered. Beside the
// published view alone (within 1.5 times).
void ComputedViewZR1(benchmark::State &state, Units unit)
{
    TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR1";
    request.CurrentArea = 1;
    request.QuarterSelected = AllQuarters("ZR1");
    for (auto _ : state) {
        Result<Grid> grid = BuildTableView(request);
        if (grid && unit != Units::Level)
            grid = ComputeGrid(*grid, UnitsChoice{unit, 0}, request.Paths);
        if (!grid) {
            state.SkipWithError(FailureText(grid.Error()).c_str());
            break;
        }
        benchmark::DoNotOptimize(grid->Cell(1, 1));
    }
}
void ComputedViewZR1Pc1(benchmark::State &state)
{
    ComputedViewZR1(state, Units::PercentChangeFromYearAgo);
}
void ComputedViewZR1Published(benchmark::State &state)
{
    ComputedViewZR1(state, Units::Level);
}
BENCHMARK(ComputedViewZR1Pc1)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(ComputedViewZR1Published)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);

// ---- A map of the states, quarter after quarter ---------------------------------

// tarvel-batch map of ZR5N's personal income, run in-process, each time for
// the next quarter (as a user steps through them): the one-line view read,
// the map built and its SVG written. The floor reads the same view alone.
void MapNextQuarterZR5N(benchmark::State &state)
{
    const std::string folder = SamplePaths().DataFolder;
    const std::string output = OutputFolder() + "map.svg";
    int quarter = 0;
    for (auto _ : state) {
        quarter = quarter % QuarterCount("ZR5N") + 1;
        const std::vector<std::string> args{"--data", folder, "map", "--table", "ZR5N", "--line", "1",
                                            "--quarter", QuarterLabel(quarter, "ZR5N"), "--output", output};
        std::ostringstream out;
        std::ostringstream err;
        if (batch::Run(args, SamplePaths().ProgramFolder, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(FileSize(output));
}
BENCHMARK(MapNextQuarterZR5N)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void MapNextQuarterZR5NFloor(benchmark::State &state)
{
    const DataPaths paths = SamplePaths();
    int quarter = 0;
    for (auto _ : state) {
        quarter = quarter % QuarterCount("ZR5N") + 1;
        OneLineSource source;
        source.Code = "ZR5N";
        source.Line = 1;
        source.QuarterShown.assign(static_cast<std::size_t>(QuarterCount("ZR5N") + 1), 0);
        source.QuarterShown[static_cast<std::size_t>(quarter)] = 255;
        Result<Grid> grid = BuildOneLineView(paths, source, false);
        if (!grid) {
            state.SkipWithError(FailureText(grid.Error()).c_str());
            break;
        }
        benchmark::DoNotOptimize(grid->Cell(1, 1));
    }
}
BENCHMARK(MapNextQuarterZR5NFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char **argv)
{
    std::vector<Comparison> comparisons{
        {"ZR1 grid build, 241 quarters", "GridBuildZR1", "GridBuildZR1Floor", 0.002, 0, 2},
        {"ZR5N export, workbook, all", "ExportZR5NWorkbook", "ExportZR5NWorkbookFloor", 1.5, 0, 3},
        {"ZR1 areas sorted by a quarter", "SortAreasZR1", "SortAreasZR1Floor", 0.010, 0, 0},
        {"ZR1 show, JSON beside text", "ShowZR1Json", "ShowZR1Text", 0, 0, 1.5},
        {"ZR1 view in pc1 beside published", "ComputedViewZR1Pc1", "ComputedViewZR1Published", 0, 0, 1.5},
        {"ZR5N map, the next quarter", "MapNextQuarterZR5N", "MapNextQuarterZR5NFloor", 0.050, 0, 0},
    };
    for (Comparison &c : RegisterFileJobs())
        comparisons.push_back(std::move(c));
    const int status = RunAndReport(argc, argv, comparisons);
    RemoveOutputFolder();
    return status;
}

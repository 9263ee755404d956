// The viewer's costs on the offscreen platform, each beside its floor: the
// Display command end to end, a chart window, start-up until the main window is shown,
// print-all through the main window's command (to HTML, to PDF, and its
// preview), and the memory held with 20 table windows open.

#include "bench_data.h"
#include "bench_report.h"

#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_prompts.h"
#include "core/selection/selection.h"
#include "core/catalog/table_catalog.h"
#include "core/views/chart_series.h"
#include "core/views/table_view_builder.h"
#include "viewer/display/frmDisplay.h"
#include "viewer/print/frmPrint.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tarvel::bench;

// Answers every question at once: Ok to a message (the last one is kept so
// a benchmark can name what went wrong), cancel to everything else.
class BenchPrompts final : public Prompts {
public:
    QMessageBox::StandardButton Message(const QString &title, const QString &text, QMessageBox::Icon,
                                        QMessageBox::StandardButtons) override
    {
        lastMessage = title + QStringLiteral(": ") + text;
        return QMessageBox::Ok;
    }
    bool ConfirmReplace(const QString &, const QString &) override { return false; }
    std::optional<QString> InputBox(const QString &, const QString &, const QString &) override { return {}; }
    using Prompts::SaveFileName;
    std::optional<QString> SaveFileName(const QString &, const QString &, const QString &, int &,
                                        ExistingFile) override
    {
        return {};
    }
    std::optional<QString> ChooseFolder(const QString &, const QString &) override { return {}; }
    std::optional<QFont> ChooseFont(const QFont &, bool) override { return {}; }
    bool ChoosePrinter(QPrinter &) override { return false; }
    bool OpenWithAssociatedApp(const QString &) override { return false; }
    QString AssociatedApplication(const QString &) override { return {}; }
    void ShowHelp(int) override {}
    void SearchHelp(const QString &) override {}
    int RunDialog(QDialog &dialog) override
    {
        if (dialogScript)
            dialogScript(dialog);
        return dialog.result();
    }
    // The viewer's own progress dialog, as a person sees it.
    std::unique_ptr<ProgressReport> StartProgress(const QString &title, int count) override
    {
        return std::make_unique<QtProgress>(nullptr, title, count);
    }

    std::function<void(QDialog &)> dialogScript;
    QString lastMessage;
};

void ProcessEvents()
{
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// A started and shown main window on the sample data, as main.cpp starts it.
std::unique_ptr<frmMain> StartMainWindow(BenchPrompts &prompts)
{
    const std::string folder = SamplePaths().DataFolder;
    auto window = std::make_unique<frmMain>(prompts);
    window->SetProgramFolder(folder);
    window->SetDataFolderCandidates({folder});
    window->Startup({});
    if (const QScreen *screen = window->screen())
        window->setGeometry(screen->availableGeometry());
    window->showMaximized();
    ProcessEvents();
    return window;
}

// Chooses table code, all its quarters and the first areaCount areas, as the
// selection controls would.
bool ChooseTable(frmMain &window, const std::string &code, int areaCount)
{
    bool found = false;
    for (int series = 0; series < tarvel::SeriesGroupCount && !found; ++series) {
        const std::vector<std::string> tables = tarvel::SeriesGroupTables(series);
        for (std::size_t t = 0; t < tables.size(); ++t) {
            if (tables[t] == code) {
                window.ChooseSeries(series);
                window.ChooseTable(static_cast<int>(t));
                found = true;
                break;
            }
        }
    }
    if (!found || window.State().TableCode != code)
        return false;
    window.Controls().cboYears->setCurrentIndex(tarvel::SelectQuartersEntry - 1); // "All quarters ..."
    window.cboYears_Click();
    tarvel::AreaFlags chosen{};
    for (int area = 1; area <= areaCount; ++area)
        chosen[static_cast<std::size_t>(area)] = tarvel::Chosen;
    window.ChooseAreas(chosen);
    return tarvel::CountChosen(window.State().QuarterSelected) == tarvel::QuarterCount(code);
}

void CloseChildWindows(frmMain &window)
{
    window.MdiArea()->closeAllSubWindows();
    ProcessEvents();
}

// ---- the Display command: ZR1, all quarters ---------------------------------------

void DisplayZR1(benchmark::State &state)
{
    BenchPrompts prompts;
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    if (!ChooseTable(*window, "ZR1", 0)) {
        state.SkipWithError("ZR1 with all quarters could not be chosen");
        return;
    }
    for (auto _ : state) {
        window->RunDisplay();
        ProcessEvents(); // the window painted
        state.PauseTiming();
        const bool shown = window->MdiArea()->subWindowList().size() == 1;
        CloseChildWindows(*window);
        state.ResumeTiming();
        if (!shown) {
            state.SkipWithError(("no window: " + prompts.lastMessage.toStdString()).c_str());
            break;
        }
    }
}
BENCHMARK(DisplayZR1)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void DisplayZR1Floor(benchmark::State &state)
{
    tarvel::TableViewRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR1";
    request.QuarterSelected = AllQuarters("ZR1");
    for (auto _ : state) {
        tarvel::Result<tarvel::Grid> grid = tarvel::BuildTableView(request);
        if (!grid) {
            state.SkipWithError(tarvel::FailureText(grid.Error()).c_str());
            break;
        }
        benchmark::DoNotOptimize(grid->Cell(1, 1));
    }
}
BENCHMARK(DisplayZR1Floor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

// ---- a chart window: ZR1, 241 quarters, 12 areas -------------------------------------

// The grid rows of ZR1's first 12 areas (row 2 is a spacer).
std::vector<int> TwelveAreaRows()
{
    std::vector<int> rows{1};
    for (int row = 3; row <= 13; ++row)
        rows.push_back(row);
    return rows;
}

void ChartZR1(benchmark::State &state)
{
    BenchPrompts prompts;
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    if (!ChooseTable(*window, "ZR1", 0)) {
        state.SkipWithError("ZR1 with all quarters could not be chosen");
        return;
    }
    window->RunDisplay();
    ProcessEvents();
    QMdiSubWindow *table = window->MdiArea()->activeSubWindow();
    auto *display = table ? qobject_cast<frmDisplay *>(table->widget()) : nullptr;
    if (!display) {
        state.SkipWithError(("no table window: " + prompts.lastMessage.toStdString()).c_str());
        return;
    }
    for (const int row : TwelveAreaRows()) {
        display->grdData->selectionModel()->select(display->grdData->model()->index(row - 1, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    for (auto _ : state) {
        window->RunChart();
        ProcessEvents(); // the chart painted
        state.PauseTiming();
        QMdiSubWindow *chart = window->MdiArea()->activeSubWindow();
        const bool shown = chart != table && window->MdiArea()->subWindowList().size() == 2;
        if (shown)
            chart->close();
        ProcessEvents();
        window->MdiArea()->setActiveSubWindow(table);
        state.ResumeTiming();
        if (!shown) {
            state.SkipWithError(("no chart: " + prompts.lastMessage.toStdString()).c_str());
            break;
        }
    }
}
BENCHMARK(ChartZR1)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void ChartZR1Floor(benchmark::State &state)
{
    tarvel::ChartRequest request;
    request.Paths = SamplePaths();
    request.Code = "ZR1";
    request.QuarterShown = AllQuarters("ZR1");
    for (int area = 1; area <= 12; ++area)
        request.Lines.push_back({area, area});
    for (auto _ : state) {
        tarvel::Result<tarvel::ChartData> chart = tarvel::BuildChart(request);
        if (!chart) {
            state.SkipWithError(tarvel::FailureText(chart.Error()).c_str());
            break;
        }
        benchmark::DoNotOptimize(chart->Series.back().Points.back().Value);
    }
}
BENCHMARK(ChartZR1Floor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

// ---- start-up until the main window is shown --------------------------------------

void StartUp(benchmark::State &state)
{
    BenchPrompts prompts;
    for (auto _ : state) {
        std::unique_ptr<frmMain> window = StartMainWindow(prompts);
        state.PauseTiming();
        const bool shown = window->isVisible();
        window.reset();
        ProcessEvents();
        state.ResumeTiming();
        if (!shown) {
            state.SkipWithError("the main window was not shown");
            break;
        }
    }
}
BENCHMARK(StartUp)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void StartUpFloor(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = std::make_unique<QMainWindow>();
        if (const QScreen *screen = window->screen())
            window->setGeometry(screen->availableGeometry());
        window->showMaximized();
        ProcessEvents();
        state.PauseTiming();
        window.reset();
        ProcessEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

// ---- cold start-up: a new process until its window is shown -----------------------
// The program runs itself with --cold-start=main (the viewer's main window)
// or --cold-start=empty (an empty QMainWindow): loading the libraries, the
// application object and the font database are paid by both.

const char *const ColdStartOption = "--cold-start=";

int RunColdStart(const char *mode)
{
    int argc = 1;
    char name[] = "tarvel_gui_bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARVEL"));
    bool shown = false;
    if (std::strcmp(mode, "main") == 0) {
        BenchPrompts prompts;
        const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
        shown = window->isVisible();
        std::_Exit(shown ? 0 : 1); // the parent times start-up, not tear-down
    }
    QMainWindow window;
    if (const QScreen *screen = window.screen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    ProcessEvents();
    shown = window.isVisible();
    std::_Exit(shown ? 0 : 1);
}

void ColdStart(benchmark::State &state, const char *mode)
{
    const std::string option = std::string(ColdStartOption) + mode;
    char self[] = "/proc/self/exe";
    for (auto _ : state) {
        std::vector<char> argument(option.begin(), option.end());
        argument.push_back('\0');
        char *argv[] = {self, argument.data(), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, self, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("the benchmark could not start itself");
            break;
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the started process did not show its window");
            break;
        }
    }
}
BENCHMARK_CAPTURE(ColdStart, main, "main")
    ->Name("ColdStartUp")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK_CAPTURE(ColdStart, empty, "empty")
    ->Name("ColdStartUpFloor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// ---- print-all of ZR5N to HTML through the main window's command --------------------

std::string WindowPrintFile()
{
    return OutputFolder() + "printall-window.htm";
}

// The print dialog answered as a person would: print to file, Print.
void PrintTo(QDialog &dialog, const std::string &file)
{
    auto *print = qobject_cast<frmPrint *>(&dialog);
    if (!print)
        return;
    print->lblPrint->setText(QStringLiteral("Print to file = ") + QString::fromLocal8Bit(file.c_str()));
    print->cmdPrint->click();
}

// Print-all of ZR5N with all quarters for every area into file through the
// main window's command; each run starts without the file (an HTML file
// would be appended to, a PDF asked about).
void PrintAllToFile(benchmark::State &state, const std::string &file, const char *what)
{
    BenchPrompts prompts;
    prompts.dialogScript = [&file](QDialog &dialog) { PrintTo(dialog, file); };
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    if (!ChooseTable(*window, "ZR5N", tarvel::AreaCount)) {
        state.SkipWithError("ZR5N with all quarters could not be chosen");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        prompts.lastMessage.clear();
        state.ResumeTiming();
        window->RunPrintAll();
        ProcessEvents();
        if (prompts.lastMessage != QStringLiteral("Printing completed: All areas printed.")) {
            state.SkipWithError((std::string(what) + ": " + prompts.lastMessage.toStdString()).c_str());
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(FileSize(file));
}

// Reads the same records and writes as many bytes as file holds, into floor.
void PrintAllFloor(benchmark::State &state, const std::string &file, const std::string &floor)
{
    const std::int64_t total = FileSize(file);
    if (total == 0) {
        state.SkipWithError("the print-all wrote nothing");
        return;
    }
    for (auto _ : state) {
        if (!ReadAndWriteFloor(SamplePaths(), "ZR5N", floor, total)) {
            state.SkipWithError("the floor could not read or write");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(total);
}

void PrintAllWindow(benchmark::State &state)
{
    PrintAllToFile(state, WindowPrintFile(), "print-all");
}
BENCHMARK(PrintAllWindow)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void PrintAllWindowFloor(benchmark::State &state)
{
    PrintAllFloor(state, WindowPrintFile(), OutputFolder() + "printall-window-floor.htm");
}
BENCHMARK(PrintAllWindowFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// ---- print-all of ZR5N to PDF, and its preview -------------------------------------
// The same job as above (891 pages) drawn by the printer path: to a PDF file,
// and into the print preview until it shows its pages. The floor reads the
// same records and writes as many bytes as the PDF has.

std::string WindowPdfFile()
{
    return OutputFolder() + "printall-window.pdf";
}

void PrintAllPdf(benchmark::State &state)
{
    PrintAllToFile(state, WindowPdfFile(), "print-all to PDF");
}
BENCHMARK(PrintAllPdf)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PrintAllPreview(benchmark::State &state)
{
    BenchPrompts prompts;
    int pages = 0;
    // The preview as it appears: shown, its pages drawn; then closed.
    prompts.dialogScript = [&pages](QDialog &dialog) {
        if (dialog.objectName() != QStringLiteral("frmPrintPreview"))
            return;
        dialog.show();
        QApplication::processEvents();
        if (auto *preview = dialog.findChild<QPrintPreviewWidget *>())
            pages = preview->pageCount();
        dialog.reject();
    };
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    if (!ChooseTable(*window, "ZR5N", tarvel::AreaCount)) {
        state.SkipWithError("ZR5N with all quarters could not be chosen");
        return;
    }
    for (auto _ : state) {
        pages = 0;
        window->Controls().mnuPrintAllPreview->trigger();
        ProcessEvents();
        if (pages == 0) {
            state.SkipWithError(("print-all preview showed no pages: " + prompts.lastMessage.toStdString()).c_str());
            break;
        }
    }
    state.counters["pages"] = pages;
}
BENCHMARK(PrintAllPreview)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PrintAllPdfFloor(benchmark::State &state)
{
    PrintAllFloor(state, WindowPdfFile(), OutputFolder() + "printall-pdf-floor.pdf");
}
BENCHMARK(PrintAllPdfFloor)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// ---- resident set: 20 ZR5N windows, all quarters ----------------------------------
// Run in a process of their own (scripts/bench.sh does): the floor first, the
// main window alone, then the same window with 20 table windows.

void MemoryMainWindow(benchmark::State &state)
{
    BenchPrompts prompts;
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    double rss = 0;
    for (auto _ : state)
        rss = ResidentMegabytes();
    state.counters["rss_mb"] = rss;
}
BENCHMARK(MemoryMainWindow)->Iterations(1);

void MemoryTwentyWindows(benchmark::State &state)
{
    BenchPrompts prompts;
    const std::unique_ptr<frmMain> window = StartMainWindow(prompts);
    if (!ChooseTable(*window, "ZR5N", 20)) {
        state.SkipWithError("ZR5N with all quarters could not be chosen");
        return;
    }
    double rss = 0;
    for (auto _ : state) {
        for (int n = 0; n < 20; ++n) {
            window->RunDisplay();
            ProcessEvents();
        }
        rss = ResidentMegabytes();
    }
    const auto windows = window->MdiArea()->subWindowList().size();
    if (windows != 20)
        state.SkipWithError(("20 windows asked, " + std::to_string(windows) + " open: "
                             + prompts.lastMessage.toStdString()).c_str());
    state.counters["rss_mb"] = rss;
    state.counters["windows"] = static_cast<double>(windows);
}
BENCHMARK(MemoryTwentyWindows)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    // No screen is needed, and no settings of the person running this are
    // read or written.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 2 && std::strncmp(argv[1], ColdStartOption, std::strlen(ColdStartOption)) == 0)
        return RunColdStart(argv[1] + std::strlen(ColdStartOption));
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARVEL"));

    const std::vector<Comparison> comparisons{
        {"Display ZR1 window, 241 quarters", "DisplayZR1", "DisplayZR1Floor", 0.1, 0, 0},
        {"Chart ZR1, 241 quarters x 12 areas", "ChartZR1", "ChartZR1Floor", 0.1, 0, 0},
        {"Start-up, new process", "ColdStartUp", "ColdStartUpFloor", 0, 0, 0, false},
        {"Start-up, main window again", "StartUp", "StartUpFloor", 0, 0, 0},
        {"ZR5N print-all to HTML (window)", "PrintAllWindow", "PrintAllWindowFloor", 3.0, 0, 0},
        {"ZR5N print-all to PDF (window)", "PrintAllPdf", "PrintAllPdfFloor", 3.0, 0, 0},
        {"ZR5N print-all preview (window)", "PrintAllPreview", "PrintAllPdfFloor", 3.0, 0, 0},
        {"RSS with 20 ZR5N windows", "MemoryTwentyWindows", "MemoryMainWindow", 0, 80, 0},
    };
    const int status = RunAndReport(argc, argv, comparisons);
    RemoveOutputFolder();
    return status;
}

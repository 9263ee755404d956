#include "bench_report.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

namespace tarvel::bench {

namespace {

std::string TimeText(double seconds)
{
    char buffer[32];
    if (seconds < 1e-3)
        std::snprintf(buffer, sizeof buffer, "%.1f us", seconds * 1e6);
    else if (seconds < 1.0)
        std::snprintf(buffer, sizeof buffer, "%.2f ms", seconds * 1e3);
    else
        std::snprintf(buffer, sizeof buffer, "%.2f s", seconds);
    return buffer;
}

std::string MbText(double mb)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f MB", mb);
    return buffer;
}

std::string TargetText(const Comparison &c)
{
    std::string text;
    if (c.TargetSeconds > 0)
        text = "< " + TimeText(c.TargetSeconds);
    if (c.TargetMb > 0)
        text = "< " + MbText(c.TargetMb);
    if (c.MaxRatio > 0) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%sratio <= %g", text.empty() ? "" : ", ", c.MaxRatio);
        text += buffer;
    }
    return text.empty() ? "-" : text;
}

} // namespace

CollectingReporter::CollectingReporter(std::ostream &log)
    : benchmark::ConsoleReporter(OO_Tabular)
{
    SetOutputStream(&log);
    SetErrorStream(&log);
}

void CollectingReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        Measure &measure = m_measures[run.run_name.function_name];
        if (run.error_occurred) {
            measure.Error = run.error_message.empty() ? std::string("it failed") : run.error_message;
            continue;
        }
        measure.Seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        measure.CpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        for (const auto &[name, counter] : run.counters)
            measure.Counters[name] = counter.value;
    }
    benchmark::ConsoleReporter::ReportRuns(runs);
}

const CollectingReporter::Measure *CollectingReporter::Find(const std::string &name) const
{
    const auto it = m_measures.find(name);
    return it == m_measures.end() ? nullptr : &it->second;
}

namespace {

// TARVEL_BENCH_MARKDOWN=1 prints the rows as a Markdown table, ready for
// docs/performance.md.
bool Markdown()
{
    static const bool markdown = [] {
        const char *value = std::getenv("TARVEL_BENCH_MARKDOWN");
        return value && std::string_view(value) == "1";
    }();
    return markdown;
}

void PrintRow(const std::string &name, const std::string &time, const std::string &cpu, const std::string &floor,
              const std::string &ratio, const std::string &target, const std::string &verdict)
{
    if (Markdown()) {
        if (name.find_first_not_of('-') == std::string::npos)
            std::printf("|---|---|---|---|---|---|---|\n");
        else
            std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", name.c_str(), time.c_str(), cpu.c_str(),
                        floor.c_str(), ratio.c_str(), target.c_str(), verdict.c_str());
        return;
    }
    std::printf("%-34s %10s %10s %10s %7s  %-22s %s\n", name.c_str(), time.c_str(), cpu.c_str(), floor.c_str(),
                ratio.c_str(), target.c_str(), verdict.c_str());
}

} // namespace

void PrintTableHead()
{
    PrintRow("benchmark", "time", "cpu", "floor", "ratio", "target", "verdict");
    PrintRow("---------", "----", "---", "-----", "-----", "------", "-------");
    std::fflush(stdout);
}

void PrintTable(const CollectingReporter &reporter, const std::vector<Comparison> &comparisons)
{
    for (const Comparison &c : comparisons) {
        const CollectingReporter::Measure *figure = reporter.Find(c.Benchmark);
        const CollectingReporter::Measure *floor = reporter.Find(c.Floor);
        if (!figure || !floor)
            continue;
        if (!figure->Error.empty() || !floor->Error.empty()) {
            std::printf("%-34s %-50s\n", c.Title.c_str(),
                        ("not measured: " + (figure->Error.empty() ? floor->Error : figure->Error)).c_str());
            continue;
        }
        const bool memory = c.TargetMb > 0;
        const auto value = [memory](const CollectingReporter::Measure &m) {
            if (!memory)
                return m.Seconds;
            const auto it = m.Counters.find("rss_mb");
            return it == m.Counters.end() ? 0.0 : it->second;
        };
        const double figureValue = value(*figure);
        const double floorValue = value(*floor);
        const double ratio = floorValue > 0 ? figureValue / floorValue : 0;

        bool withinTarget = true;
        if (c.TargetSeconds > 0 && figureValue >= c.TargetSeconds)
            withinTarget = false;
        if (c.TargetMb > 0 && figureValue >= c.TargetMb)
            withinTarget = false;
        if (c.MaxRatio > 0 && ratio > c.MaxRatio)
            withinTarget = false;
        std::string verdict = withinTarget ? "ok" : "MISSED";
        if (withinTarget && c.MaxRatio == 0 && ratio > 3)
            verdict = "ok (ratio > 3)";

        char ratioText[32];
        std::snprintf(ratioText, sizeof ratioText, "%.2f", ratio);
        const std::string figureText = memory ? MbText(figureValue) : TimeText(figureValue);
        const std::string floorText = memory ? MbText(floorValue) : TimeText(floorValue);
        const std::string cpuText = memory || !c.ShowCpu ? "-" : TimeText(figure->CpuSeconds);
        PrintRow(c.Title, figureText, cpuText, floorText, ratioText, TargetText(c), verdict);
    }
    std::fflush(stdout);
}

int RunAndReport(int argc, char **argv, const std::vector<Comparison> &comparisons)
{
    bool head = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--table-head") {
            head = true;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    if (head)
        PrintTableHead();
    CollectingReporter reporter(std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable(reporter, comparisons);
    return 0;
}

double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::istringstream fields(line.substr(6));
            double kb = 0;
            fields >> kb;
            return kb / 1024.0;
        }
    }
    return 0;
}

} // namespace tarvel::bench

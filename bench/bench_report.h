#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tarvel::bench {

/// One line of the table: a benchmark beside its floor. A time comparison
/// reads the mean real time of each run; a memory comparison reads the
/// counter "rss_mb" of each.
struct Comparison {
    std::string Title;
    std::string Benchmark;
    std::string Floor;
    double TargetSeconds = 0; ///< time limit; 0 for none
    double TargetMb = 0;      ///< memory limit; 0 for none
    double MaxRatio = 0;      ///< limit on benchmark / floor; 0 for none
    bool ShowCpu = true;      ///< false when the work runs in another process
};

/// Google Benchmark's console output (to the stream given, usually stderr,
/// kept as the full log) plus the mean real time and counters of each run,
/// for the comparison table.
class CollectingReporter final : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(std::ostream &log);
    void ReportRuns(const std::vector<Run> &runs) override;

    struct Measure {
        double Seconds = 0;    ///< wall-clock time of one iteration
        double CpuSeconds = 0; ///< CPU time of this process in one iteration
        std::map<std::string, double> Counters;
        std::string Error;
    };
    const Measure *Find(const std::string &name) const;

private:
    std::map<std::string, Measure> m_measures;
};

/// Prints the column heads of PrintTable.
void PrintTableHead();
/// Prints one row per comparison whose two runs both ran (to stdout): name,
/// figure (wall clock), its CPU time, floor, ratio, target and verdict.
void PrintTable(const CollectingReporter &reporter, const std::vector<Comparison> &comparisons);

/// Runs the benchmarks the command line selects with the collecting
/// reporter, then prints the table. Returns the process exit status.
int RunAndReport(int argc, char **argv, const std::vector<Comparison> &comparisons);

/// Resident set size of this process in megabytes (VmRSS of
/// /proc/self/status); 0 when it cannot be read.
double ResidentMegabytes();

} // namespace tarvel::bench

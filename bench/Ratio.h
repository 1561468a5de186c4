#pragma once

// Each benchmark program measures the data layer against a baseline in the same run and prints
// the ratio it is held to as "<name>: <ratio> (limit <n>)", after Google Benchmark's own table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct TRatio {
    std::string name;
    std::string measured;  // benchmark whose time is divided...
    std::string baseline;  // ...by this one's
    double limit;
};

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    // Plain output: the ratio lines are read by scripts and people alike.
    explicit TRatioReporter(std::vector<TRatio> ratios)
        : ConsoleReporter(OO_Tabular), ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // The machine may be busy with other work: the processor time of these single-threaded
        // runs leaves out the time spent waiting for a free core, and of several runs the
        // fastest (where a benchmark asks for it, see RatioMinimum) or else the median leaves out
        // the runs that other work slowed down by taking the caches or the core itself.
        for (const Run& run : runs) {
            const std::string key = Key(run.run_name);
            if (run.run_type == Run::RT_Iteration && !minimum_.count(key))
                times_[key] = run.GetAdjustedCPUTime();
            else if (run.aggregate_name == "min") {
                times_[key] = run.GetAdjustedCPUTime();
                minimum_.insert(key);
            } else if (run.aggregate_name == "median" && !minimum_.count(key))
                times_[key] = run.GetAdjustedCPUTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const TRatio& r : ratios_) {
            const auto m = times_.find(r.measured);
            const auto b = times_.find(r.baseline);
            if (m == times_.end() || b == times_.end() || b->second <= 0) continue;
            std::printf("%s: %.2f (limit %.2f)\n", r.name.c_str(), m->second / b->second, r.limit);
        }
        std::fflush(stdout);
    }

private:
    // "BM_Name" or "BM_Name/arg", whatever repetition settings the run had.
    static std::string Key(const benchmark::BenchmarkName& name) {
        return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
    }

    std::vector<TRatio> ratios_;
    std::map<std::string, double> times_;
    std::set<std::string> minimum_;  // benchmarks whose time is their fastest run's
};

// The fastest of a benchmark's repetitions, for ComputeStatistics("min", RatioMinimum): the
// figure least disturbed by whatever else the machine runs.
inline double RatioMinimum(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline int RunWithRatios(int argc, char** argv, std::vector<TRatio> ratios) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

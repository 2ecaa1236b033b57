#pragma once

// The main function of a benchmark program. scripts/bench.sh compares, within one run, each of
// our implementations with every peer that performs the same operation on the same argument; it
// reads which implementations are ours from the run's context, which this main records.
//
//   BENCHMARK(WriteJsonBag)->Name("Write/JsonBag")->Arg(0);
//   BENCHMARK(WriteRapidJson)->Name("Write/RapidJson")->Arg(0);
//   K7_BENCH_MAIN("JsonBag")
//
// A program with setup of its own calls k7::bench::DeclareOurs before running the benchmarks.

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

namespace k7::bench {

// What `clock` (CLOCK_THREAD_CPUTIME_ID, CLOCK_PROCESS_CPUTIME_ID) has counted, in seconds.
inline double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// `ours`: comma-separated implementation names (the second part of a benchmark name).
inline void DeclareOurs(const std::string& ours) {
    benchmark::AddCustomContext("k7_ours", ours);
}

inline int Main(int argc, char** argv, const std::string& ours) {
    DeclareOurs(ours);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace k7::bench

#define K7_BENCH_MAIN(ours)                                                                                  \
    int main(int argc, char** argv) {                                                                        \
        return k7::bench::Main(argc, argv, ours);                                                            \
    }

// The cases under Google Benchmark, in nanoseconds.
#include <benchmark/benchmark.h>

#include "bench_cases.h"

int main(int argc, char** argv) {
    for (const BenchCase& c : AllBenchCases()) {
        benchmark::RegisterBenchmark(c.name.c_str(), [prepare = c.prepare](benchmark::State& state) {
            const auto iteration = prepare();
            for (auto _ : state) iteration();
        })->Unit(benchmark::kNanosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

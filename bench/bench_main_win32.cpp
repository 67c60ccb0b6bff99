// The cases under Wine, timed by a harness of our own (there is no Google Benchmark for
// MinGW among Debian's packages). Each case is run in batches that last at least the minimum
// time; the median of the batches' times per iteration is printed, one line per case:
//   <name> <ns per iteration> <iterations per batch>
// Options: --min-time SECONDS (default 0.3), --repetitions N (default 5), --filter TEXT (cases
// whose name holds TEXT), --smoke (one iteration of each case, nothing printed but names).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_cases.h"

namespace {

struct Options {
    double minSeconds = 0.3;
    int repetitions = 5;
    std::string filter;
    bool smoke = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--smoke") == 0) {
            options.smoke = true;
        } else if (std::strcmp(arg, "--min-time") == 0 && hasValue) {
            options.minSeconds = std::atof(argv[++i]);
            if (!(options.minSeconds > 0 && options.minSeconds <= 60)) return false;
        } else if (std::strcmp(arg, "--repetitions") == 0 && hasValue) {
            options.repetitions = std::atoi(argv[++i]);
            if (options.repetitions < 1 || options.repetitions > 100) return false;
        } else if (std::strcmp(arg, "--filter") == 0 && hasValue) {
            options.filter = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: orvane_bench [--min-time SECONDS] [--repetitions N] [--filter TEXT] [--smoke]\n");
        return 2;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    for (const BenchCase& c : AllBenchCases()) {
        if (!options.filter.empty() && c.name.find(options.filter) == std::string::npos) continue;
        const auto iteration = c.prepare();
        if (options.smoke) {
            iteration();
            std::printf("%s\n", c.name.c_str());
            continue;
        }
        // Calibration: double the batch until it lasts a tenth of the minimum time, then size
        // it to last the minimum.
        std::uint64_t batch = 1;
        double batchSeconds = 0;
        for (;;) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (std::uint64_t i = 0; i < batch; ++i) iteration();
            QueryPerformanceCounter(&end);
            batchSeconds = Seconds(start, end, frequency);
            if (batchSeconds >= options.minSeconds / 10 || batch >= (std::uint64_t{1} << 40)) break;
            batch *= 2;
        }
        const double perIteration = batchSeconds / static_cast<double>(batch);
        batch = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(options.minSeconds / std::max(perIteration, 1e-12)));

        std::vector<double> samples;
        for (int r = 0; r < options.repetitions; ++r) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (std::uint64_t i = 0; i < batch; ++i) iteration();
            QueryPerformanceCounter(&end);
            samples.push_back(Seconds(start, end, frequency) * 1e9 / static_cast<double>(batch));
        }
        std::sort(samples.begin(), samples.end());
        std::printf("%s %.1f %llu\n", c.name.c_str(), samples[samples.size() / 2],
                    static_cast<unsigned long long>(batch));
        std::fflush(stdout);
    }
    return 0;
}

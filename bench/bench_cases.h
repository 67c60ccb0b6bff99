// The cases that time the drawing paths run on every tick. One set, built for both backends:
// Google Benchmark runs them natively (bench_main_posix.cpp), our own small harness under
// Wine (bench_main_win32.cpp), and scripts/bench prints both side by side.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct BenchCase {
    std::string name;
    // Sets the case up (record, display, a first full draw) and returns one iteration's work;
    // what the iteration needs lives in the returned function.
    std::function<std::function<void()>()> prepare;
};

std::vector<BenchCase> AllBenchCases();

// The client library's publishing calls (client_cases.cpp), part of AllBenchCases.
std::vector<BenchCase> ClientBenchCases();
// The overview's cards and board with sixteen clients (overview_cases.cpp), part of AllBenchCases.
std::vector<BenchCase> OverviewBenchCases();
// The copy images of the Linux front ends, reduced and whole (copy_cases.cpp), part of AllBenchCases.
std::vector<BenchCase> CopyBenchCases();

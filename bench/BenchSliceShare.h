#pragma once

// The thread's processor time per iteration as a percentage of one 100 ms slice, from the
// object's making to Report.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

class BenchSliceShare {
public:
    BenchSliceShare() : m_start(ThreadCpuSeconds()) {}

    void Report(benchmark::State& state) const
    {
        const double perSlice = (ThreadCpuSeconds() - m_start) /
                                static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["percent_of_slice"] = 100.0 * perSlice / 0.1;
    }

    static double ThreadCpuSeconds()
    {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }

private:
    double m_start;
};

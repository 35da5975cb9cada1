#pragma once

// The main of the benchmarks that run the whole program in child processes: the runs share
// one virtual display, up while the benchmarks run.

#include "app/tests/VirtualDisplay.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

namespace benchprogram {

// The virtual display the runs share; none while it is down.
inline VirtualDisplay*& display()
{
    static VirtualDisplay* shown = nullptr;
    return shown;
}

// This program's own path, to start it again or to find the programs beside it.
inline std::string selfPath(const char* argv0)
{
    char path[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string(argv0);
}

// Runs the benchmarks the command line names, with the display up.
inline int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        VirtualDisplay server;
        if (VirtualDisplay::Installed() && server.Start())
            display() = &server;
        benchmark::RunSpecifiedBenchmarks();
        display() = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchprogram

#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark that shows windows, offscreen unless a platform was chosen. The
// application object lives across the benchmarks and goes before the program's own statics do.
inline int RunWidgetBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// How much of one core the rack takes while it sits idle with every band shown (the aim:
// under 1%). The rack runs in this process on the offscreen platform, with a profile of its
// own and the memory devices. Its start-up (first paints, artwork, the timers that start with
// it) is left to end before anything is measured: only the rack at rest is timed.

#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/RackState.h"

#include "platform/core/Profile.h"
#include "platform/ui/window/EventLoop.h"
#include "platform/ui/rackwindow/Window.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

namespace {

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs the program's own event loop for ms milliseconds.
void runLoopFor(int ms)
{
    QTimer::singleShot(ms, [] { plat::ui::EventLoop::postQuit(0); });
    plat::ui::EventLoop::run();
}

// The rack, started for one run of the benchmark and ended before the program's statics.
class IdleRack {
public:
    IdleRack()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("QUAVIX_MEDIA", "memory", 0);
        std::string pattern = (std::filesystem::temp_directory_path() / "rack-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        static int argc = 1;
        static char name[] = "RackIdleBench";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        m_running = rack::rack_Startup("", "/opt/rack/rackplayer") == 1;
    }

    ~IdleRack()
    {
        if (m_running) {
            if (plat::ui::Window* frame = rack::rackState().frame; plat::ui::Window::isWindow(frame))
                frame->send(plat::ui::kCloseMessage);
            QCoreApplication::sendPostedEvents();
            rack::rack_Shutdown();
        }
        m_application.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    bool running() const { return m_running; }

private:
    std::string m_folder;
    std::unique_ptr<QApplication> m_application;
    bool m_running = false;
};

void BM_RackIdleWithEveryBand(benchmark::State& state)
{
    IdleRack rack;
    if (!rack.running()) {
        state.SkipWithError("the rack did not start");
        return;
    }
    const rack::RackState& shown = rack::rackState();
    if (!(shown.showToolbar && shown.showMixer && shown.showWave && shown.showMidi && shown.showCd)) {
        state.SkipWithError("not every band is shown");
        return;
    }
    // Start-up ends first: the loop runs until three seconds have passed since it began.
    runLoopFor(3000);
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        // The program's own loop, left alone for a second.
        runLoopFor(1000);
        cpu += processCpuSeconds() - cpuBefore;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    }
    state.counters["cpu_percent_of_core"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
}
BENCHMARK(BM_RackIdleWithEveryBand)->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace

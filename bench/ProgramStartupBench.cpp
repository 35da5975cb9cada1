// The program's start-up to a settled main window, against an empty main window of Qt's own
// with a menu bar, a toolbar and an MDI area (EmptyMainWindow, built beside this benchmark).
// Both start in a virtual display as separate processes, the program with a fresh profile of
// its own as a first start leaves it (no first-run dialogs); each is settled once its threads
// have used under 1% of a core (5 ms of processor time) in half a second. The figure is the
// processor time the process used up to then, all its threads, loading included.
// Skipped where Xvfb is missing.

#include "bench/BenchProgramMain.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The span without work that counts as settled, and the work allowed in it.
constexpr auto kQuietSpan = std::chrono::milliseconds(500);
constexpr int64_t kQuietNs = 5'000'000;
constexpr auto kPoll = std::chrono::milliseconds(25);
constexpr auto kPatience = std::chrono::seconds(120);

using benchprogram::display;

fs::path& programFolder()
{
    static fs::path folder;
    return folder;
}

// The processor time of a process's living threads, in nanoseconds.
int64_t threadsCpuNs(pid_t pid)
{
    int64_t total = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        int64_t ns = 0;
        if (in >> ns)
            total += ns;
    }
    return total;
}

struct Startup {
    double cpuSeconds = -1;
    double wallSeconds = 0;
};

// Starts program with the environment given, waits until it settles and ends it: its
// processor time up to then, and the wall time until its last work.
Startup startAndSettle(const fs::path& program, const std::vector<std::string>& environment)
{
    Startup result;
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        for (const std::string& entry : environment)
            ::putenv(const_cast<char*>(entry.c_str()));
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child < 0)
        return result;
    int64_t last = 0;
    auto lastWork = started;
    bool settled = false;
    while (std::chrono::steady_clock::now() - started < kPatience) {
        std::this_thread::sleep_for(kPoll);
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return result;
        const int64_t now = threadsCpuNs(child);
        const auto at = std::chrono::steady_clock::now();
        if (now - last >= kQuietNs) {
            last = now;
            lastWork = at;
        } else if (at - lastWork >= kQuietSpan) {
            settled = true;
            break;
        }
    }
    ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child || !settled)
        return result;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.wallSeconds = std::chrono::duration<double>(lastWork - started).count();
    return result;
}

// The program's environment: the display and a fresh profile of its own in folder.
std::vector<std::string> programEnvironment(const fs::path& folder)
{
    for (const char* sub : {"config", "runtime", "data"})
        fs::create_directories(folder / sub);
    fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    plat::Profile::setFolder((folder / "config").string());
    plat::Profile::setApplication("Quavix");
    SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
    SaveIntPreference("Settings", "FirstRun", 0);
    return {"DISPLAY=" + display()->Name(), "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + (folder / "config").string(),
            "XDG_RUNTIME_DIR=" + (folder / "runtime").string(), "XDG_DATA_HOME=" + (folder / "data").string()};
}

void BM_StartupToSettledWindow(benchmark::State& state)
{
    if (!VirtualDisplay::Installed()) {
        state.SkipWithError("Xvfb is not installed (scripts/setup-deps.sh installs it)");
        return;
    }
    if (!display()) {
        state.SkipWithError("Xvfb did not come up");
        return;
    }
    double program = 0, peer = 0, programWall = 0, peerWall = 0;
    for (auto _ : state) {
        char pattern[] = "/tmp/quavix-startbench-XXXXXX";
        if (!::mkdtemp(pattern)) {
            state.SkipWithError("no scratch folder");
            return;
        }
        const fs::path folder = pattern;
        const Startup empty = startAndSettle(programFolder() / "EmptyMainWindow", {"DISPLAY=" + display()->Name(), "QT_QPA_PLATFORM=xcb"});
        const Startup ours = startAndSettle(programFolder() / "Quavix", programEnvironment(folder));
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        if (empty.cpuSeconds < 0 || ours.cpuSeconds < 0) {
            state.SkipWithError(empty.cpuSeconds < 0 ? "the empty window did not settle" : "the program did not settle");
            return;
        }
        program += ours.cpuSeconds;
        peer += empty.cpuSeconds;
        programWall += ours.wallSeconds;
        peerWall += empty.wallSeconds;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["program_cpu_seconds"] = program / runs;
    state.counters["empty_window_cpu_seconds"] = peer / runs;
    state.counters["ratio_to_empty_window"] = peer > 0 ? program / peer : 0.0;
    state.counters["program_wall_seconds"] = programWall / runs;
    state.counters["empty_window_wall_seconds"] = peerWall / runs;
}
BENCHMARK(BM_StartupToSettledWindow)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    programFolder() = fs::path(benchprogram::selfPath(argv[0])).parent_path();
    return benchprogram::runBenchmarks(argc, argv);
}

// What the whole program costs at rest and while it plays, in a virtual display.
//
// Each run starts the program afresh in a child process of this benchmark (the benchmark
// calls itself with a run's name), with a profile of its own as a first start leaves it (the
// mixer, the inspector and the palette as they first come up; no first-run dialogs), the
// built-in synthesizer as its MIDI output and dense16.mid of the benchmark corpus open:
// - at rest, without and with a playback file: the process's processor time and its threads'
//   wake-ups (the voluntary context switches /proc counts) over a fixed span, once start-up
//   has settled;
// - playing the piece from its start to its end into the playback file: the processor time of
//   the play, beside FluidSynth's own command-line player rendering the same file with the
//   same sound font, rate and gain (its processor time as the system counts it for a child,
//   the middle of three renderings), and the main thread's share of the play.
// Skipped where Xvfb, the sound font, the corpus or FluidSynth's player is missing.

#include "app/frame/CMainFrame.h"
#include "app/program/CMainApp.h"
#include "app/program/CQuavixApplication.h"
#include "bench/BenchProgramMain.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/Backend.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/synth/FluidSynthInstance.h"
#include "platform/media/synth/SynthProvider.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/transport/CSequence.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef QUAVIX_CORPUS
#define QUAVIX_CORPUS "../shared/corpus"
#endif

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kPlay = 778, kStop = 777;
constexpr const char* kFluidSynth = "/usr/bin/fluidsynth";
// How long the program is left alone before a span at rest is measured, and the span.
constexpr int kSettleMs = 4000;
constexpr int kIdleSpanMs = 10000;
// How long a step may take on a busy machine.
constexpr int kPatienceMs = 120000;

// The corpus beside the source tree, or where QUAVIX_CORPUS names it.
fs::path piece()
{
    const char* corpus = std::getenv("QUAVIX_CORPUS");
    return fs::path(corpus && *corpus ? corpus : QUAVIX_CORPUS) / "bench" / "dense16.mid";
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The voluntary context switches of each of this process's threads, by thread id: each is a
// wake-up after the thread waited.
std::map<long, long> wakeUpsByThread()
{
    std::map<long, long> counts;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/self/task", error)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                counts[std::stol(task.path().filename().string())] = std::stol(line.substr(line.find(':') + 1));
                break;
            }
        }
    }
    return counts;
}

// The processor time of each of this process's threads in seconds, by thread id, and each one's name.
struct ThreadCpu {
    std::string name;
    double seconds = 0;
};
std::map<long, ThreadCpu> cpuByThread()
{
    std::map<long, ThreadCpu> threads;
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/self/task", error)) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // The name is in parentheses and may hold spaces: the fields after it are counted
        // from its closing one (utime and stime are the 14th and 15th of the line).
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int index = 3; fields >> field && index <= 15; ++index)
            if (index >= 14)
                ticks += std::atof(field.c_str());
        threads[std::stol(task.path().filename().string())] = {line.substr(open + 1, close - open - 1), ticks / tick};
    }
    return threads;
}

// The wake-ups between two counts: the main thread's and all threads' (a thread that began
// between them counts from zero, one that ended is left out).
struct WakeUps {
    long main = 0;
    long all = 0;
};
WakeUps wakeUpsBetween(const std::map<long, long>& before, const std::map<long, long>& after)
{
    WakeUps wakeUps;
    const long self = static_cast<long>(::getpid());
    for (const auto& [tid, count] : after) {
        const auto earlier = before.find(tid);
        const long added = count - (earlier == before.end() ? 0 : earlier->second);
        wakeUps.all += added;
        if (tid == self)
            wakeUps.main += added;
    }
    return wakeUps;
}

// Runs the program's own event loop until done() holds or the time is up; whether it held.
// The condition is looked at four times a second, so the wait adds next to nothing to what
// is measured.
bool runUntil(const std::function<bool()>& done, int milliseconds)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(250);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Runs the program's own event loop for ms milliseconds.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- The child: the program itself -----------------------------------------------------------

// Runs the program in this process for one run ("idle", "idle-file" or "play") in folder and
// writes its figures to the standard output as name=value words; 0 when it ran.
int runProgram(const std::string& run, const fs::path& folder, char* name)
{
    for (const char* sub : {"config", "runtime", "data"})
        fs::create_directories(folder / sub);
    fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    ::setenv("QUAVIX_MEDIA", "synth", 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    plat::Profile::setFolder((folder / "config").string());
    plat::Profile::setApplication(CMainApp::kApplication);
    SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
    SaveIntPreference("Settings", "FirstRun", 0);
    const fs::path render = folder / "render.wav";
    if (run != "idle")
        plat::Profile::instance().setString(plat::media::Backend::kSelectionSection,
                                            plat::media::Backend::kPlaybackFileValue, render.string());

    static int argc = 1;
    static char* argv[] = {name, nullptr};
    CQuavixApplication application(argc, argv);
    plat::ui::ModalHooks::Hooks answers;
    answers.runDialog = [](QDialog&) { return int(QDialog::Accepted); };
    answers.chooseFile = [](const plat::ui::ModalHooks::FileRequest&) { return std::optional<std::string>(); };
    plat::ui::ModalHooks::Scoped hooks(answers);
    const plat::UserPrompt::Hook previousPrompt =
        plat::UserPrompt::setHook([](const plat::UserPrompt::Message& message) { return plat::UserPrompt::defaultAnswer(message); });
    int result = 1;
    {
        CMainApp app({piece().string()});
        if (app.InitInstance() && runUntil([] { return MCOpusDoc::GetActiveDoc() != nullptr; }, kPatienceMs)) {
            // Start-up has settled once two seconds in a row cost the same within 5 ms: the
            // opening's own work may outlast kSettleMs on a busy machine, and with a playback
            // file the steady cost is not nothing.
            runFor(kSettleMs);
            double previous = -1;
            for (int waited = 0; waited < kPatienceMs; waited += 1000) {
                const double before = processCpuSeconds();
                runFor(1000);
                const double second = processCpuSeconds() - before;
                if (previous >= 0 && std::abs(second - previous) < 0.005)
                    break;
                previous = second;
            }
            MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
            const auto playing = [doc] { return (doc->GetSequence()->GetState() & CSequence::statePlaying) != 0; };
            const auto wakeBefore = wakeUpsByThread();
            const auto cpuByThreadBefore = cpuByThread();
            const double cpuBefore = processCpuSeconds();
            QElapsedTimer wall;
            wall.start();
            bool ran = true;
            if (run == "play") {
                ran = app.Router().execute(kPlay) && runUntil(playing, kPatienceMs) &&
                      runUntil([&] { return !playing(); }, kPatienceMs + 60000);
            } else {
                runFor(kIdleSpanMs);
            }
            const double cpu = processCpuSeconds() - cpuBefore;
            const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
            const auto wakeAfter = wakeUpsByThread();
            const auto cpuByThreadAfter = cpuByThread();
            const WakeUps wakeUps = wakeUpsBetween(wakeBefore, wakeAfter);
            // Each thread's share, for whoever runs a child alone to see who wakes.
            for (const auto& [tid, count] : wakeAfter) {
                const auto earlier = wakeBefore.find(tid);
                std::ifstream comm("/proc/self/task/" + std::to_string(tid) + "/comm");
                std::string name;
                std::getline(comm, name);
                std::fprintf(stderr, "thread %ld %s: %ld wake-ups\n", tid, name.c_str(),
                             count - (earlier == wakeBefore.end() ? 0 : earlier->second));
            }
            // And each thread's processor time over the span.
            for (const auto& [tid, thread] : cpuByThreadAfter) {
                const auto earlier = cpuByThreadBefore.find(tid);
                std::fprintf(stderr, "thread %ld %s: %.2f s processor time\n", tid, thread.name.c_str(),
                             thread.seconds - (earlier == cpuByThreadBefore.end() ? 0 : earlier->second.seconds));
            }
            if (ran) {
                const auto mainAfter = cpuByThreadAfter.find(long(::getpid()));
                const auto mainBefore = cpuByThreadBefore.find(long(::getpid()));
                const double mainCpu = mainAfter == cpuByThreadAfter.end() || mainBefore == cpuByThreadBefore.end()
                                           ? 0.0
                                           : mainAfter->second.seconds - mainBefore->second.seconds;
                double engineCpu = 0;
                for (const auto& [tid, thread] : cpuByThreadAfter) {
                    if (thread.name != "audio engine")
                        continue;
                    const auto earlier = cpuByThreadBefore.find(tid);
                    engineCpu += thread.seconds - (earlier == cpuByThreadBefore.end() ? 0 : earlier->second.seconds);
                }
                std::printf("cpu=%.6f seconds=%.6f wakeups=%ld main_wakeups=%ld main_cpu=%.6f engine_cpu=%.6f\n", cpu, seconds,
                            wakeUps.all, wakeUps.main, mainCpu, engineCpu);
                result = 0;
            }
            if (playing())
                app.Router().execute(kStop);
        }
        if (app.Frame())
            app.Frame()->close();
        runUntil([] { return false; }, 200);
        app.ExitInstance();
    }
    plat::UserPrompt::setHook(previousPrompt);
    return result;
}

// ---- The parent: the benchmarks ---------------------------------------------------------------

using benchprogram::display;

std::string& self()
{
    static std::string path;
    return path;
}

// What a skipped benchmark lacks, or "".
std::string missing(bool withFluidSynth)
{
    if (!VirtualDisplay::Installed())
        return "Xvfb is not installed (scripts/setup-deps.sh installs it)";
    if (!fs::exists(plat::media::SynthProvider::kDefaultSoundFont))
        return "the sound font is not installed (scripts/setup-deps.sh installs it)";
    if (!fs::exists(piece()))
        return "the benchmark corpus is not there";
    if (withFluidSynth && !fs::exists(kFluidSynth))
        return "FluidSynth's player is not installed (package fluidsynth)";
    if (!display())
        return "Xvfb did not come up";
    return {};
}

// A child run of the program: its name=value figures, empty when it failed.
std::map<std::string, double> childRun(const std::string& run)
{
    std::map<std::string, double> figures;
    char pattern[] = "/tmp/quavix-programbench-XXXXXX";
    if (!::mkdtemp(pattern))
        return figures;
    const fs::path folder = pattern;
    const std::string command = "DISPLAY='" + display()->Name() + "' '" + self() + "' --program-run=" + run + " '" +
                                folder.string() + "' 2>/dev/null";
    if (FILE* out = ::popen(command.c_str(), "r")) {
        std::string said;
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, out))
            said += chunk;
        if (::pclose(out) == 0) {
            std::istringstream words(said);
            std::string word;
            while (words >> word) {
                if (const size_t equals = word.find('='); equals != std::string::npos)
                    figures[word.substr(0, equals)] = std::atof(word.c_str() + equals + 1);
            }
        }
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return figures;
}

void BM_ProgramAtRest(benchmark::State& state)
{
    if (const std::string lacking = missing(false); !lacking.empty()) {
        state.SkipWithError(lacking.c_str());
        return;
    }
    const bool playbackFile = state.range(0) != 0;
    double cpu = 0, seconds = 0, wakeUps = 0, mainWakeUps = 0;
    for (auto _ : state) {
        const auto figures = childRun(playbackFile ? "idle-file" : "idle");
        if (figures.empty()) {
            state.SkipWithError("the program did not run");
            return;
        }
        cpu += figures.at("cpu");
        seconds += figures.at("seconds");
        wakeUps += figures.at("wakeups");
        mainWakeUps += figures.at("main_wakeups");
    }
    state.counters["cpu_seconds_a_minute"] = seconds > 0 ? 60.0 * cpu / seconds : 0.0;
    state.counters["wakeups_a_second"] = seconds > 0 ? wakeUps / seconds : 0.0;
    state.counters["main_thread_wakeups_a_second"] = seconds > 0 ? mainWakeUps / seconds : 0.0;
}
// Argument: without (0) or with (1) a playback file.
BENCHMARK(BM_ProgramAtRest)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// FluidSynth's player rendering the piece into a file as fast as it can: its processor time.
double fluidSynthSeconds()
{
    const fs::path out = fs::temp_directory_path() / ("quavix-fluidsynth-" + std::to_string(::getpid()) + ".wav");
    const std::string rate = std::to_string(plat::media::AudioEngine::kDefaultSampleRate);
    const std::string gain = std::to_string(plat::media::FluidSynthInstance::kGain);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        const std::string soundFont(plat::media::SynthProvider::kDefaultSoundFont);
        ::execl(kFluidSynth, kFluidSynth, "-ni", "-q", "-r", rate.c_str(), "-g", gain.c_str(), "-F", out.c_str(),
                soundFont.c_str(), piece().c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    std::error_code ignored;
    fs::remove(out, ignored);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ProgramPlaying(benchmark::State& state)
{
    if (const std::string lacking = missing(true); !lacking.empty()) {
        state.SkipWithError(lacking.c_str());
        return;
    }
    double cpu = 0, mainCpu = 0, engineCpu = 0, seconds = 0, wakeUps = 0, peer = 0;
    for (auto _ : state) {
        const auto figures = childRun("play");
        // The player's figure is the middle one of three renderings: one rendering taken while
        // the machine is busy would swing the ratio by a tenth either way.
        std::vector<double> renderings;
        for (int run = 0; run < 3; ++run)
            renderings.push_back(fluidSynthSeconds());
        std::sort(renderings.begin(), renderings.end());
        const double player = renderings.front() < 0 ? -1.0 : renderings[1];
        if (figures.empty() || player < 0) {
            state.SkipWithError(figures.empty() ? "the program did not play" : "FluidSynth's player failed");
            return;
        }
        cpu += figures.at("cpu");
        mainCpu += figures.at("main_cpu");
        engineCpu += figures.at("engine_cpu");
        seconds += figures.at("seconds");
        wakeUps += figures.at("wakeups");
        peer += player;
    }
    state.counters["cpu_seconds"] = cpu;
    // The interface thread's share: what the windows following the play cost.
    state.counters["main_thread_cpu_seconds"] = mainCpu;
    // The audio engine's thread (the synthesizer, nearly all of it) and every other thread
    // (the device manager, the player, the port's callbacks, the timers).
    state.counters["audio_engine_cpu_seconds"] = engineCpu;
    state.counters["other_threads_cpu_seconds"] = cpu - mainCpu - engineCpu;
    state.counters["fluidsynth_player_cpu_seconds"] = peer;
    state.counters["ratio_to_fluidsynth_player"] = peer > 0 ? cpu / peer : 0.0;
    state.counters["wakeups_a_second"] = seconds > 0 ? wakeUps / seconds : 0.0;
}
BENCHMARK(BM_ProgramPlaying)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    // A child run: the program itself.
    if (argc >= 3 && std::strncmp(argv[1], "--program-run=", 14) == 0)
        return runProgram(argv[1] + 14, argv[2], argv[0]);

    self() = benchprogram::selfPath(argv[0]);
    return benchprogram::runBenchmarks(argc, argv);
}

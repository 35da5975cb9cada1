#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTrack.h"
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// The sequence's player: how many events it produces per second of processor time on a dense
// piece, and how late the events of a piece leave a memory MIDI output on the real clock.

namespace {

using plat::media::Backend;
using Steady = std::chrono::steady_clock;

constexpr int kStaves = 16;

// A piece of 16 staves at 120 beats per minute, staff n on channel n - 1 of output 0: notes
// spaced evenly over the staves, each lasting half the spacing, from a quarter note on.
class Piece {
public:
    Piece(float quarters, float spacing)
    {
        char pattern[] = "/tmp/quavix-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
        m_performance = new ECPerformance;
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, kStaves);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        ECConductorStaff* staff = conductor->GetConductorStaff();
        staff->GetConductorMeasureAtTime(MCTime(quarters + 4.0f), 1, 1);
        auto* tempo = new ECTempo;
        const MCTime zero(0.0f);
        tempo->SetTime(&zero);
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        staff->GetTempoEnv()->AddChild(tempo, 1);
        int index = 0;
        for (float time = 1.0f; time < quarters; time += spacing, ++index) {
            const int track = index % kStaves + 1;
            auto* note = new ECNote(MCTime(time), MCTime(spacing * 0.5f));
            note->SetVoiceTrack(0, track);
            conductor->GetMeasure(track, MCTime(time), 0, 0)->AddChild(note, 1);
            auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
            const auto key = static_cast<MIDIWORD>(36 + index % 60);
            data->SetNoteOnData(FCMidi(0x90u | key << 8 | 90u << 16));
            data->SetNoteOffData(FCMidi(0x80u | key << 8));
            ++m_notes;
        }
        for (int track = 1; track <= kStaves; ++track) {
            auto* data = plat::dynamicDowncast<DCsqTrack>(conductor->GetTrack(1, track, 0)->GetData(0, 1));
            for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
                data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(track - 1));
        }
    }
    ~Piece()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    // A sequence over the piece, located at its start.
    std::unique_ptr<CSequence> NewSequence()
    {
        auto sequence = std::make_unique<CSequence>();
        sequence->Attach(m_performance);
        sequence->CheckDataIntegrity();
        sequence->EnableAutoRewind(0);
        sequence->SetLocation(MCTime(0.0f));
        return sequence;
    }
    int Notes() const { return m_notes; }

private:
    std::string m_folder;
    ECPerformance* m_performance = nullptr;
    int m_notes = 0;
};

// The player gathering, filtering, splitting and converting the events of one slice after
// another through the sequence's callback, with no output to hand the records to (they are
// let go at once). The argument is the notes per second; the piece is played through, then
// located back to its start with the clock paused.
void BM_PlayerEventsPerSecond(benchmark::State& state)
{
    const auto notesPerSecond = static_cast<float>(state.range(0));
    constexpr float kQuarters = 64.0f;
    auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, 0, 0));
    auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
    {
        auto wavegate = std::make_unique<CWavegate>();
        wavegate->Initialize(CWavegate::WG_INIT_MIDI);
        Piece piece(kQuarters, 2.0f / notesPerSecond);
        std::unique_ptr<CSequence> sequence = piece.NewSequence();
        sequence->EnableAutoStop(1);
        const auto user = reinterpret_cast<uintptr_t>(sequence.get());
        sequence->Play();
        int tag = sequence->GetPerformTag();
        uint32_t begin = wavegate->GetBufferTime();
        int64_t slices = 0;
        int64_t passes = 0;
        for (auto _ : state) {
            if (CSequence::PerformProc(user, tag, begin, begin + 100) == 0) {
                state.PauseTiming();
                ++passes;
                sequence->SetLocation(MCTime(0.0f));
                sequence->Play();
                tag = sequence->GetPerformTag();
                // The device manager's clock stands: the play starts again where the first did.
                begin = wavegate->GetBufferTime() - 100;
                state.ResumeTiming();
            }
            begin += 100;
            ++slices;
        }
        sequence->Stop(0);
        CSequence::PerformProc(user, tag, begin, begin + 100);
        // Every note gives a note-on and a note-off; a pass through the piece plays them all.
        const double perSlice = 2.0 * piece.Notes() / (kQuarters * 5.0);
        state.counters["events_per_second"] = benchmark::Counter(perSlice * static_cast<double>(slices - passes), benchmark::Counter::kIsRate);
        sequence.reset();
        wavegate.reset();
    }
    Backend::install(std::move(previous));
}
BENCHMARK(BM_PlayerEventsPerSecond)->Arg(1600)->Arg(16000)->Unit(benchmark::kMicrosecond);

// A piece of an event every 5 ms for 3 seconds played by the sequence on the real clock into
// a memory MIDI output: the lateness of each event as it leaves (its moment on the monotonic
// clock against the moment playing started plus its time), in microseconds.
void BM_PlayedEventLateness(benchmark::State& state)
{
    std::vector<int64_t> lateness;
    for (auto _ : state) {
        lateness.clear();
        auto timers = std::make_unique<plat::media::RealTimerService>();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers, 1, 0);
        plat::media::MemoryMidiOut& out = memory->midiOut(0);
        providers.push_back(std::move(memory));
        auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        {
            auto wavegate = std::make_unique<CWavegate>();
            wavegate->Initialize(CWavegate::WG_INIT_MIDI);
            // 0.02 quarter notes are 10 ms at 120 beats per minute.
            Piece piece(7.0f, 0.02f);
            std::unique_ptr<CSequence> sequence = piece.NewSequence();
            sequence->EnableAutoStop(1);
            wavegate->OpenDevices();
            const int64_t startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count();
            wavegate->StartDevices();
            sequence->Play();
            std::this_thread::sleep_for(std::chrono::milliseconds(4500));
            sequence->Stop(1);
            wavegate->StopDevices();
            for (const auto& played : out.played()) {
                if (!played.immediate)
                    lateness.push_back(played.clockNs - (startNs + int64_t{played.streamMs} * 1'000'000));
            }
            sequence.reset();
            wavegate.reset();
        }
        Backend::install(std::move(previous));
    }
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness.empty() ? 0.0 : static_cast<double>(lateness[static_cast<size_t>(q * static_cast<double>(lateness.size() - 1))]) / 1000.0;
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = lateness.empty() ? 0.0 : static_cast<double>(lateness.back()) / 1000.0;
    state.counters["events"] = static_cast<double>(lateness.size());
}
BENCHMARK(BM_PlayedEventLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

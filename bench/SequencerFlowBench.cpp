// The sequence's flow and export roads: a 100 ms slice while the loop goes round and while edits
// arrive (processor time as a share of the slice), and the MIDI-file events of a long piece.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using plat::media::Backend;

constexpr int kStaves = 8;

// A piece of 8 staves at 120 beats per minute with notes every `spacing` quarter notes up to
// `quarters`, on memory outputs, with its sequence.
class Piece {
public:
    Piece(float quarters, float spacing)
    {
        char pattern[] = "/tmp/quavix-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, 1, 0));
        m_previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);

        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, kStaves);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        ECConductorStaff* staff = m_conductor->GetConductorStaff();
        staff->GetConductorMeasureAtTime(MCTime(quarters + 4.0f), 1, 1);
        auto* tempo = new ECTempo;
        tempo->SetTime(&MCTime::TimeZero());
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        staff->GetTempoEnv()->AddChild(tempo, 1);
        int index = 0;
        for (float time = 0.0f; time < quarters; time += spacing, ++index) {
            const int track = index % kStaves + 1;
            ECMeasure* measure = m_conductor->GetMeasure(track, MCTime(time), 0, 0);
            auto* note = new ECNote(MCTime(time), MCTime(spacing));
            note->SetVoiceTrack(0, track);
            measure->AddChild(note, 1);
            auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
            const auto channel = static_cast<MIDIWORD>(track - 1);
            const auto key = static_cast<MIDIWORD>(36 + index % 60);
            data->SetNoteOnData(FCMidi((0x90 | channel) | key << 8 | 90u << 16));
            data->SetNoteOffData(FCMidi((0x80 | channel) | key << 8));
            m_notes.push_back(note);
        }
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_performance);
        m_sequence->CheckDataIntegrity();
        m_sequence->EnableAutoStop(0);
    }
    ~Piece()
    {
        m_sequence.reset();
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
        m_wavegate.reset();
        Backend::install(std::move(m_previous));
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    CSequence& Sequence() { return *m_sequence; }
    CWavegate& Wavegate() { return *m_wavegate; }
    ECPerformance* Performance() { return m_performance; }
    const std::vector<ECNote*>& Notes() const { return m_notes; }

private:
    std::string m_folder;
    std::unique_ptr<Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
    std::vector<ECNote*> m_notes;
    std::unique_ptr<CSequence> m_sequence;
};

// The thread's processor time per iteration as a percentage of one 100 ms slice.
class SliceShare {
public:
    SliceShare() : m_start(cpuSeconds()) {}
    void Report(benchmark::State& state) const
    {
        const double perSlice =
            (cpuSeconds() - m_start) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["percent_of_slice"] = 100.0 * perSlice / 0.1;
    }

private:
    static double cpuSeconds()
    {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
    double m_start;
};

// Slices of a loop region of 0.2 quarter notes (100 ms): every slice reaches the loop's end
// and goes round, moving the timing back to the loop's start.
void BM_SliceWhileTheLoopWraps(benchmark::State& state)
{
    Piece piece(64.0f, 0.05f);
    CSequence& sequence = piece.Sequence();
    sequence.SetLoopRegion(MCTime(8.0f), MCTime(8.2f));
    sequence.EnableLoopRegion(1);
    sequence.SetLocation(MCTime(8.0f));
    sequence.Play();
    const int tag = sequence.GetPerformTag();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    uint32_t begin = piece.Wavegate().GetBufferTime();
    const SliceShare share;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        begin += 100;
    }
    share.Report(state);
    state.counters["unwrapped_quarters"] = sequence.GetUnwrappedTimeOffset().GetSeconds();
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
BENCHMARK(BM_SliceWhileTheLoopWraps)->Unit(benchmark::kMicrosecond);

// A note moved ahead of the play by a command, then the slice: the edit goes through the
// command manager and the sequence's data list under the locks the slice takes too.
void BM_SliceWhileAnEditArrives(benchmark::State& state)
{
    Piece piece(2048.0f, 0.25f);
    CSequence& sequence = piece.Sequence();
    sequence.SetLocation(MCTime(0.0f));
    sequence.Play();
    const int tag = sequence.GetPerformTag();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    uint32_t begin = piece.Wavegate().GetBufferTime();
    size_t next = piece.Notes().size() / 2;
    const SliceShare share;
    for (auto _ : state) {
        ECNote* note = piece.Notes()[next];
        const MCTime moved(note->GetTime()->GetSeconds() + 0.125f);
        auto* edit = new CCEditTime(note, &moved);
        edit->SetCanUndo(0);
        edit->SetSynchronous(1);
        edit->Apply(piece.Performance());
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        begin += 100;
        next = next + 1 < piece.Notes().size() ? next + 1 : piece.Notes().size() / 2;
    }
    share.Report(state);
    state.counters["playing"] = sequence.TestState(CSequence::statePlaying);
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
// 5000 slices stay inside the piece's 2048 quarter notes.
BENCHMARK(BM_SliceWhileAnEditArrives)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// The MIDI-file events of a piece of 50,000 notes (100,000 events), window after window of a
// bar, merged in time order.
void BM_MidiFileEventsOfALongPiece(benchmark::State& state)
{
    Piece piece(6250.0f, 0.125f);
    CSequence& sequence = piece.Sequence();
    size_t events = 0;
    for (auto _ : state) {
        sequence.SetMidiWriting(1);
        CWGEventList out;
        int done = 0;
        for (int bar = 0; !done && bar < 100000; ++bar) {
            MCTime from(4.0f * static_cast<float>(bar));
            MCTime to(4.0f * static_cast<float>(bar + 1));
            done = sequence.GetMidiFileEvents(from, to, CSequence::kEveryTrack, out);
        }
        sequence.SetMidiWriting(0);
        events += out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["events"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["events_per_piece"] = static_cast<double>(events) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MidiFileEventsOfALongPiece)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

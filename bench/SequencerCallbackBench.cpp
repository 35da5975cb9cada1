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
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using plat::media::Backend;

constexpr int kChannels = 16;
constexpr float kQuarters = 64.0f;  // 32 seconds at 120 beats per minute

// A device manager over 16 memory outputs and a piece of 16 staves at 120 beats per minute
// holding the given number of notes per second spread over the 16 channels, with its sequence.
class DensePiece {
public:
    explicit DensePiece(int notesPerSecond)
    {
        char pattern[] = "/tmp/quavix-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, kChannels, 0));
        m_previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);

        m_performance = new ECPerformance;
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, kChannels);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        ECConductorStaff* staff = conductor->GetConductorStaff();
        staff->GetConductorMeasureAtTime(MCTime(kQuarters + 4.0f), 1, 1);
        // A tempo mark every four bars keeps the tempo map busy without changing the density.
        for (float time = 0.0f; time < kQuarters; time += 16.0f) {
            auto* tempo = new ECTempo;
            MCTime at(time);
            tempo->SetTime(&at);
            tempo->SetTempo(120.0f, 1.0f);
            tempo->SetStyle(ECEnvPoint::styleStep);
            staff->GetTempoEnv()->AddChild(tempo, 1);
        }
        const float spacing = 2.0f / static_cast<float>(notesPerSecond);  // quarter notes
        int index = 0;
        for (float time = 0.0f; time < kQuarters; time += spacing, ++index) {
            const int track = index % kChannels + 1;
            ECMeasure* measure = conductor->GetMeasure(track, MCTime(time), 0, 0);
            auto* note = new ECNote(MCTime(time), MCTime(0.5f));
            note->SetVoiceTrack(0, track);
            measure->AddChild(note, 1);
            auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
            const MIDIWORD channel = static_cast<MIDIWORD>(index % kChannels);
            const MIDIWORD key = static_cast<MIDIWORD>(36 + index % 60);
            data->SetNoteOnData(FCMidi((0x90 | channel) | key << 8 | 90u << 16));
            data->SetNoteOffData(FCMidi((0x80 | channel) | key << 8));
        }
        // Staff n plays on channel n - 1.
        for (int track = 1; track <= kChannels; ++track) {
            if (auto* trackData = plat::dynamicDowncast<DCsqTrack>(conductor->GetTrack(1, track, 0)->GetData(0, 1)))
                trackData->GetVoiceMap(0)->SetChannel(static_cast<unsigned>(track - 1));
        }
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_performance);
        m_sequence->CheckDataIntegrity();
        m_sequence->EnableAutoStop(0);
        m_sequence->EnableLoopRegion(1);
    }
    ~DensePiece()
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

    CSequence& Sequence() { return *m_sequence; }
    CWavegate& Wavegate() { return *m_wavegate; }

private:
    std::string m_folder;
    std::unique_ptr<Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    ECPerformance* m_performance = nullptr;
    std::unique_ptr<CSequence> m_sequence;
};

double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The thread's processor time per iteration as a percentage of one 100 ms slice.
class SliceShare {
public:
    SliceShare() : m_start(threadCpuSeconds()) {}
    void Report(benchmark::State& state) const
    {
        const double perSlice = (threadCpuSeconds() - m_start) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["percent_of_slice"] = 100.0 * perSlice / 0.1;
    }

private:
    double m_start;
};

// The performance callback answering one slice after another of the piece: timing, tempo and
// whatever the sequence's player and metronome hand over for the slice. Only slices inside
// the piece are timed: when it has played to its end it starts again from the top, the stop
// and the start untimed. What a slice handed over goes to the devices untimed as well, as the
// device manager's write after each poll does, so the output lists do not grow.
void BM_PerformSlice(benchmark::State& state)
{
    constexpr uint32_t kSlicesInPiece = static_cast<uint32_t>(kQuarters * 0.5f * 10.0f);   // 0.5 s a quarter
    DensePiece piece(static_cast<int>(state.range(0)));
    CSequence& sequence = piece.Sequence();
    CWavegate& wavegate = piece.Wavegate();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    const auto write = [&] {
        std::lock_guard lock(wavegate.GetMainLock());
        wavegate.WriteBuffers();
    };
    int tag = 0;
    uint32_t begin = 0;
    uint32_t slice = kSlicesInPiece;
    double timed = 0;
    double sliceCpu = 0;
    for (auto _ : state) {
        if (slice == kSlicesInPiece) {
            state.PauseTiming();
            if (tag) {
                // Nothing else polls: the next slice completes the stop.
                sequence.Stop(0);
                CSequence::PerformProc(user, tag, begin, begin + 100);
                write();
            }
            sequence.SetLocation(MCTime(0.0f));
            sequence.Play();
            tag = sequence.GetPerformTag();
            begin = wavegate.GetBufferTime();
            slice = 0;
            state.ResumeTiming();
        }
        const double before = threadCpuSeconds();
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        sliceCpu += threadCpuSeconds() - before;
        state.PauseTiming();
        write();
        begin += 100;
        ++slice;
        ++timed;
        state.ResumeTiming();
    }
    state.counters["percent_of_slice"] = 100.0 * sliceCpu / std::max(timed, 1.0) / 0.1;
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
BENCHMARK(BM_PerformSlice)->Arg(100)->Arg(1600)->Unit(benchmark::kMicrosecond);

// What reaches the device manager in one slice of the dense piece: the events of the window's
// notes from their data, split into their halves, timed in performance time, converted through
// the voice maps, merged into the output lists and written to the devices.
void BM_DenseSliceConversion(benchmark::State& state)
{
    DensePiece piece(static_cast<int>(state.range(0)));
    CSequence& sequence = piece.Sequence();
    sequence.SetLocation(MCTime(0.0f));
    DCsqBase* cursor = sequence.GetHead();
    float windowBegin = 0.0f;
    const SliceShare share;
    for (auto _ : state) {
        const float windowEnd = windowBegin + 0.2f;
        CSeqEventList events;
        for (; cursor && cursor->GetOwner()->GetTime()->GetSeconds() < windowEnd; cursor = cursor->GetNext())
            cursor->GetEventData(events, &sequence);
        CWGEventList records;
        for (auto& event : events) {
            std::unique_ptr<CSeqEvent> off = event->SplitNoteOff();
            sequence.AbsoluteTime(event->GetTimeStamp());
            event->ConvertData(records, 0);
            if (off) {
                sequence.AbsoluteTime(off->GetTimeStamp());
                off->ConvertData(records, 0);
            }
        }
        piece.Wavegate().PlayBuffer(records);
        piece.Wavegate().PollPerformances();
        windowBegin = windowEnd;
        if (!cursor) {
            cursor = sequence.GetHead();
            windowBegin = 0.0f;
        }
    }
    share.Report(state);
}
BENCHMARK(BM_DenseSliceConversion)->Arg(100)->Arg(1600)->Unit(benchmark::kMicrosecond);

}  // namespace

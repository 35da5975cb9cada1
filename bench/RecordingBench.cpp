#include "bench/BenchSliceShare.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECTrack.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Recording: how many incoming MIDI messages per second of processor time pass through the
// recorder's routing, input filter and quantizer into the score transcription, their elements
// added to the piece by the command manager; and what one slice of the performance callback
// (the driver thread's work) costs while the piece records what comes in.

namespace {

using plat::media::Backend;

constexpr int kMessages = 10000;

class Recording {
public:
    Recording()
    {
        char pattern[] = "/tmp/quavix-bench-record-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
        auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*m_timers, 1, 1));
        m_previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);

        m_performance = new ECPerformance;
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* tempo = new ECTempo;
        tempo->SetTime(&MCTime::TimeZero());
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        conductor->GetConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, 1);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(4000.0f), 1, 1);

        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_performance);
        m_sequence->EnableRecordLeadIn(0);
        m_sequence->EnableAutoStop(0);
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
        m_timers->advance(500);
        m_wavegate->SyncDriverThread();
        m_sequence->Record();
        m_performance->SetCommandRate(0);
        plat::MessageLoop::current().pump();
    }
    ~Recording()
    {
        m_sequence->Stop(0);
        plat::MessageLoop::current().pump();
        m_sequence.reset();
        plat::MessageLoop::current().pump();
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
        m_wavegate.reset();
        Backend::install(std::move(m_previous));
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // A phrase of notes, an eighth apart at 120, on and off, then the commands run.
    void Play(uint32_t fromMs)
    {
        const int tag = m_sequence->GetRecordTag();
        CWGEventData event;
        event.type = CWGEventData::WG_EVENT_MIDI;
        for (int i = 0; i < kMessages; i += 2) {
            const uint32_t key = 36 + static_cast<uint32_t>(i / 2 % 48);
            const uint32_t at = fromMs + static_cast<uint32_t>(i / 2) * 250;
            event.data = 0x90 | key << 8 | 100u << 16;
            event.time = at;
            m_sequence->RecordProc(tag, &event);
            event.data = 0x80 | key << 8;
            event.time = at + 200;
            m_sequence->RecordProc(tag, &event);
        }
        plat::MessageLoop::current().pump();
    }

    CSequence& Sequence() { return *m_sequence; }
    CWavegate& Wavegate() { return *m_wavegate; }

    // The notes the staff holds.
    int Notes()
    {
        int count = 0;
        Count(m_sequence->GetConductor()->GetTrack(ECConductor::staffTrack, 1, 0), count);
        return count;
    }

private:
    static void Count(ECBase* element, int& count)
    {
        MCEventList* children = element ? element->GetChildren() : nullptr;
        if (!children)
            return;
        for (ECBase* child : *children) {
            count += child->GetEventId() == EventId::Note ? 1 : 0;
            Count(child, count);
        }
    }

    std::string m_folder;
    plat::media::ManualTimerService* m_timers = nullptr;
    std::unique_ptr<Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    ECPerformance* m_performance = nullptr;
    std::unique_ptr<CSequence> m_sequence;
};

void BM_RecordIncomingNotes(benchmark::State& state)
{
    Recording recording;
    if (recording.Sequence().GetRecordTag() == 0) {
        state.SkipWithError("the sequence is not recording");
        return;
    }
    LCsqQuantize& quantizer = recording.Sequence().GetMidiRecorder().GetQuantizer();
    quantizer.SetPrimaryDivision(4);
    quantizer.SetQuantizationPercent(100);
    quantizer.SetQuantizationMode(1);
    quantizer.SetEnabled(state.range(0));
    uint32_t from = 1000;
    for (auto _ : state) {
        recording.Play(from);
        from += kMessages / 2 * 250;
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
    state.counters["notes"] = recording.Notes();
    state.SetLabel(state.range(0) ? "quantized" : "as played");
}

}  // namespace

BENCHMARK(BM_RecordIncomingNotes)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

namespace {

// The performance callback answering one 100 ms slice after another while the sequence
// records, with notes coming in at the argument's rate a second (each held half the time to
// the next, or 50 ms with none): the thread's processor time in the callback as a percentage
// of the slice. The notes of a slice come in and are recorded (the document's thread's work)
// before the slice, untimed; what a slice hands over goes to the devices untimed as well, as
// the device manager's write after each poll does.
void BM_RecordingSlice(benchmark::State& state)
{
    const auto perSecond = static_cast<uint32_t>(state.range(0));
    Recording recording;
    CSequence& sequence = recording.Sequence();
    CWavegate& wavegate = recording.Wavegate();
    const int recordTag = sequence.GetRecordTag();
    const int tag = sequence.GetPerformTag();
    if (recordTag == 0 || tag == 0) {
        state.SkipWithError("the sequence is not recording");
        return;
    }
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    const uint32_t spacing = perSecond ? 1000 / perSecond : 0;
    uint32_t begin = wavegate.GetBufferTime();
    uint32_t nextNote = begin;
    uint32_t key = 36;
    CWGEventData event;
    event.type = CWGEventData::WG_EVENT_MIDI;
    double sliceCpu = 0;
    int64_t slices = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (; spacing && nextNote < begin + 100; nextNote += spacing) {
            event.data = 0x90 | key << 8 | 100u << 16;
            event.time = nextNote;
            sequence.RecordProc(recordTag, &event);
            event.data = 0x80 | key << 8;
            event.time = nextNote + std::min<uint32_t>(spacing / 2, 50);
            sequence.RecordProc(recordTag, &event);
            key = key == 84 ? 36 : key + 1;
        }
        plat::MessageLoop::current().pump();
        state.ResumeTiming();
        const double before = BenchSliceShare::ThreadCpuSeconds();
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        sliceCpu += BenchSliceShare::ThreadCpuSeconds() - before;
        state.PauseTiming();
        {
            std::lock_guard lock(wavegate.GetMainLock());
            wavegate.WriteBuffers();
        }
        begin += 100;
        ++slices;
        state.ResumeTiming();
    }
    state.counters["percent_of_slice"] = 100.0 * sliceCpu / static_cast<double>(std::max<int64_t>(slices, 1)) / 0.1;
    state.counters["notes"] = recording.Notes();
}

}  // namespace

BENCHMARK(BM_RecordingSlice)->Arg(0)->Arg(10)->Arg(100)->Iterations(600)->Unit(benchmark::kMicrosecond);

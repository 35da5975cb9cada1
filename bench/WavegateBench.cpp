#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using plat::media::Backend;

// A device manager over memory outputs on a manual clock, for the length of one benchmark.
class Rig {
public:
    explicit Rig(int outputs)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*m_timers, outputs, 0);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);
    }
    ~Rig()
    {
        m_wavegate.reset();
        Backend::install(std::move(m_previous));
    }

    CWavegate& wavegate() { return *m_wavegate; }
    plat::media::ManualTimerService& timers() { return *m_timers; }
    plat::media::MemoryProvider& memory() { return *m_memory; }

    void Settle()
    {
        for (int i = 0; i < m_wavegate->GetDeviceCount(0, 1); ++i)
            static_cast<CMidiOut*>(m_wavegate->GetDevice(0, 1, i))->Sync();
    }

    // Returns the queued blocks and primes the outputs again.
    void Flush()
    {
        m_wavegate->CloseDevices();
        m_wavegate->OpenDevices();
    }

private:
    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryProvider* m_memory = nullptr;
    std::unique_ptr<Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};

struct Script {
    int outputs;
    int events;
};

// Hands `events` short messages per slice, spread over the outputs and over the slice.
int ScriptProc(uintptr_t user, int tag, uint32_t from, uint32_t)
{
    if (tag < 0)
        return 1;
    const auto* script = reinterpret_cast<const Script*>(user);
    CWGEventList list;
    for (int i = 0; i < script->events; ++i) {
        auto event = std::make_unique<CWGEventData>();
        event->SetMidiData(i % 2 ? 0x00403C90u : 0x00003C80u);
        event->time = from + static_cast<uint32_t>(i * 100 / script->events);
        event->device = i % script->outputs;
        list.push_back(std::move(event));
    }
    CWavegate::GetWavegate()->PlayBuffer(list);
    return 1;
}

// One poll of a performance that hands 1,000 events per slice to 8 outputs, and the write
// that packs them into one stream block per output and queues it.
void BM_PollAndWrite(benchmark::State& state)
{
    Script script{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
    Rig rig(script.outputs);
    CWavegate& wg = rig.wavegate();
    wg.StartPerformance(&ScriptProc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg.OpenDevices();
    int sinceFlush = 0;
    for (auto _ : state) {
        wg.PollPerformances();
        if (++sinceFlush == 64) {
            state.PauseTiming();
            rig.Flush();
            sinceFlush = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * script.events);
}
BENCHMARK(BM_PollAndWrite)->Args({8, 1000})->Args({1, 1000})->Args({8, 0})->Unit(benchmark::kMicrosecond);

// The 100 ms cycle of a program that plays nothing: every output running, the timing
// output's returned block polls no performance and writes an empty block to each output.
// One iteration is one whole cycle on the manual clock, thread hand-offs included.
void BM_IdleCycle(benchmark::State& state)
{
    Rig rig(static_cast<int>(state.range(0)));
    CWavegate& wg = rig.wavegate();
    wg.OpenDevices();
    wg.StartDevices();
    for (auto _ : state) {
        rig.timers().advance(100);
        rig.Settle();
    }
    state.counters["blocks queued"] = static_cast<double>(rig.memory().midiOut(0).queuedBlocks());
}
BENCHMARK(BM_IdleCycle)->Arg(8)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

#pragma once

// A device manager over memory MIDI outputs on a manual clock, installed as the media backend
// in place of the one before; both go with the object. The player benchmarks count what the
// first output played, so their figures are of events that really left the player.

#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

class BenchManualOutput {
public:
    explicit BenchManualOutput(int outputs = 1)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*m_timers, outputs, 0);
        m_out = &memory->midiOut(0);
        providers.push_back(std::move(memory));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
    }
    ~BenchManualOutput()
    {
        m_wavegate->StopDevices();
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
    }
    BenchManualOutput(const BenchManualOutput&) = delete;
    BenchManualOutput& operator=(const BenchManualOutput&) = delete;

    // The clock moves on by ms; the driver polls the performances and the outputs play what
    // came due.
    void Advance(uint32_t ms)
    {
        m_timers->advance(ms);
        const int outputs = m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT);
        for (int round = 0; round < 2; ++round) {
            m_wavegate->SyncDriverThread();
            for (int i = 0; i < outputs; ++i)
                m_wavegate->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, i)->Sync();
        }
    }
    // Plays the sequence 100 ms a timed iteration, from the top again whenever it ends, and
    // reports the events that left the first output.
    void PlayCounted(benchmark::State& state, CSequence& sequence)
    {
        sequence.EnableAutoStop(1);
        sequence.Play();
        size_t events = 0;
        for (auto _ : state) {
            Advance(100);
            events += TakeStreamed();
            if (sequence.TestState(CSequence::stateStopped)) {
                state.PauseTiming();
                sequence.SetLocation(MCTime(0.0f));
                sequence.Play();
                state.ResumeTiming();
            }
        }
        sequence.Stop(0);
        Advance(200);
        state.counters["events_per_second"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
        state.counters["events"] = static_cast<double>(events);
    }
    // The messages the output has played from its stream since the last call.
    size_t TakeStreamed()
    {
        size_t count = 0;
        for (const auto& played : m_out->takePlayed())
            count += played.immediate ? 0 : 1;
        return count;
    }

private:
    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryMidiOut* m_out = nullptr;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};

#pragma once

#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWavegate.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A device manager over memory devices on a manual clock. Step() moves the clock and then
// waits until the driver and device threads have handled what the clock set off, so every
// check sees a settled state and nothing sleeps.
class WavegateTest : public ::testing::Test {
protected:
    static constexpr uint32_t kStartMs = 10000;

    void InstallBackend(int midiOuts, int midiIns)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(kStartMs);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*m_timers, midiOuts, midiIns);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_installed = true;
    }

    void SetUp() override { InstallBackend(2, 1); }

    void TearDown() override
    {
        Exit();
        if (m_installed)
            plat::media::Backend::install(std::move(m_previous));
    }

    // Makes the manager when there is none, and initializes it.
    CWavegate& Init(uint32_t flags = CWavegate::WG_INIT_MIDI)
    {
        if (!m_wavegate)
            m_wavegate = std::make_unique<CWavegate>();
        EXPECT_EQ(m_wavegate->Initialize(flags), 1);
        return *m_wavegate;
    }

    void Exit() { m_wavegate.reset(); }

    CMidiOut& MidiOut(int index)
    {
        return *static_cast<CMidiOut*>(CWavegate::GetWavegate()->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, index));
    }

    void Settle()
    {
        CWavegate* wavegate = CWavegate::GetWavegate();
        for (int round = 0; round < 2; ++round) {
            wavegate->SyncDriverThread();
            for (int i = 0; i < wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT); ++i)
                MidiOut(i).Sync();
        }
    }

    // Moves the clock in steps of at most stepMs, settling after each.
    void Step(uint32_t ms, uint32_t stepMs = 10)
    {
        while (ms > 0) {
            const uint32_t step = std::min(ms, stepMs);
            m_timers->advance(step);
            Settle();
            ms -= step;
        }
    }

    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryProvider* m_memory = nullptr;

private:
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    bool m_installed = false;
};

inline std::unique_ptr<CWGEventData> MidiEvent(uint32_t time, uint32_t msg, int device = 0)
{
    auto event = std::make_unique<CWGEventData>();
    event->SetMidiData(msg);
    event->time = time;
    event->device = device;
    return event;
}

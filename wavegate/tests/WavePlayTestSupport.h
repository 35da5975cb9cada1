#pragma once

#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/AudioSink.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavegate.h"
#include "wavegate/tests/WaveFileImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

// A family with nothing but extra devices given to it: sound outputs over engines of the
// test, and a MIDI output port factory when wanted.
class TestSoundProvider final : public plat::media::DeviceProvider {
public:
    explicit TestSoundProvider(std::vector<SoundOutput> outputs) : m_outputs(std::move(outputs)) {}
    std::string name() const override { return "test-sound"; }
    std::vector<plat::media::MidiOutPort::Caps> midiOuts() const override { return {}; }
    std::vector<plat::media::MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<plat::media::WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<plat::media::WaveInDevice::Caps> waveIns() const override { return {}; }
    std::unique_ptr<plat::media::MidiOutPort> createMidiOut(int) override { return nullptr; }
    std::unique_ptr<plat::media::MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<plat::media::WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<plat::media::WaveInDevice> createWaveIn(int) override { return nullptr; }
    std::vector<SoundOutput> soundOutputs() const override { return m_outputs; }

private:
    std::vector<SoundOutput> m_outputs;
};

// How far the manager has polled the performances: told the end of each slice by a
// performance (or polled as one itself, registered after the one under test, so that once it
// has seen a slice so has the other).
class SliceProbe {
public:
    static int Poll(uintptr_t user, int tag, uint32_t /*from*/, uint32_t to)
    {
        if (tag >= 0)
            reinterpret_cast<SliceProbe*>(user)->Written(to);
        return 1;
    }
    void Written(uint32_t to)
    {
        std::lock_guard lock(m_mutex);
        m_written = std::max(m_written, to);
        m_polled.notify_all();
    }
    // False when the slices up to ms were not asked for within a few seconds.
    bool WaitWritten(uint32_t ms)
    {
        std::unique_lock lock(m_mutex);
        return m_polled.wait_for(lock, std::chrono::seconds(10), [&] { return m_written >= ms; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_polled;
    uint32_t m_written = 0;   // the end of the slices asked for so far
};

// A device manager whose one wave output mixes into an audio engine on a manual clock, with
// the memory MIDI devices beside it. Step() moves the clock a little at a time and lets the
// engine, the players and the driver catch up after each move, so nothing sleeps.
class WavePlayTest : public ::testing::Test {
protected:
    static constexpr uint32_t kStartMs = 10000;

    // extra: further families (a synthesizer on the same engine).
    void Install(std::unique_ptr<plat::media::AudioSink> sink,
                 std::function<std::vector<std::unique_ptr<plat::media::DeviceProvider>>(
                     plat::media::TimerService&, std::shared_ptr<plat::media::AudioEngine>)> extra = {})
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(kStartMs);
        m_timers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(*m_timers, std::move(sink));
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        if (extra)
            providers = extra(*m_timers, m_engine);
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*m_timers, 1, 0));
        providers.push_back(std::make_unique<TestSoundProvider>(
            std::vector<plat::media::DeviceProvider::SoundOutput>{{"Test sound output", m_engine}}));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_installed = true;
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_MIDI | CWavegate::WG_INIT_WAVE), 1);
    }

    void TearDown() override
    {
        m_wavegate.reset();
        m_engine.reset();
        if (m_installed)
            plat::media::Backend::install(std::move(m_previous));
    }

    CWaveOut& WaveOut(int index = 0)
    {
        return *static_cast<CWaveOut*>(m_wavegate->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, index));
    }

    void Settle()
    {
        for (int round = 0; round < 2; ++round) {
            m_engine->waitCaughtUp();
            EXPECT_TRUE(WaveOut().SyncPlayers());
            m_wavegate->SyncDriverThread();
            WaveOut().Sync();
            for (int i = 0; i < m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT); ++i)
                m_wavegate->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, i)->Sync();
        }
    }

    void Step(uint32_t ms, uint32_t stepMs = 5)
    {
        while (ms > 0) {
            const uint32_t step = std::min(ms, stepMs);
            m_timers->advance(step);
            Settle();
            ms -= step;
        }
    }

    // Moves the clock while a piece plays into a synthesizer. The synthesizer returns its
    // blocks from a thread of its own, and each returned block has the manager poll for the
    // next slice: without waiting for that poll the manual clock outruns it, and a slice
    // queued late plays late. A block has come back once the engine has rendered past its end,
    // which its blocks of 256 frames reach within 6 ms; each one returned tops the output up
    // to the block playing and the prefetch count of blocks ahead.
    void StepPlaying(SliceProbe& probe, uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 5) {
            Step(std::min(5u, ms - done));
            const uint32_t playTime = m_timers->clock().nowMs() - m_wavegate->GetPlayStartTime();
            if (playTime < CWavegate::kGranularityMs + 6)
                continue;
            const auto ahead = static_cast<uint32_t>(m_wavegate->GetPrefetchBufferCount()) + 1;
            const uint32_t wanted = ((playTime - 6) / CWavegate::kGranularityMs + ahead) * CWavegate::kGranularityMs;
            ASSERT_TRUE(probe.WaitWritten(wanted)) << "at " << playTime << " ms no poll asked for the slices up to " << wanted;
        }
    }

    // A stopped synthesizer hands its blocks back only as the engine renders on: the clock
    // moves while the devices close.
    void CloseWhileTheClockMoves()
    {
        auto closing = std::async(std::launch::async, [this] { return m_wavegate->CloseDevices(); });
        while (closing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            m_timers->advance(5);
            m_engine->waitCaughtUp();
        }
        ASSERT_EQ(closing.get(), 1);
    }

    plat::media::ManualTimerService* m_timers = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    std::unique_ptr<CWavegate> m_wavegate;

private:
    std::unique_ptr<plat::media::Backend> m_previous;
    bool m_installed = false;
};

// 16-bit stereo samples that are never 0 and stay below half scale, so that they come
// through float mixing and a 16-bit file sink unchanged.
inline std::vector<int16_t> DistinctSamples(size_t frames, int seed = 1)
{
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<int16_t>(1 + static_cast<int>((i * 7 + static_cast<size_t>(seed)) % 16000)));
        s.push_back(static_cast<int16_t>(-1 - static_cast<int>((i * 5 + static_cast<size_t>(seed)) % 16000)));
    }
    return s;
}

inline std::vector<uint8_t> WaveBytes(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate)
{
    std::vector<uint8_t> data;
    for (int16_t v : samples) {
        data.push_back(static_cast<uint8_t>(v));
        data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return WaveFileImage().Fmt(channels, rate, 16).Chunk("data", data).Bytes();
}

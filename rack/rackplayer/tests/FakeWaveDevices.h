#pragma once

#include "platform/media/DeviceProvider.h"
#include "platform/media/WaveInDevice.h"
#include "platform/media/WaveOutDevice.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

namespace rack::test {

// What the fake wave devices of a test did, and what the test lets them do.
struct FakeWaveState {
    // Output: bytes queued and not yet played, the bytes heard in order, and how many.
    std::deque<uint8_t> queued;
    std::vector<uint8_t> heard;
    uint64_t played = 0;
    bool outOpen = false;
    bool outStarted = false;
    plat::media::PcmFormat outFormat;
    // Input: the buffers added and not yet handed back.
    struct Added {
        std::span<uint8_t> buffer;
        uintptr_t user;
    };
    std::deque<Added> added;
    plat::media::WaveInDevice::Events* inEvents = nullptr;
    bool inOpen = false;
    bool inStarted = false;
    // The input refuses to open (a device another program holds, a format it does not take).
    bool inRefuses = false;
    plat::media::PcmFormat inFormat;
    uint32_t maxRate = 48000;
    uint16_t maxChannels = 2;

    // The speaker plays up to count queued bytes while started.
    void play(size_t count)
    {
        if (!outStarted)
            return;
        for (size_t i = 0; i < count && !queued.empty(); ++i) {
            heard.push_back(queued.front());
            queued.pop_front();
            ++played;
        }
    }
    void playAll() { play(queued.size()); }

    // The microphone fills the oldest buffer with bytes (cut to its size) and hands it back.
    bool record(const std::vector<uint8_t>& bytes)
    {
        if (added.empty() || !inEvents)
            return false;
        const Added next = added.front();
        added.pop_front();
        const size_t size = std::min(bytes.size(), next.buffer.size());
        std::memcpy(next.buffer.data(), bytes.data(), size);
        inEvents->done(next.user, size);
        return true;
    }
};

class FakeWaveOut final : public plat::media::WaveOutDevice {
public:
    explicit FakeWaveOut(FakeWaveState& state) : m_state(state) {}
    int open(const plat::media::PcmFormat& format) override
    {
        m_state.outOpen = true;
        m_state.outFormat = format;
        m_playedAtOpen = m_state.played;
        return 0;
    }
    int write(std::span<const uint8_t> bytes) override
    {
        m_state.queued.insert(m_state.queued.end(), bytes.begin(), bytes.end());
        return 0;
    }
    int start() override
    {
        m_state.outStarted = true;
        return 0;
    }
    int stop() override
    {
        // What was queued and not played is dropped; the played count stays.
        m_state.outStarted = false;
        m_state.queued.clear();
        return 0;
    }
    int close() override
    {
        m_state.outOpen = false;
        m_state.queued.clear();
        return 0;
    }
    // Counted from the open, as every device does.
    uint64_t playedBytes() const override { return m_state.played - m_playedAtOpen; }
    std::string errorText(int) const override { return "fake"; }

private:
    FakeWaveState& m_state;
    uint64_t m_playedAtOpen = 0;
};

class FakeWaveIn final : public plat::media::WaveInDevice {
public:
    explicit FakeWaveIn(FakeWaveState& state) : m_state(state) {}
    int open(const plat::media::PcmFormat& format, Events* events) override
    {
        if (m_state.inRefuses)
            return 1;
        m_state.inOpen = true;
        m_state.inFormat = format;
        m_state.inEvents = events;
        return 0;
    }
    int add(std::span<uint8_t> buffer, uintptr_t user) override
    {
        m_state.added.push_back({buffer, user});
        return 0;
    }
    int start() override
    {
        m_state.inStarted = true;
        return 0;
    }
    int stop() override
    {
        m_state.inStarted = false;
        return 0;
    }
    int reset() override
    {
        while (!m_state.added.empty()) {
            const auto next = m_state.added.front();
            m_state.added.pop_front();
            m_state.inEvents->done(next.user, 0);
        }
        return 0;
    }
    int close() override
    {
        m_state.inOpen = false;
        m_state.inEvents = nullptr;
        return 0;
    }
    std::string errorText(int) const override { return "fake"; }

private:
    FakeWaveState& m_state;
};

// One wave output and one wave input, both fakes sharing one state.
class FakeWaveProvider final : public plat::media::DeviceProvider {
public:
    explicit FakeWaveProvider(FakeWaveState& state) : m_state(state) {}
    std::string name() const override { return "fakewave"; }
    std::vector<plat::media::MidiOutPort::Caps> midiOuts() const override { return {}; }
    std::vector<plat::media::MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<plat::media::WaveOutDevice::Caps> waveOuts() const override
    {
        return {plat::media::WaveOutDevice::Caps{"Fake Speaker", m_state.maxRate, m_state.maxChannels}};
    }
    std::vector<plat::media::WaveInDevice::Caps> waveIns() const override
    {
        return {plat::media::WaveInDevice::Caps{"Fake Microphone", m_state.maxRate, m_state.maxChannels}};
    }
    std::unique_ptr<plat::media::MidiOutPort> createMidiOut(int) override { return nullptr; }
    std::unique_ptr<plat::media::MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<plat::media::WaveOutDevice> createWaveOut(int index) override
    {
        return index == 0 ? std::make_unique<FakeWaveOut>(m_state) : nullptr;
    }
    std::unique_ptr<plat::media::WaveInDevice> createWaveIn(int index) override
    {
        return index == 0 ? std::make_unique<FakeWaveIn>(m_state) : nullptr;
    }

private:
    FakeWaveState& m_state;
};

}  // namespace rack::test

#pragma once

// Helpers for tests that play through "Quavix Synth": stream blocks from timed messages, a
// recorder of port callbacks, and onset detection in rendered sound.

#include "platform/media/MidiOutPort.h"

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace plat::media::test {

struct TimedMessage {
    uint32_t ms;        // on the stream
    uint32_t packed;    // a short message, status in the low byte
    bool marker = false;
};

inline uint32_t noteOn(int channel, int key, int velocity)
{
    return static_cast<uint32_t>(0x90 | channel) | static_cast<uint32_t>(key << 8) | static_cast<uint32_t>(velocity << 16);
}

inline uint32_t noteOff(int channel, int key)
{
    return static_cast<uint32_t>(0x80 | channel) | static_cast<uint32_t>(key << 8);
}

inline uint32_t controller(int channel, int number, int value)
{
    return static_cast<uint32_t>(0xB0 | channel) | static_cast<uint32_t>(number << 8) | static_cast<uint32_t>(value << 16);
}

// The words of the stream block [startMs, startMs + lengthMs) holding the messages that fall
// in it; the block lasts lengthMs whatever it holds.
inline std::vector<uint32_t> blockWords(const std::vector<TimedMessage>& messages, uint32_t startMs, uint32_t lengthMs)
{
    std::vector<uint32_t> words;
    uint32_t at = startMs;
    for (const auto& m : messages) {
        if (m.ms < startMs || m.ms >= startMs + lengthMs)
            continue;
        words.push_back(m.ms - at);
        words.push_back(0);
        words.push_back(m.packed | (m.marker ? kStreamCallbackFlag : 0));
        at = m.ms;
    }
    // A no-op at the end gives the block its full length.
    words.push_back(startMs + lengthMs - at);
    words.push_back(0);
    words.push_back(kStreamNop);
    return words;
}

// Records done() and marker() and lets a test wait for a number of done() calls.
class RecordingEvents final : public MidiOutPort::Events {
public:
    void done(uintptr_t user) override
    {
        std::lock_guard lock(m_mutex);
        m_done.push_back(user);
        m_changed.notify_all();
    }
    void marker(uintptr_t user, size_t wordOffset) override
    {
        std::lock_guard lock(m_mutex);
        m_markers.emplace_back(user, wordOffset);
    }
    void waitForDone(size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_done.size() >= count; });
    }
    std::vector<uintptr_t> done() const
    {
        std::lock_guard lock(m_mutex);
        return m_done;
    }
    std::vector<std::pair<uintptr_t, size_t>> markers() const
    {
        std::lock_guard lock(m_mutex);
        return m_markers;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uintptr_t> m_done;
    std::vector<std::pair<uintptr_t, size_t>> m_markers;
};

// RMS over consecutive windows of `window` frames of a mono signal.
inline std::vector<double> windowRms(const std::vector<float>& mono, size_t window)
{
    std::vector<double> rms;
    for (size_t at = 0; at + window <= mono.size(); at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i)
            sum += static_cast<double>(mono[i]) * mono[i];
        rms.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return rms;
}

// Onsets, as window indices: a window clearly louder than the few before it and above the
// noise floor; one onset per `refractory` windows.
inline std::vector<size_t> detectOnsets(const std::vector<double>& rms, double floor = 0.003, double rise = 4.0,
                                        size_t refractory = 50)
{
    std::vector<size_t> onsets;
    for (size_t k = 1; k < rms.size(); ++k) {
        if (!onsets.empty() && k - onsets.back() < refractory)
            continue;
        double before = 0;
        for (size_t j = k >= 5 ? k - 5 : 0; j < k; ++j)
            before = std::max(before, rms[j]);
        if (rms[k] > floor && rms[k] > rise * before)
            onsets.push_back(k);
    }
    return onsets;
}

}  // namespace plat::media::test

#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/PcmFormat.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

struct SRC_STATE_tag;

namespace plat {
class Event;
}

namespace plat::media {

class SoundDevice;

// A streaming sound buffer of a SoundDevice: a ring of PCM bytes that plays once or loops,
// mixed into the device's audio engine with its own volume, pan and frequency. The client
// writes the ring ahead of the play cursor; position notifications tell it when the cursor
// passes given offsets, so it knows which part it may write next.
//
// Control calls may come from any thread. Mixing runs on the engine's thread and neither
// allocates nor waits; a position notification sets its event from there. Operations answer 0
// or an error number (MediaError.h).
class PLATMEDIA_API SoundBuffer {
public:
    static constexpr uint32_t kStatusPlaying = 0x1;
    static constexpr uint32_t kStatusLooping = 0x4;
    // A notification offset that fires when the buffer stops, by stop() or at the end of a
    // buffer played once.
    static constexpr uint32_t kNotifyAtStop = 0xFFFFFFFF;
    static constexpr size_t kMaxNotifications = 16;
    static constexpr uint64_t kNever = ~uint64_t{0};
    // Attenuation in hundredths of a decibel: 0 is unchanged, -10000 silent.
    static constexpr int32_t kVolumeMin = -10000;
    static constexpr int32_t kVolumeMax = 0;
    // Attenuation of the other side in hundredths of a decibel: -10000 is left only.
    static constexpr int32_t kPanLeft = -10000;
    static constexpr int32_t kPanRight = 10000;
    static constexpr uint32_t kFrequencyMin = 100;
    static constexpr uint32_t kFrequencyMax = 100000;

    struct NotifyPosition {
        uint32_t offset;   // a byte of the ring, or kNotifyAtStop
        plat::Event* event;
    };

    // Made by SoundDevice::createBuffer().
    SoundBuffer(SoundDevice& device, const PcmFormat& format, uint32_t bytes, uint32_t maxBlockFrames);
    ~SoundBuffer();   // stops; the device no longer mixes it once this returns
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // False when the resampler could not be made.
    bool isReady() const { return m_resampler != nullptr; }
    const PcmFormat& format() const { return m_format; }
    uint32_t size() const { return static_cast<uint32_t>(m_ring.size()); }

    // Copies bytes into the ring from offset on, going round past its end.
    int write(uint32_t offset, std::span<const uint8_t> bytes);
    // Plays from the current position. It is heard from the engine frame atFrame on, or from
    // the next block mixed when that frame has passed (0: at once).
    int play(bool looping, uint64_t atFrame = 0);
    int stop();
    // Stops at the engine frame atFrame: what lies before it is still heard. A frame already
    // mixed stops it at the next block.
    int stopAt(uint64_t atFrame);
    uint32_t status() const;
    // The byte of the ring to be played next.
    uint32_t currentPosition() const { return m_cursor.load(std::memory_order_acquire); }
    // Refused while playing.
    int setCurrentPosition(uint32_t offset);
    // Replaces the notifications; refused while playing, for offsets outside the ring, or for
    // more than kMaxNotifications.
    int setNotificationPositions(std::span<const NotifyPosition> positions);
    // Drops every notification, also while playing; once it returns no event of them is set
    // any more.
    void clearNotifications();

    // Refused (kErrorInvalidParam) outside kVolumeMin .. kVolumeMax.
    int setVolume(int32_t volume);
    int32_t volume() const { return m_volume.load(std::memory_order_relaxed); }
    // Refused outside kPanLeft .. kPanRight.
    int setPan(int32_t pan);
    int32_t pan() const { return m_pan.load(std::memory_order_relaxed); }
    // Frames a second the ring is played at; 0 is the format's own rate. Refused outside
    // kFrequencyMin .. kFrequencyMax.
    int setFrequency(uint32_t hz);
    uint32_t frequency() const;

    // Adds the buffer's sound into left and right; on the engine's thread.
    void mix(float* left, float* right, uint32_t frames, uint64_t firstFrame, uint32_t engineRate);

private:
    static long pull(void* self, float** data);
    void updateGains();
    // Reads up to frames frames from the ring as stereo into out; fewer at the end of a
    // buffer played once. Moves the cursor and fires the notifications it passes.
    uint32_t readFrames(float* out, uint32_t frames);
    void finish();

    SoundDevice& m_device;
    const PcmFormat m_format;
    std::vector<uint8_t> m_ring;
    const uint32_t m_maxBlockFrames;

    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_looping{false};
    std::atomic<bool> m_restart{false};
    std::atomic<uint64_t> m_startFrame{0};
    std::atomic<uint64_t> m_stopFrame{kNever};
    std::atomic<uint32_t> m_cursor{0};
    std::atomic<int32_t> m_volume{0};
    std::atomic<int32_t> m_pan{0};
    std::atomic<uint32_t> m_frequency{0};
    std::atomic<float> m_gainLeft{1.0f};
    std::atomic<float> m_gainRight{1.0f};

    std::array<NotifyPosition, kMaxNotifications> m_notify{};
    std::atomic<size_t> m_notifyCount{0};

    // Engine thread only.
    SRC_STATE_tag* m_resampler = nullptr;
    std::vector<float> m_input;    // stereo frames pulled by the resampler
    std::vector<float> m_output;   // stereo frames at the engine's rate
    bool m_ended = false;
};

}  // namespace plat::media

#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiOutPort.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/AudioSource.h"
#include "platform/media/audio/SpscQueue.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace plat::media {

class FluidSynthInstance;

// The stream of "Quavix Synth": events go to FluidSynth from inside the audio engine's
// rendering, each at its place on the engine's sample clock, as close as FluidSynth allows
// (it applies events between blocks of 64 frames: an event lands on the block boundary
// nearest its frame). Stream time 0 is the frame the engine renders when the media clock
// shows the time restart() was called (or the time restartAt() names), so the stream keeps to the
// media clock.
//
// Every operation only queues a command for the audio thread (no lock is shared with it and
// the synthesizer is never called from another thread); done() and marker() come on a
// callback thread of the port. stop() returns at once: the blocks it returns come through
// done() from that thread, in order, before anything queued after the stop.
class PLATMEDIA_API SynthMidiOutPort final : public MidiOutPort, private AudioSource {
public:
    // Blocks queued and not yet returned through done(); queue() refuses more
    // (kErrorNoMemory), as a driver out of buffer headers does.
    static constexpr size_t kMaxQueuedBlocks = 256;

    SynthMidiOutPort(AudioEngine& engine, FluidSynthInstance& synth);
    ~SynthMidiOutPort() override;

    int open(Events* events) override;
    int queue(const StreamBlock& block) override;
    int restart() override;
    int restartAt(MediaTime at) override;
    int pause() override;
    int stop() override;
    int close() override;
    int shortMsg(uint32_t packed) override;
    int longMsg(std::span<const uint8_t> bytes) override;
    std::string errorText(int error) const override;

private:
    struct Event {
        uint32_t timeMs;        // from the start of its block
        uint32_t packed;        // a short message, or 0
        uint32_t sysexOffset;   // into the block's bytes, for a system-exclusive message
        uint32_t sysexLength;
        uint32_t wordOffset;
        bool marker;
    };
    struct Block {
        uintptr_t user = 0;
        uint32_t durationMs = 0;
        std::vector<Event> events;
        std::vector<uint8_t> bytes;
        // Kept by the audio thread:
        uint64_t startMs = 0;   // on the stream
        size_t next = 0;
    };
    struct Command {
        enum class Kind : uint8_t { queue, restart, pause, stop, shortMsg, longMsg } kind;
        uint32_t value;                 // the message, or the clock time of a restart
        Block* block;                   // queue
        std::vector<uint8_t>* bytes;    // longMsg
    };
    struct Notice {
        enum class Kind : uint8_t { done, marker, release } kind;
        uintptr_t user;
        size_t wordOffset;              // marker
        Block* block;                   // freed after done, or by release
        std::vector<uint8_t>* bytes;    // freed by release
    };
    static constexpr size_t kCommands = 1024;
    static constexpr size_t kNotices = 4096;
    static constexpr size_t kActiveBlocks = kMaxQueuedBlocks;
    static constexpr float kSilence = 1e-6f;   // -120 dB

    int push(const Command& command);
    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override;
    bool takeCommand(const Command& command, uint64_t frame);
    void apply(uint32_t packed);
    void applySysex(const uint8_t* bytes, size_t length);
    void silence();
    bool notify(const Notice& notice);
    int64_t eventFrame(const Block& block, const Event& event) const;
    int64_t endFrame(const Block& block) const;
    // Frames to render before the event goes to the synthesizer; 0 or less: now.
    int64_t applyWait(const Block& block, const Event& event, int64_t now) const;
    uint64_t streamMsAt(uint64_t frame) const;
    void runCallbacks();
    void deliver(const Notice& notice);

    AudioEngine& m_engine;
    FluidSynthInstance& m_synth;
    Events* m_events = nullptr;
    bool m_open = false;
    std::mutex m_controlMutex;   // producers of commands take turns; open and close

    SpscQueue<Command, kCommands> m_commands;
    SpscQueue<Notice, kNotices> m_notices;
    std::atomic<uint32_t> m_signal{0};
    std::atomic<bool> m_quit{false};
    std::atomic<size_t> m_outstanding{0};   // blocks queued and not yet returned
    std::thread m_callbackThread;

    // The audio thread's own; the control side touches them only while the port is no source.
    std::array<Block*, kActiveBlocks> m_active{};
    size_t m_activeHead = 0;
    size_t m_activeCount = 0;
    bool m_running = false;
    int64_t m_origin = 0;         // engine frame of stream time 0 while running
    uint64_t m_pausedAt = 0;      // stream frames while not running
    uint64_t m_timelineEndMs = 0;
    // Frames of silence without a voice, up to a second's worth: then the synthesizer sleeps.
    uint64_t m_silentFrames = 0;
    std::vector<float> m_left;
    std::vector<float> m_right;
};

}  // namespace plat::media

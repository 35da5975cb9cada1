#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/TimerService.h"
#include "platform/media/audio/AudioSink.h"
#include "platform/media/audio/AudioSource.h"
#include "platform/media/audio/ClockPacer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat::media {

// Mixes its sources into one output sink, block by block, on a thread of its own that the
// sink paces. The thread runs while the engine has sources: the first added opens the sink,
// the last removed closes it.
//
// The engine's sample clock counts the frames rendered since the sink opened; frameAt() maps
// a media clock time onto it, so what starts by the media clock (a wave) lands where what is
// timed by frames (the synthesizer's stream) lands. The engine never runs further ahead of
// the media clock than the sink's lead: a file or memory sink follows the clock exactly (on a
// manual clock a test renders faster than real time, deterministically). When the sink fails
// the engine goes on without it, so streams keep their time, and says so in the trace when it
// stops.
class PLATMEDIA_API AudioEngine {
public:
    static constexpr uint32_t kDefaultSampleRate = 48000;
    static constexpr uint32_t kDefaultBlockFrames = 256;
    static constexpr size_t kMaxSources = 16;

    // The batch of a file sink: the file is written at most this late, the engine's thread
    // wakes about 20 times a second instead of once a block. A stream's played blocks come
    // back as late at most, well inside the latency its device keeps queued.
    static constexpr uint32_t kFileBatchMs = 50;
    // An engine with a batch renders what has come due in passes of up to this many blocks:
    // its sources then work in long runs (the synthesizer costs less per frame), and its sink
    // takes a batch in one write.
    static constexpr uint32_t kMaxPassBlocks = 16;

    // batchMs (for a sink without lead, which takes frames as fast as they come): instead of
    // waking for each block as it comes due, the engine waits until batchMs more have come
    // due and renders them together. No block is rendered before its time either way.
    AudioEngine(TimerService& timers, std::unique_ptr<AudioSink> sink, uint32_t sampleRate = kDefaultSampleRate,
                uint32_t blockFrames = kDefaultBlockFrames, uint32_t batchMs = 0);
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // 0, or the sink's error when it cannot open (the source is then not added), or
    // kErrorAllocated when the engine has kMaxSources sources.
    int addSource(AudioSource& source);
    // Once it returns the engine no longer calls the source. Called from the engine's own
    // thread it would wait for itself: it must not be.
    void removeSource(AudioSource& source);

    uint32_t sampleRate() const { return m_rate; }
    // How late at most the running engine renders what came due (its batch): 0 unless its
    // sink takes frames as fast as they come and it was made with a batch.
    uint32_t renderLagMs() const { return m_lagMs.load(std::memory_order_acquire); }
    uint32_t blockFrames() const { return m_blockFrames; }
    // The most frames one pass hands its sources and its sink: a block, or kMaxPassBlocks
    // blocks for an engine made with a batch.
    uint32_t maxPassFrames() const { return m_maxPassFrames; }
    // Frames rendered since the sink opened.
    uint64_t renderedFrames() const { return m_rendered.load(std::memory_order_acquire); }
    // The frame being rendered when the media clock shows ms: where something started at ms
    // goes, to be heard together with what the sample clock placed there.
    uint64_t frameAt(uint32_t ms) const;
    const Clock& clock() const { return m_timers.clock(); }
    std::string sinkName() const { return m_sink->name(); }
    bool isRunning() const;
    // Waits until the engine has rendered everything up to the media clock's time and waits
    // for the clock to move on; at once when it is not running. For tests on a manual clock.
    void waitCaughtUp() { m_pacer.waitCaughtUp(); }
    // The error the sink failed with while running, 0 while it works.
    int sinkError() const { return m_sinkError.load(std::memory_order_acquire); }

private:
    void run();
    // Renders frames (whole blocks) from firstFrame into m_interleaved.
    void renderPass(uint64_t firstFrame, uint32_t frames);
    void startLocked();
    void stopLocked();

    TimerService& m_timers;
    std::unique_ptr<AudioSink> m_sink;
    const uint32_t m_rate;
    const uint32_t m_blockFrames;
    const uint32_t m_batchMs;
    const uint32_t m_maxPassFrames;
    uint64_t m_batchFrames = 0;   // while running: what the engine lets come due before it wakes
    std::atomic<uint32_t> m_lagMs{0};

    mutable std::mutex m_mutex;   // the control side: sources, start and stop
    std::array<std::atomic<AudioSource*>, kMaxSources> m_sources{};
    size_t m_sourceCount = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    // Odd while the engine's thread is inside a block; removeSource waits for it to move on.
    std::atomic<uint64_t> m_cycle{0};
    std::atomic<uint64_t> m_rendered{0};
    std::atomic<int> m_sinkError{0};
    ClockPacer m_pacer;   // holds the engine to the media clock and maps it onto frames
    uint32_t m_lead = 0;

    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<float> m_interleaved;
};

}  // namespace plat::media

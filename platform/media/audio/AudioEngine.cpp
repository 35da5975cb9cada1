#include "platform/media/audio/AudioEngine.h"

#include "platform/core/AltSignalStack.h"
#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

namespace plat::media {

namespace {

// Real-time priority where the system grants it; said once in the trace when it does not.
void raisePriority()
{
    sched_param param{};
    param.sched_priority = std::max(1, sched_get_priority_max(SCHED_FIFO) / 2);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
        static std::atomic<bool> said{false};
        if (!said.exchange(true))
            plat::trace("Audio engine: real-time priority refused; running at normal priority");
    }
}

}  // namespace

AudioEngine::AudioEngine(TimerService& timers, std::unique_ptr<AudioSink> sink, uint32_t sampleRate, uint32_t blockFrames,
                         uint32_t batchMs)
    : m_timers(timers),
      m_sink(std::move(sink)),
      m_rate(sampleRate),
      m_blockFrames(blockFrames),
      m_batchMs(batchMs),
      m_maxPassFrames(batchMs > 0 ? kMaxPassBlocks * blockFrames : blockFrames),
      m_pacer(timers),
      m_left(m_maxPassFrames),
      m_right(m_maxPassFrames),
      m_interleaved(2 * static_cast<size_t>(m_maxPassFrames))
{
}

AudioEngine::~AudioEngine()
{
    std::lock_guard lock(m_mutex);
    stopLocked();
}

bool AudioEngine::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_thread.joinable();
}

int AudioEngine::addSource(AudioSource& source)
{
    std::lock_guard lock(m_mutex);
    if (m_sourceCount == kMaxSources)
        return kErrorAllocated;
    if (m_sourceCount == 0) {
        if (const int error = m_sink->open(m_rate, m_blockFrames)) {
            plat::trace("Audio engine: %s cannot open: %s", m_sink->name().c_str(), mediaErrorText(error).c_str());
            return error;
        }
    }
    for (auto& slot : m_sources) {
        if (slot.load() == nullptr) {
            slot.store(&source);
            break;
        }
    }
    // The first source is in place before the first block is rendered.
    if (m_sourceCount++ == 0)
        startLocked();
    return kOk;
}

void AudioEngine::removeSource(AudioSource& source)
{
    std::lock_guard lock(m_mutex);
    bool found = false;
    for (auto& slot : m_sources) {
        if (slot.load() == &source) {
            slot.store(nullptr);
            found = true;
        }
    }
    if (!found)
        return;
    // A block that began before the slot was cleared may still be calling the source.
    const uint64_t cycle = m_cycle.load();
    if (cycle & 1)
        m_cycle.wait(cycle);
    if (--m_sourceCount == 0)
        stopLocked();
}

uint64_t AudioEngine::frameAt(uint32_t ms) const
{
    return m_pacer.frameAt(ms) + m_lead;
}

void AudioEngine::startLocked()
{
    m_rendered.store(0);
    m_sinkError.store(0);
    m_lead = m_sink->leadFrames();
    // A sink with a lead plays in real time and is never held back by a batch.
    m_batchFrames = m_lead == 0 ? static_cast<uint64_t>(m_batchMs) * m_rate / 1000 : 0;
    m_lagMs.store(m_batchFrames > 0 ? m_batchMs : 0, std::memory_order_release);
    m_pacer.start(m_rate);
    m_stopping.store(false);
    m_thread = std::thread([this] {
        const plat::AltSignalStack altStack;
        run();
    });
}

void AudioEngine::stopLocked()
{
    if (!m_thread.joinable())
        return;
    m_stopping.store(true);
    m_sink->interrupt();
    m_pacer.interrupt();
    m_thread.join();
    m_sink->close();
    if (const int error = m_sinkError.load())
        plat::trace("Audio engine: %s failed while playing (%s); it went on without sound",
                    m_sink->name().c_str(), mediaErrorText(error).c_str());
}

void AudioEngine::renderPass(uint64_t firstFrame, uint32_t frames)
{
    m_cycle.fetch_add(1);
    std::fill_n(m_left.begin(), frames, 0.0f);
    std::fill_n(m_right.begin(), frames, 0.0f);
    for (auto& slot : m_sources)
        if (AudioSource* source = slot.load())
            source->render(m_left.data(), m_right.data(), frames, firstFrame);
    m_cycle.fetch_add(1);
    m_cycle.notify_all();
    for (uint32_t i = 0; i < frames; ++i) {
        m_interleaved[2 * i] = std::clamp(m_left[i], -1.0f, 1.0f);
        m_interleaved[2 * i + 1] = std::clamp(m_right[i], -1.0f, 1.0f);
    }
}

void AudioEngine::run()
{
    pthread_setname_np(pthread_self(), "audio engine");
    raisePriority();
    uint64_t frame = 0;
    while (!m_stopping.load(std::memory_order_acquire)) {
        if (m_sinkError.load(std::memory_order_relaxed) == 0) {
            const int error = m_sink->waitWritable();
            if (m_stopping.load(std::memory_order_acquire))
                break;
            if (error != kOk)
                m_sinkError.store(error, std::memory_order_release);
        }
        // The clock sets the pace of a sink that takes frames as fast as they come (a file,
        // memory, a device that does not play in real time) and of a failed one, so streams
        // keep their time; a device that plays in real time is never held back by it.
        const uint64_t due = frame + m_blockFrames;
        uint64_t until = due > m_lead ? due - m_lead : 0;
        // A block not due yet waits for the batch behind it: they are rendered together.
        if (m_batchFrames > 0 && m_pacer.frameAt(m_timers.clock().nowMs()) < until)
            until += m_batchFrames;
        if (!m_pacer.waitUntilFrame(until))
            break;
        // Every whole block that has come due goes in this pass, up to the pass's size.
        uint32_t frames = m_blockFrames;
        if (m_batchFrames > 0) {
            const uint64_t reached = m_pacer.frameAt(m_timers.clock().nowMs()) + m_lead;
            if (reached > frame + m_blockFrames)
                frames = static_cast<uint32_t>(std::min<uint64_t>((reached - frame) / m_blockFrames * m_blockFrames, m_maxPassFrames));
        }
        renderPass(frame, frames);
        if (m_sinkError.load(std::memory_order_relaxed) == 0) {
            if (const int error = m_sink->write(std::span<const float>(m_interleaved.data(), 2 * static_cast<size_t>(frames))))
                m_sinkError.store(error, std::memory_order_release);
        }
        frame += frames;
        m_rendered.store(frame, std::memory_order_release);
    }
}

}  // namespace plat::media

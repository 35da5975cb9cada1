#include "platform/media/StreamScheduler.h"

#include "platform/media/MediaError.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

namespace plat::media {

namespace {

constexpr uint32_t kKindMask = 0x3F000000u;
constexpr uint32_t kParamBytesMask = 0x00FFFFFFu;

size_t paramWords(uint32_t code)
{
    return (code & kStreamLongFlag) ? ((code & kParamBytesMask) + 3) / 4 : 0;
}

}  // namespace

struct StreamScheduler::Core : std::enable_shared_from_this<Core> {
    struct Block {
        std::span<const uint32_t> words;
        uintptr_t user;
        MediaTime lastTime;  // stream time of the event before `next`
        size_t next;         // word index of the next event
    };

    Core(TimerService& t, Sink& s, MidiOutPort::Events* e) : timers(t), sink(s), events(e) {}

    MediaTime streamTimeLocked(MediaTime now) const { return running ? MediaTime() + (now - base) : pausedAt; }
    void process();
    void onTimer(uint64_t token, MediaTime deadline);

    TimerService& timers;
    Sink& sink;
    MidiOutPort::Events* events;

    // Held while playing and calling back, so callbacks keep their order across threads
    // and the destructor can wait for the one in progress.
    std::mutex processMutex;
    bool armed = false;            // under processMutex
    MediaTime armedDeadline;       // on the clock, under processMutex
    std::vector<uint8_t> bytes;    // under processMutex

    mutable std::mutex mutex;
    std::deque<Block> blocks;
    bool running = false;
    bool closing = false;
    MediaTime base;               // the clock at stream time 0 while running
    MediaTime pausedAt;           // stream time while not running
    MediaTime timelineEnd;        // stream time at which the last queued block ends
    uint64_t nextToken = 1;
    std::vector<std::pair<uint64_t, uint32_t>> pendingTimers;  // token, timer id
};

StreamScheduler::StreamScheduler(TimerService& timers, Sink& sink, MidiOutPort::Events* events)
    : m_core(std::make_shared<Core>(timers, sink, events))
{
}

StreamScheduler::~StreamScheduler()
{
    std::vector<std::pair<uint64_t, uint32_t>> pending;
    {
        std::scoped_lock lock(m_core->processMutex, m_core->mutex);
        m_core->closing = true;
        pending.swap(m_core->pendingTimers);
    }
    // Outside the locks: kill() waits for a callback, which finds the core closed.
    for (const auto& [token, id] : pending)
        m_core->timers.kill(id);
}

bool StreamScheduler::validate(std::span<const uint32_t> words, uint32_t& durationMs)
{
    uint64_t sum = 0;
    size_t i = 0;
    while (i < words.size()) {
        if (words.size() - i < 3)
            return false;
        const size_t params = paramWords(words[i + 2]);
        if (words.size() - i - 3 < params)
            return false;
        sum += words[i];
        if (sum > 0x7FFFFFFFu)
            return false;
        i += 3 + params;
    }
    durationMs = static_cast<uint32_t>(sum);
    return true;
}

size_t StreamScheduler::shortMessageLength(uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
        return 3;
    if (status < 0xE0)
        return 2;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF0:
    case 0xF7:
        return 0;
    default:
        return 1;
    }
}

uint32_t StreamScheduler::streamTimeMs() const
{
    const MediaTime now = m_core->timers.clock().now();
    std::lock_guard lock(m_core->mutex);
    return m_core->streamTimeLocked(now).ms();
}

size_t StreamScheduler::queuedBlocks() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->blocks.size();
}

bool StreamScheduler::isRunning() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->running;
}

int StreamScheduler::queue(const StreamBlock& block)
{
    uint32_t duration = 0;
    if (!validate(block.words, duration))
        return kErrorInvalidParam;
    {
        const MediaTime now = m_core->timers.clock().now();
        std::lock_guard lock(m_core->mutex);
        // A block that comes late starts now: the stream never plays into the past.
        const MediaTime start = std::max(m_core->timelineEnd, m_core->streamTimeLocked(now));
        m_core->blocks.push_back(Core::Block{block.words, block.user, start, 0});
        m_core->timelineEnd = start + duration;
    }
    m_core->process();
    return kOk;
}

void StreamScheduler::restart()
{
    {
        const MediaTime now = m_core->timers.clock().now();
        std::lock_guard lock(m_core->mutex);
        if (m_core->running)
            return;
        m_core->base = now - m_core->pausedAt.ms();
        m_core->running = true;
    }
    m_core->process();
}

void StreamScheduler::pause()
{
    const MediaTime now = m_core->timers.clock().now();
    std::lock_guard lock(m_core->mutex);
    if (!m_core->running)
        return;
    m_core->pausedAt = MediaTime() + (now - m_core->base);
    m_core->running = false;
}

void StreamScheduler::stop()
{
    std::lock_guard processLock(m_core->processMutex);
    std::deque<Core::Block> returned;
    {
        std::lock_guard lock(m_core->mutex);
        returned.swap(m_core->blocks);
        m_core->running = false;
        m_core->pausedAt = MediaTime();
        m_core->timelineEnd = MediaTime();
    }
    if (m_core->events)
        for (const Core::Block& block : returned)
            m_core->events->done(block.user);
}

void StreamScheduler::Core::onTimer(uint64_t token, MediaTime deadline)
{
    {
        std::lock_guard processLock(processMutex);
        if (armed && armedDeadline == deadline)
            armed = false;
    }
    process();
    std::lock_guard lock(mutex);
    std::erase_if(pendingTimers, [token](const auto& entry) { return entry.first == token; });
}

void StreamScheduler::Core::process()
{
    std::lock_guard processLock(processMutex);
    for (;;) {
        enum class Action { none, emit, marker, done } action = Action::none;
        MediaTime eventTime;
        uintptr_t user = 0;
        size_t offset = 0;
        MediaTime nextDeadline;
        bool haveDeadline = false;
        {
            const MediaTime now = timers.clock().now();
            std::lock_guard lock(mutex);
            if (closing || blocks.empty())
                return;
            const MediaTime streamNow = streamTimeLocked(now);
            Block& block = blocks.front();
            if (block.next >= block.words.size()) {
                user = block.user;
                blocks.pop_front();
                action = Action::done;
            } else {
                const MediaTime t = block.lastTime + block.words[block.next];
                if (t > streamNow) {
                    if (running) {
                        haveDeadline = true;
                        nextDeadline = base + t.ms();
                    }
                } else {
                    offset = block.next;
                    const uint32_t code = block.words[offset + 2];
                    block.lastTime = t;
                    block.next += 3 + paramWords(code);
                    eventTime = t;
                    user = block.user;
                    bytes.clear();
                    if ((code & kKindMask) == kStreamShortMessage) {
                        if (code & kStreamLongFlag) {
                            const size_t n = code & kParamBytesMask;
                            for (size_t b = 0; b < n; ++b)
                                bytes.push_back(static_cast<uint8_t>(block.words[offset + 3 + b / 4] >> (8 * (b % 4))));
                        } else {
                            const size_t n = shortMessageLength(static_cast<uint8_t>(code));
                            for (size_t b = 0; b < n; ++b)
                                bytes.push_back(static_cast<uint8_t>(code >> (8 * b)));
                        }
                    }
                    action = (code & kStreamCallbackFlag) ? Action::marker : Action::emit;
                }
            }
        }
        switch (action) {
        case Action::none:
            // An earlier or equal timer already armed covers this deadline.
            if (haveDeadline && !(armed && armedDeadline <= nextDeadline)) {
                const uint32_t delay = static_cast<uint32_t>(std::max(1, nextDeadline - timers.clock().now()));
                uint64_t token = 0;
                {
                    std::lock_guard lock(mutex);
                    token = nextToken++;
                }
                std::weak_ptr<Core> weak = weak_from_this();
                const uint32_t id = timers.setOneShot(delay, 1, [weak, token, nextDeadline] {
                    if (auto core = weak.lock())
                        core->onTimer(token, nextDeadline);
                });
                if (id != 0) {
                    armed = true;
                    armedDeadline = nextDeadline;
                    std::lock_guard lock(mutex);
                    pendingTimers.emplace_back(token, id);
                }
            }
            return;
        case Action::emit:
            if (!bytes.empty())
                sink.emit(eventTime.ms(), bytes);
            break;
        case Action::marker:
            if (!bytes.empty())
                sink.emit(eventTime.ms(), bytes);
            if (events)
                events->marker(user, offset);
            break;
        case Action::done:
            if (events)
                events->done(user);
            break;
        }
    }
}

}  // namespace plat::media

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
constexpr int64_t kNsPerMs = 1'000'000;

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

    Core(TimerService& timers, Sink& s, MidiOutPort::Events* e)
        : clock(timers.clock()), lane(timers.createLane("midi stream")), sink(s), events(e)
    {
    }

    // Where the stream stands, in ns of stream time; it does not wrap.
    int64_t positionNsLocked(int64_t nowNs) const { return running ? nowNs - originNs : pausedNs; }
    // The clock's ns reading at which stream time t falls, the stream standing at positionNs.
    int64_t deadlineNsLocked(MediaTime t, int64_t positionNs) const
    {
        const int64_t wholeMs = positionNs / kNsPerMs;
        return originNs + (wholeMs + (t - MediaTime::fromNs(positionNs))) * kNsPerMs;
    }
    // Runs the stream as from the clock's reading startNs.
    void startFrom(int64_t startNs, int64_t nowNs);
    // Makes sure the lane calls process() at deadlineNs or earlier.
    void armLocked(int64_t deadlineNs);
    void process();
    void onTimer(int64_t deadlineNs);

    const Clock& clock;
    std::unique_ptr<TimerService> lane;
    Sink& sink;
    MidiOutPort::Events* events;

    // Held while playing and calling back, so callbacks keep their order and the destructor
    // can wait for the one in progress. Never held by queue() or restart(), so a sink that
    // blocks holds up only its own stream.
    std::mutex processMutex;
    std::vector<uint8_t> bytes;    // under processMutex

    mutable std::mutex mutex;
    std::deque<Block> blocks;
    bool running = false;
    bool closing = false;
    int64_t originNs = 0;         // the clock at stream time 0, while running
    int64_t pausedNs = 0;         // where the stream stands while not running
    bool anchored = false;        // a block has placed the timeline since open or stop
    MediaTime timelineEnd;        // stream time at which the last queued block ends
    bool underrun = false;        // the last block came after its place on the timeline
    bool armed = false;
    int64_t armedNs = 0;          // the deadline of the last timer set, while armed
};

StreamScheduler::StreamScheduler(TimerService& timers, Sink& sink, MidiOutPort::Events* events)
    : m_core(std::make_shared<Core>(timers, sink, events))
{
}

StreamScheduler::~StreamScheduler()
{
    {
        std::scoped_lock lock(m_core->processMutex, m_core->mutex);
        m_core->closing = true;
    }
    // The lane's timers go with it; one that fires meanwhile finds the core closed.
    m_core->lane.reset();
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
    const int64_t nowNs = m_core->clock.nowNs();
    std::lock_guard lock(m_core->mutex);
    return MediaTime::fromNs(m_core->positionNsLocked(nowNs)).ms();
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
    bool reportUnderrun = false;
    int32_t lateMs = 0;
    {
        const int64_t nowNs = m_core->clock.nowNs();
        std::lock_guard lock(m_core->mutex);
        const MediaTime streamNow = MediaTime::fromNs(m_core->positionNsLocked(nowNs));
        MediaTime start = m_core->timelineEnd;
        if (!m_core->anchored) {
            // The first block places the timeline where the stream stands: it never plays
            // into the past.
            start = streamNow;
            m_core->anchored = true;
        } else if (start < streamNow) {
            // The stream ran dry. The block keeps its place on the timeline, so the stream
            // returns to it: what is past plays at once, the rest at its time.
            lateMs = streamNow - start;
            reportUnderrun = !m_core->underrun;
            m_core->underrun = true;
        } else {
            m_core->underrun = false;
        }
        m_core->blocks.push_back(Core::Block{block.words, block.user, start, 0});
        m_core->timelineEnd = start + duration;
        if (m_core->running)
            m_core->armLocked(nowNs);
    }
    if (reportUnderrun && m_core->events)
        m_core->events->underrun(block.user, static_cast<uint32_t>(lateMs));
    return kOk;
}

void StreamScheduler::restart()
{
    const int64_t nowNs = m_core->clock.nowNs();
    m_core->startFrom(nowNs, nowNs);
}

void StreamScheduler::restartAt(MediaTime at)
{
    const int64_t nowNs = m_core->clock.nowNs();
    m_core->startFrom(std::min(nowNs, m_core->clock.nsAt(at)), nowNs);
}

void StreamScheduler::Core::startFrom(int64_t startNs, int64_t nowNs)
{
    std::lock_guard lock(mutex);
    if (running)
        return;
    originNs = startNs - pausedNs;
    running = true;
    armLocked(nowNs);
}

void StreamScheduler::pause()
{
    const int64_t nowNs = m_core->clock.nowNs();
    std::lock_guard lock(m_core->mutex);
    if (!m_core->running)
        return;
    m_core->pausedNs = nowNs - m_core->originNs;
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
        m_core->pausedNs = 0;
        m_core->anchored = false;
        m_core->timelineEnd = MediaTime();
        m_core->underrun = false;
    }
    if (m_core->events)
        for (const Core::Block& block : returned)
            m_core->events->done(block.user);
}

void StreamScheduler::Core::armLocked(int64_t deadlineNs)
{
    // A timer already set for this deadline or an earlier one covers it.
    if (closing || (armed && armedNs <= deadlineNs))
        return;
    std::weak_ptr<Core> weak = weak_from_this();
    const uint32_t id = lane->setOneShotAt(deadlineNs, [weak, deadlineNs] {
        if (auto core = weak.lock())
            core->onTimer(deadlineNs);
    });
    if (id != 0) {
        armed = true;
        armedNs = deadlineNs;
    }
}

void StreamScheduler::Core::onTimer(int64_t deadlineNs)
{
    {
        std::lock_guard lock(mutex);
        if (armed && armedNs == deadlineNs)
            armed = false;
    }
    process();
}

void StreamScheduler::Core::process()
{
    std::lock_guard processLock(processMutex);
    for (;;) {
        enum class Action { emit, marker, done } action = Action::emit;
        MediaTime eventTime;
        uintptr_t user = 0;
        size_t offset = 0;
        {
            const int64_t nowNs = clock.nowNs();
            std::lock_guard lock(mutex);
            // A paused stream plays nothing, not even what lies at the point where it stands.
            if (closing || !running || blocks.empty())
                return;
            const int64_t positionNs = positionNsLocked(nowNs);
            Block& block = blocks.front();
            if (block.next >= block.words.size()) {
                user = block.user;
                blocks.pop_front();
                action = Action::done;
            } else {
                const MediaTime t = block.lastTime + block.words[block.next];
                if (t > MediaTime::fromNs(positionNs)) {
                    armLocked(deadlineNsLocked(t, positionNs));
                    return;
                }
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
        switch (action) {
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

#include "platform/media/synth/SynthMidiOutPort.h"

#include "platform/core/AltSignalStack.h"
#include "platform/media/MediaError.h"
#include "platform/media/StreamScheduler.h"
#include "platform/media/synth/FluidSynthInstance.h"

#include <algorithm>
#include <cmath>

namespace plat::media {

namespace {

constexpr uint32_t kKindMask = 0x3F000000u;
constexpr uint32_t kParamBytesMask = 0x00FFFFFFu;

}  // namespace

SynthMidiOutPort::SynthMidiOutPort(AudioEngine& engine, FluidSynthInstance& synth) : m_engine(engine), m_synth(synth) {}

SynthMidiOutPort::~SynthMidiOutPort()
{
    close();
}

std::string SynthMidiOutPort::errorText(int error) const
{
    return mediaErrorText(error);
}

int SynthMidiOutPort::open(Events* events)
{
    std::lock_guard lock(m_controlMutex);
    if (m_open)
        return kErrorAllocated;
    if (!m_synth.ok())
        return kErrorNotEnabled;
    m_events = events;
    m_activeHead = 0;
    m_activeCount = 0;
    m_running = false;
    m_origin = 0;
    m_pausedAt = 0;
    m_timelineEndMs = 0;
    m_silentFrames = 0;
    m_left.assign(m_engine.maxPassFrames(), 0.0f);
    m_right.assign(m_engine.maxPassFrames(), 0.0f);
    m_quit.store(false);
    m_signal.store(0);
    m_callbackThread = std::thread([this] {
        const plat::AltSignalStack altStack;
        runCallbacks();
    });
    if (const int error = m_engine.addSource(*this)) {
        m_quit.store(true);
        m_signal.store(1);
        m_signal.notify_one();
        m_callbackThread.join();
        return error;
    }
    m_open = true;
    return kOk;
}

int SynthMidiOutPort::close()
{
    std::lock_guard lock(m_controlMutex);
    if (!m_open)
        return kErrorInvalidHandle;
    // From here on the audio thread leaves the port alone.
    m_engine.removeSource(*this);
    m_quit.store(true);
    m_signal.store(1);
    m_signal.notify_one();
    m_callbackThread.join();
    // Blocks still playing or still on their way are returned, in queue order, as a driver
    // does before it closes.
    for (; m_activeCount > 0; --m_activeCount, ++m_activeHead) {
        Block* block = m_active[m_activeHead % kActiveBlocks];
        if (m_events)
            m_events->done(block->user);
        delete block;
    }
    Command command{};
    while (m_commands.pop(command)) {
        if (command.block) {
            if (m_events)
                m_events->done(command.block->user);
            delete command.block;
        }
        delete command.bytes;
    }
    m_outstanding.store(0);
    m_synth.reset();
    m_open = false;
    return kOk;
}

int SynthMidiOutPort::push(const Command& command)
{
    std::lock_guard lock(m_controlMutex);
    if (!m_open)
        return kErrorInvalidHandle;
    return m_commands.push(command) ? kOk : kErrorNotReady;
}

int SynthMidiOutPort::queue(const StreamBlock& streamBlock)
{
    uint32_t duration = 0;
    if (!StreamScheduler::validate(streamBlock.words, duration))
        return kErrorInvalidParam;
    auto block = std::make_unique<Block>();
    block->user = streamBlock.user;
    block->durationMs = duration;
    const auto& words = streamBlock.words;
    uint32_t time = 0;
    for (size_t i = 0; i < words.size();) {
        time += words[i];
        const uint32_t code = words[i + 2];
        const size_t paramWords = (code & kStreamLongFlag) ? ((code & kParamBytesMask) + 3) / 4 : 0;
        Event event{time, 0, 0, 0, static_cast<uint32_t>(i), (code & kStreamCallbackFlag) != 0};
        if ((code & kKindMask) == kStreamShortMessage) {
            if (code & kStreamLongFlag) {
                event.sysexOffset = static_cast<uint32_t>(block->bytes.size());
                event.sysexLength = code & kParamBytesMask;
                for (uint32_t b = 0; b < event.sysexLength; ++b)
                    block->bytes.push_back(static_cast<uint8_t>(words[i + 3 + b / 4] >> (8 * (b % 4))));
            } else {
                event.packed = code & 0x00FFFFFFu;
            }
        }
        if (event.packed || event.sysexLength || event.marker)
            block->events.push_back(event);
        i += 3 + paramWords;
    }
    // The audio thread has room for every block not yet returned, so a queued block never
    // waits there in front of a later restart or stop.
    if (m_outstanding.fetch_add(1) >= kMaxQueuedBlocks) {
        m_outstanding.fetch_sub(1);
        return kErrorNoMemory;
    }
    Block* raw = block.release();
    const int error = push({Command::Kind::queue, 0, raw, nullptr});
    if (error) {
        m_outstanding.fetch_sub(1);
        delete raw;
    }
    return error;
}

int SynthMidiOutPort::restart()
{
    return push({Command::Kind::restart, m_engine.clock().nowMs(), nullptr, nullptr});
}

int SynthMidiOutPort::restartAt(MediaTime at)
{
    const MediaTime now = m_engine.clock().now();
    return push({Command::Kind::restart, (at > now ? now : at).ms(), nullptr, nullptr});
}

int SynthMidiOutPort::pause()
{
    return push({Command::Kind::pause, 0, nullptr, nullptr});
}

int SynthMidiOutPort::stop()
{
    return push({Command::Kind::stop, 0, nullptr, nullptr});
}

int SynthMidiOutPort::shortMsg(uint32_t packed)
{
    if (StreamScheduler::shortMessageLength(static_cast<uint8_t>(packed)) == 0)
        return kErrorInvalidParam;
    return push({Command::Kind::shortMsg, packed, nullptr, nullptr});
}

int SynthMidiOutPort::longMsg(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 2 || bytes.front() != 0xF0 || bytes.back() != 0xF7)
        return kErrorInvalidParam;
    auto* copy = new std::vector<uint8_t>(bytes.begin(), bytes.end());
    const int error = push({Command::Kind::longMsg, 0, nullptr, copy});
    if (error)
        delete copy;
    return error;
}

// ---- The audio thread ----

namespace {

uint64_t msToFrames(uint64_t ms, uint32_t rate)
{
    return (ms * rate + 500) / 1000;
}

}  // namespace

int64_t SynthMidiOutPort::eventFrame(const Block& block, const Event& event) const
{
    return m_origin + static_cast<int64_t>(msToFrames(block.startMs + event.timeMs, m_engine.sampleRate()));
}

int64_t SynthMidiOutPort::endFrame(const Block& block) const
{
    return m_origin + static_cast<int64_t>(msToFrames(block.startMs + block.durationMs, m_engine.sampleRate()));
}

int64_t SynthMidiOutPort::applyWait(const Block& block, const Event& event, int64_t now) const
{
    // FluidSynth applies an event at its next block boundary: the event is given to it when
    // that boundary is the one nearest the event's frame.
    const auto rendered = static_cast<int64_t>(m_synth.renderedFrames());
    const int64_t at = rendered + eventFrame(block, event) - now;
    constexpr int64_t kBlock = FluidSynthInstance::kBlockFrames;
    const int64_t boundary = (at + kBlock / 2) / kBlock * kBlock;
    return std::min(at, boundary) - rendered;
}

uint64_t SynthMidiOutPort::streamMsAt(uint64_t frame) const
{
    const uint32_t rate = m_engine.sampleRate();
    uint64_t frames = m_pausedAt;
    if (m_running)
        frames = static_cast<int64_t>(frame) > m_origin ? static_cast<uint64_t>(static_cast<int64_t>(frame) - m_origin) : 0;
    return (frames * 1000 + rate - 1) / rate;
}

bool SynthMidiOutPort::notify(const Notice& notice)
{
    return m_notices.push(notice);
}

void SynthMidiOutPort::silence()
{
    m_silentFrames = 0;
    fluid_synth_t* synth = m_synth.synth();
    for (int channel = 0; channel < 16; ++channel) {
        fluid_synth_cc(synth, channel, 64, 0);  // sustain
        fluid_synth_cc(synth, channel, 66, 0);  // sostenuto
    }
    fluid_synth_all_notes_off(synth, -1);
}

void SynthMidiOutPort::apply(uint32_t packed)
{
    m_silentFrames = 0;
    fluid_synth_t* synth = m_synth.synth();
    const int status = static_cast<int>(packed & 0xFF);
    const int channel = status & 0x0F;
    const int data1 = static_cast<int>((packed >> 8) & 0x7F);
    const int data2 = static_cast<int>((packed >> 16) & 0x7F);
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, channel, data1);
        break;
    case 0x90:
        if (data2 == 0)
            fluid_synth_noteoff(synth, channel, data1);
        else
            fluid_synth_noteon(synth, channel, data1, data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
        break;
    default:
        if (status == 0xFF)
            fluid_synth_system_reset(synth);
        break;
    }
}

void SynthMidiOutPort::applySysex(const uint8_t* bytes, size_t length)
{
    m_silentFrames = 0;
    // FluidSynth takes the message without its framing bytes.
    if (length > 0 && bytes[0] == 0xF0) {
        ++bytes;
        --length;
    }
    if (length > 0 && bytes[length - 1] == 0xF7)
        --length;
    if (length > 0)
        fluid_synth_sysex(m_synth.synth(), reinterpret_cast<const char*>(bytes), static_cast<int>(length), nullptr,
                          nullptr, nullptr, 0);
}

bool SynthMidiOutPort::takeCommand(const Command& command, uint64_t frame)
{
    switch (command.kind) {
    case Command::Kind::queue: {
        if (m_activeCount == kActiveBlocks)
            return false;
        Block* block = command.block;
        // A block that comes late starts now: the stream never plays into the past.
        block->startMs = std::max(m_timelineEndMs, streamMsAt(frame));
        block->next = 0;
        m_timelineEndMs = block->startMs + block->durationMs;
        m_active[(m_activeHead + m_activeCount++) % kActiveBlocks] = block;
        return true;
    }
    case Command::Kind::restart:
        if (!m_running) {
            m_origin = static_cast<int64_t>(m_engine.frameAt(command.value)) - static_cast<int64_t>(m_pausedAt);
            m_running = true;
        }
        return true;
    case Command::Kind::pause:
        if (m_running) {
            m_pausedAt = static_cast<int64_t>(frame) > m_origin ? static_cast<uint64_t>(static_cast<int64_t>(frame) - m_origin) : 0;
            m_running = false;
        }
        return true;
    case Command::Kind::stop:
        if (!m_notices.hasRoom(m_activeCount))
            return false;
        for (; m_activeCount > 0; --m_activeCount, ++m_activeHead) {
            Block* block = m_active[m_activeHead % kActiveBlocks];
            notify({Notice::Kind::done, block->user, 0, block, nullptr});
        }
        m_running = false;
        m_pausedAt = 0;
        m_timelineEndMs = 0;
        silence();
        return true;
    case Command::Kind::shortMsg:
        apply(command.value);
        return true;
    case Command::Kind::longMsg:
        if (!m_notices.hasRoom(1))
            return false;
        applySysex(command.bytes->data(), command.bytes->size());
        notify({Notice::Kind::release, 0, 0, nullptr, command.bytes});
        return true;
    }
    return true;
}

void SynthMidiOutPort::render(float* left, float* right, uint32_t frames, uint64_t firstFrame)
{
    FluidSynthInstance::markAudioThread();
    bool noticed = false;
    Command command{};
    while (m_commands.peek(command) && takeCommand(command, firstFrame)) {
        m_commands.pop(command);
        noticed = noticed || command.kind == Command::Kind::stop || command.kind == Command::Kind::longMsg;
    }

    // A sleeping synthesizer wakes a block before its next event.
    if (m_silentFrames > 0 && m_running && m_activeCount > 0) {
        const Block& block = *m_active[m_activeHead % kActiveBlocks];
        const Block* next = block.next < block.events.size() ? &block : nullptr;
        if (!next && m_activeCount > 1)
            next = m_active[(m_activeHead + 1) % kActiveBlocks];
        if (next && next->next < next->events.size() &&
            eventFrame(*next, next->events[next->next]) < static_cast<int64_t>(firstFrame + 2 * frames))
            m_silentFrames = 0;
    }
    uint32_t pos = 0;
    bool held = false;  // the notice queue is full: what needs a notice waits for the next block
    while (pos < frames) {
        uint32_t until = frames;
        const int64_t now = static_cast<int64_t>(firstFrame + pos);
        if (m_running && m_activeCount > 0 && !held) {
            Block& block = *m_active[m_activeHead % kActiveBlocks];
            if (block.next < block.events.size()) {
                const Event& event = block.events[block.next];
                const int64_t wait = applyWait(block, event, now);
                if (wait <= 0) {
                    if (!m_notices.hasRoom(1)) {
                        held = true;
                        continue;
                    }
                    if (event.packed)
                        apply(event.packed);
                    else if (event.sysexLength)
                        applySysex(block.bytes.data() + event.sysexOffset, event.sysexLength);
                    if (event.marker) {
                        notify({Notice::Kind::marker, block.user, event.wordOffset, nullptr, nullptr});
                        noticed = true;
                    }
                    ++block.next;
                    continue;
                }
                until = static_cast<uint32_t>(std::min<int64_t>(frames, pos + wait));
            } else {
                int64_t wait = endFrame(block) - now;
                // The next block's first event may be due on a synthesizer block boundary
                // just before this block's end: this block is then over a little early.
                if (wait > 0 && m_activeCount > 1) {
                    const Block& following = *m_active[(m_activeHead + 1) % kActiveBlocks];
                    if (!following.events.empty())
                        wait = std::min(wait, applyWait(following, following.events.front(), now));
                }
                if (wait <= 0) {
                    if (!notify({Notice::Kind::done, block.user, 0, &block, nullptr})) {
                        held = true;
                        continue;
                    }
                    noticed = true;
                    ++m_activeHead;
                    --m_activeCount;
                    continue;
                }
                until = static_cast<uint32_t>(std::min<int64_t>(frames, pos + wait));
            }
        }
        if (m_silentFrames >= m_engine.sampleRate()) {
            std::fill(m_left.begin() + pos, m_left.begin() + until, 0.0f);
            std::fill(m_right.begin() + pos, m_right.begin() + until, 0.0f);
        } else {
            m_synth.render(m_left.data() + pos, m_right.data() + pos, until - pos);
        }
        pos = until;
    }
    for (uint32_t i = 0; i < frames; ++i) {
        left[i] += m_left[i];
        right[i] += m_right[i];
    }
    // A synthesizer with no voice whose reverberation has died away is left to sleep until
    // the next message: nothing is lost, and an idle program costs next to nothing. While
    // voices sound the block's level is not looked at.
    const auto quiet = [&] {
        float loudest = 0;
        for (uint32_t i = 0; i < frames; ++i)
            loudest = std::max({loudest, std::fabs(m_left[i]), std::fabs(m_right[i])});
        return loudest < kSilence;
    };
    if (fluid_synth_get_active_voice_count(m_synth.synth()) == 0 && quiet())
        m_silentFrames = std::min<uint64_t>(m_silentFrames + frames, m_engine.sampleRate());
    else
        m_silentFrames = 0;
    if (noticed) {
        m_signal.store(1, std::memory_order_release);
        m_signal.notify_one();
    }
}

// ---- The callback thread ----

void SynthMidiOutPort::deliver(const Notice& notice)
{
    switch (notice.kind) {
    case Notice::Kind::done:
        delete notice.block;
        m_outstanding.fetch_sub(1);
        if (m_events)
            m_events->done(notice.user);
        break;
    case Notice::Kind::marker:
        if (m_events)
            m_events->marker(notice.user, notice.wordOffset);
        break;
    case Notice::Kind::release:
        delete notice.block;
        delete notice.bytes;
        break;
    }
}

void SynthMidiOutPort::runCallbacks()
{
    for (;;) {
        Notice notice{};
        while (m_notices.pop(notice))
            deliver(notice);
        if (m_quit.load(std::memory_order_acquire)) {
            while (m_notices.pop(notice))
                deliver(notice);
            return;
        }
        m_signal.wait(0, std::memory_order_acquire);
        m_signal.store(0, std::memory_order_release);
    }
}

}  // namespace plat::media

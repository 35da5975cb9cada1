#include "platform/media/alsa/AlsaMidiOutPort.h"

#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"
#include "platform/media/StreamScheduler.h"

#include <algorithm>
#include <vector>

namespace plat::media {

namespace {

constexpr uint32_t kKindMask = 0x3F000000u;
constexpr uint32_t kParamBytesMask = 0x00FFFFFFu;
constexpr auto kMarkerEcho = SND_SEQ_EVENT_USR0;
constexpr auto kDoneEcho = SND_SEQ_EVENT_USR1;

snd_seq_real_time_t realTime(uint64_t ms)
{
    return {static_cast<unsigned>(ms / 1000), static_cast<unsigned>((ms % 1000) * 1'000'000)};
}

int failed(const char* what, int error)
{
    plat::trace("ALSA MIDI output: %s: %s", what, snd_strerror(error));
    return kErrorNotReady;
}

}  // namespace

AlsaMidiOutPort::AlsaMidiOutPort(AlsaSequencer& sequencer, AlsaSequencer::Address destination, const Clock& clock)
    : m_sequencer(sequencer), m_destination(std::move(destination)), m_clock(clock)
{
}

AlsaMidiOutPort::~AlsaMidiOutPort()
{
    close();
}

std::string AlsaMidiOutPort::errorText(int error) const
{
    return mediaErrorText(error);
}

int AlsaMidiOutPort::newQueue()
{
    return m_sequencer.withHandle([](snd_seq_t* seq) { return snd_seq_alloc_named_queue(seq, "Quavix stream"); });
}

int AlsaMidiOutPort::open(Events* events)
{
    std::lock_guard lock(m_mutex);
    if (m_port >= 0)
        return kErrorAllocated;
    const int port = m_sequencer.createPort("Quavix to " + m_destination.name,
                                            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE);
    if (port < 0)
        return failed("cannot make a port", port);
    const int connected = m_sequencer.withHandle(
        [&](snd_seq_t* seq) { return snd_seq_connect_to(seq, port, m_destination.client, m_destination.port); });
    const int queue = connected < 0 ? -1 : newQueue();
    if (connected < 0 || queue < 0) {
        m_sequencer.deletePort(port);
        return failed("cannot reach the destination", connected < 0 ? connected : queue);
    }
    m_port = port;
    m_queue = queue;
    m_events = events;
    m_state = State::stopped;
    m_timelineEndMs = 0;
    m_pending.clear();
    m_handler = m_sequencer.addHandler([this, port](const snd_seq_event_t& event) {
        if (event.dest.port == port)
            onEcho(event);
    });
    return kOk;
}

uint64_t AlsaMidiOutPort::queueTimeMs()
{
    return static_cast<uint64_t>(queueTimeNs() / 1'000'000);
}

int64_t AlsaMidiOutPort::queueTimeNs()
{
    snd_seq_queue_status_t* status = nullptr;
    snd_seq_queue_status_alloca(&status);
    const int error = m_sequencer.withHandle([&](snd_seq_t* seq) { return snd_seq_get_queue_status(seq, m_queue, status); });
    if (error < 0)
        return 0;
    const snd_seq_real_time_t* time = snd_seq_queue_status_get_real_time(status);
    return static_cast<int64_t>(time->tv_sec) * 1'000'000'000 + time->tv_nsec;
}

int AlsaMidiOutPort::queue(const StreamBlock& block)
{
    uint32_t duration = 0;
    if (!StreamScheduler::validate(block.words, duration))
        return kErrorInvalidParam;
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    // A block that comes late starts now: late events go out at once, later ones on time.
    const uint64_t start = std::max(m_timelineEndMs, queueTimeMs());
    const uint32_t serial = m_nextSerial++;
    std::vector<uint8_t> sysex;
    const auto schedule = [&](snd_seq_event_t& event, uint64_t ms, bool echo) {
        snd_seq_ev_set_source(&event, m_port);
        if (echo)
            snd_seq_ev_set_dest(&event, m_sequencer.client(), m_port);
        else
            snd_seq_ev_set_subs(&event);
        snd_seq_real_time_t at = realTime(ms);
        snd_seq_ev_schedule_real(&event, m_queue, 0, &at);
        return m_sequencer.withHandle([&](snd_seq_t* seq) { return snd_seq_event_output(seq, &event); });
    };
    const auto echo = [&](snd_seq_event_type_t type, uint64_t ms, uint32_t value) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        event.type = type;
        event.data.raw32.d[0] = serial;
        event.data.raw32.d[1] = value;
        return schedule(event, ms, true);
    };
    int error = 0;
    uint64_t time = start;
    const auto& words = block.words;
    for (size_t i = 0; i < words.size() && error >= 0;) {
        time += words[i];
        const uint32_t code = words[i + 2];
        const size_t params = (code & kStreamLongFlag) ? ((code & kParamBytesMask) + 3) / 4 : 0;
        if ((code & kKindMask) == kStreamShortMessage) {
            snd_seq_event_t event;
            bool ok = false;
            if (code & kStreamLongFlag) {
                sysex.clear();
                for (uint32_t b = 0; b < (code & kParamBytesMask); ++b)
                    sysex.push_back(static_cast<uint8_t>(words[i + 3 + b / 4] >> (8 * (b % 4))));
                ok = AlsaMidiCodec::encodeSysex(sysex, event);
            } else {
                ok = m_codec.encodeShort(code & 0x00FFFFFFu, event);
            }
            if (ok)
                error = schedule(event, time, false);
        }
        if (error >= 0 && (code & kStreamCallbackFlag))
            error = echo(kMarkerEcho, time, static_cast<uint32_t>(i));
        i += 3 + params;
    }
    if (error >= 0)
        error = echo(kDoneEcho, start + duration, 0);
    if (error >= 0)
        error = m_sequencer.withHandle([](snd_seq_t* seq) { return snd_seq_drain_output(seq); });
    if (error < 0)
        return failed("cannot queue events", error);
    m_timelineEndMs = start + duration;
    m_pending.push_back({serial, block.user});
    return kOk;
}

int AlsaMidiOutPort::restart()
{
    return start(0);
}

int AlsaMidiOutPort::restartAt(MediaTime at)
{
    return start(std::max<int64_t>(0, m_clock.nowNs() - m_clock.nsAt(at)));
}

int AlsaMidiOutPort::start(int64_t leadNs)
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    if (m_state == State::running)
        return kOk;
    // A start resets the queue to 0, so the lead is set after it, on top of where it stood.
    const int64_t positionNs = (m_state == State::paused ? queueTimeNs() : 0) + leadNs;
    const int error = m_sequencer.withHandle([&](snd_seq_t* seq) {
        int result = m_state == State::stopped ? snd_seq_start_queue(seq, m_queue, nullptr)
                                               : snd_seq_continue_queue(seq, m_queue, nullptr);
        if (result >= 0 && leadNs > 0) {
            snd_seq_event_t event;
            snd_seq_ev_clear(&event);
            const snd_seq_real_time_t position{static_cast<unsigned>(positionNs / 1'000'000'000),
                                               static_cast<unsigned>(positionNs % 1'000'000'000)};
            snd_seq_ev_set_queue_pos_real(&event, m_queue, &position);
            snd_seq_ev_set_source(&event, m_port);
            snd_seq_ev_set_direct(&event);
            result = snd_seq_event_output(seq, &event);
        }
        return result < 0 ? result : snd_seq_drain_output(seq);
    });
    if (error < 0)
        return failed("cannot start the stream", error);
    m_state = State::running;
    return kOk;
}

int AlsaMidiOutPort::pause()
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    if (m_state != State::running)
        return kOk;
    const int error = m_sequencer.withHandle([&](snd_seq_t* seq) {
        const int result = snd_seq_stop_queue(seq, m_queue, nullptr);
        return result < 0 ? result : snd_seq_drain_output(seq);
    });
    if (error < 0)
        return failed("cannot pause the stream", error);
    m_state = State::paused;
    return kOk;
}

int AlsaMidiOutPort::stop()
{
    std::lock_guard delivery(m_deliveryMutex);
    std::deque<Pending> returned;
    {
        std::lock_guard lock(m_mutex);
        if (m_port < 0)
            return kErrorInvalidHandle;
        // A fresh queue stands at time 0; freeing the old one discards its scheduled events
        // (the echoes of the returned blocks with them).
        const int fresh = newQueue();
        if (fresh < 0)
            return failed("cannot stop the stream", fresh);
        m_sequencer.withHandle([&](snd_seq_t* seq) { return snd_seq_free_queue(seq, m_queue); });
        m_queue = fresh;
        m_state = State::stopped;
        m_timelineEndMs = 0;
        returned.swap(m_pending);
        // Silence: notes off and pedals up on every channel.
        for (uint32_t channel = 0; channel < 16; ++channel) {
            for (uint32_t message : {0xB0u | channel | (64u << 8), 0xB0u | channel | (123u << 8)}) {
                snd_seq_event_t event;
                if (m_codec.encodeShort(message, event))
                    sendDirect(event);
            }
        }
    }
    if (m_events)
        for (const Pending& pending : returned)
            m_events->done(pending.user);
    return kOk;
}

int AlsaMidiOutPort::close()
{
    int port = -1;
    {
        std::lock_guard lock(m_mutex);
        port = m_port;
    }
    if (port < 0)
        return kErrorInvalidHandle;
    // Blocks still queued are returned first, as a driver does before it closes.
    stop();
    // Not under the lock: the input thread may be waiting for it in the handler.
    m_handler.disconnect();
    m_sequencer.deletePort(port);
    std::lock_guard lock(m_mutex);
    m_sequencer.withHandle([&](snd_seq_t* seq) { return snd_seq_free_queue(seq, m_queue); });
    m_port = -1;
    m_queue = -1;
    return kOk;
}

int AlsaMidiOutPort::sendDirect(snd_seq_event_t& event)
{
    snd_seq_ev_set_source(&event, m_port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const int error = m_sequencer.withHandle([&](snd_seq_t* seq) { return snd_seq_event_output_direct(seq, &event); });
    return error < 0 ? failed("cannot send", error) : kOk;
}

int AlsaMidiOutPort::shortMsg(uint32_t packed)
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    snd_seq_event_t event;
    if (!m_codec.encodeShort(packed, event))
        return kErrorInvalidParam;
    return sendDirect(event);
}

int AlsaMidiOutPort::longMsg(std::span<const uint8_t> bytes)
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    snd_seq_event_t event;
    if (!AlsaMidiCodec::encodeSysex(bytes, event))
        return kErrorInvalidParam;
    return sendDirect(event);
}

void AlsaMidiOutPort::onEcho(const snd_seq_event_t& event)
{
    if (event.source.client != m_sequencer.client() || (event.type != kDoneEcho && event.type != kMarkerEcho))
        return;
    std::lock_guard delivery(m_deliveryMutex);
    const uint32_t serial = event.data.raw32.d[0];
    uintptr_t user = 0;
    {
        std::lock_guard lock(m_mutex);
        // An echo of a block that stop() returned already finds it gone.
        auto it = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& p) { return p.serial == serial; });
        if (it == m_pending.end())
            return;
        user = it->user;
        if (event.type == kDoneEcho)
            m_pending.erase(it);
    }
    if (!m_events)
        return;
    if (event.type == kDoneEcho)
        m_events->done(user);
    else
        m_events->marker(user, event.data.raw32.d[1]);
}

}  // namespace plat::media

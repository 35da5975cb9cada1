#include "platform/media/alsa/AlsaMidiInPort.h"

#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"

namespace plat::media {

AlsaMidiInPort::AlsaMidiInPort(AlsaSequencer& sequencer, AlsaSequencer::Address source)
    : m_sequencer(sequencer), m_source(std::move(source))
{
}

AlsaMidiInPort::~AlsaMidiInPort()
{
    close();
}

std::string AlsaMidiInPort::errorText(int error) const
{
    return mediaErrorText(error);
}

int AlsaMidiInPort::open(Events* events)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_port >= 0)
            return kErrorAllocated;
        const int port = m_sequencer.createPort("Quavix from " + m_source.name, SND_SEQ_PORT_CAP_WRITE);
        if (port < 0) {
            plat::trace("ALSA MIDI input: cannot make a port: %s", snd_strerror(port));
            return kErrorNotReady;
        }
        m_port = port;
        m_events = events;
        m_started = false;
    }
    m_handler = m_sequencer.addHandler([this, port = m_port](const snd_seq_event_t& event) {
        if (event.dest.port == port)
            onEvent(event);
    });
    return kOk;
}

int AlsaMidiInPort::start()
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    if (m_started)
        return kOk;
    const int error = m_sequencer.withHandle(
        [&](snd_seq_t* seq) { return snd_seq_connect_from(seq, m_port, m_source.client, m_source.port); });
    if (error < 0) {
        plat::trace("ALSA MIDI input: cannot connect to %s: %s", m_source.name.c_str(), snd_strerror(error));
        return kErrorNotReady;
    }
    m_startTime = std::chrono::steady_clock::now();
    m_started = true;
    return kOk;
}

int AlsaMidiInPort::stop()
{
    std::lock_guard lock(m_mutex);
    if (m_port < 0)
        return kErrorInvalidHandle;
    if (!m_started)
        return kOk;
    m_sequencer.withHandle(
        [&](snd_seq_t* seq) { return snd_seq_disconnect_from(seq, m_port, m_source.client, m_source.port); });
    m_started = false;
    return kOk;
}

int AlsaMidiInPort::close()
{
    int port = -1;
    {
        std::lock_guard lock(m_mutex);
        port = m_port;
    }
    if (port < 0)
        return kErrorInvalidHandle;
    stop();
    // Not under the lock: the input thread may be waiting for it in the handler.
    m_handler.disconnect();
    m_sequencer.deletePort(port);
    std::lock_guard lock(m_mutex);
    m_port = -1;
    return kOk;
}

uint32_t AlsaMidiInPort::msSinceStart() const
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_startTime).count());
}

void AlsaMidiInPort::onEvent(const snd_seq_event_t& event)
{
    uint32_t ms = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_started || !m_events)
            return;
        ms = msSinceStart();
    }
    m_codec.decode(
        event, [&](uint32_t packed) { m_events->data(packed, ms); },
        [&](std::span<const uint8_t> bytes) { m_events->longData(bytes, ms); });
}

}  // namespace plat::media

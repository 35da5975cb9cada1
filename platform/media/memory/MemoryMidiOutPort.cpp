#include "platform/media/memory/MemoryMidiOutPort.h"

#include "platform/media/MediaError.h"

namespace plat::media {

MemoryMidiOutPort::MemoryMidiOutPort(MemoryMidiOut& device, TimerService& timers)
    : m_device(device), m_timers(timers)
{
}

MemoryMidiOutPort::~MemoryMidiOutPort()
{
    if (m_stream) {
        m_device.attach(nullptr);
        m_stream.reset();
    }
}

int MemoryMidiOutPort::check(MemoryMidiOut::Operation operation) const
{
    if (!m_stream)
        return kErrorInvalidHandle;
    return m_device.failure(operation);
}

int MemoryMidiOutPort::open(Events* events)
{
    if (m_stream)
        return kErrorAllocated;
    if (const int error = m_device.failure(MemoryMidiOut::Operation::open))
        return error;
    m_stream = std::make_unique<StreamScheduler>(m_timers, *this, events);
    m_device.attach(m_stream.get());
    return kOk;
}

int MemoryMidiOutPort::queue(const StreamBlock& block)
{
    if (const int error = check(MemoryMidiOut::Operation::queue))
        return error;
    return m_stream->queue(block);
}

int MemoryMidiOutPort::restart()
{
    if (const int error = check(MemoryMidiOut::Operation::restart))
        return error;
    m_stream->restart();
    return kOk;
}

int MemoryMidiOutPort::restartAt(MediaTime at)
{
    if (const int error = check(MemoryMidiOut::Operation::restart))
        return error;
    m_stream->restartAt(at);
    return kOk;
}

int MemoryMidiOutPort::pause()
{
    if (const int error = check(MemoryMidiOut::Operation::pause))
        return error;
    m_stream->pause();
    return kOk;
}

int MemoryMidiOutPort::stop()
{
    if (const int error = check(MemoryMidiOut::Operation::stop))
        return error;
    m_stream->stop();
    return kOk;
}

int MemoryMidiOutPort::close()
{
    if (const int error = check(MemoryMidiOut::Operation::close))
        return error;
    // Blocks still queued are returned first, as a driver does before it closes.
    m_stream->stop();
    m_device.attach(nullptr);
    m_stream.reset();
    return kOk;
}

int MemoryMidiOutPort::shortMsg(uint32_t packed)
{
    if (const int error = check(MemoryMidiOut::Operation::shortMsg))
        return error;
    const size_t n = StreamScheduler::shortMessageLength(static_cast<uint8_t>(packed));
    if (n == 0)
        return kErrorInvalidParam;
    std::vector<uint8_t> bytes;
    for (size_t b = 0; b < n; ++b)
        bytes.push_back(static_cast<uint8_t>(packed >> (8 * b)));
    record(0, std::move(bytes), true);
    return kOk;
}

int MemoryMidiOutPort::longMsg(std::span<const uint8_t> bytes)
{
    if (const int error = check(MemoryMidiOut::Operation::longMsg))
        return error;
    if (bytes.empty())
        return kErrorInvalidParam;
    record(0, std::vector<uint8_t>(bytes.begin(), bytes.end()), true);
    return kOk;
}

std::string MemoryMidiOutPort::errorText(int error) const
{
    return mediaErrorText(error);
}

void MemoryMidiOutPort::emit(uint32_t streamMs, std::span<const uint8_t> bytes)
{
    record(streamMs, std::vector<uint8_t>(bytes.begin(), bytes.end()), false);
}

void MemoryMidiOutPort::record(uint32_t streamMs, std::vector<uint8_t> bytes, bool immediate)
{
    const int64_t ns = m_timers.clock().nowNs();
    m_device.record({streamMs, MediaTime::fromNs(ns).ms(), std::move(bytes), immediate, ns});
}

}  // namespace plat::media

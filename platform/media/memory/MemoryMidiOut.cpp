#include "platform/media/memory/MemoryMidiOut.h"

#include "platform/media/StreamScheduler.h"

namespace plat::media {

MemoryMidiOut::MemoryMidiOut(std::string name) : m_name(std::move(name)) {}

std::vector<MemoryMidiOut::Played> MemoryMidiOut::played() const
{
    std::lock_guard lock(m_mutex);
    return m_played;
}

std::vector<MemoryMidiOut::Played> MemoryMidiOut::takePlayed()
{
    std::lock_guard lock(m_mutex);
    std::vector<Played> taken;
    taken.swap(m_played);
    return taken;
}

void MemoryMidiOut::clearPlayed()
{
    std::lock_guard lock(m_mutex);
    m_played.clear();
}

void MemoryMidiOut::setFailure(Operation operation, int error)
{
    std::lock_guard lock(m_mutex);
    m_failures[static_cast<int>(operation)] = error;
}

int MemoryMidiOut::failure(Operation operation) const
{
    std::lock_guard lock(m_mutex);
    return m_failures[static_cast<int>(operation)];
}

bool MemoryMidiOut::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_stream != nullptr;
}

int MemoryMidiOut::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

size_t MemoryMidiOut::queuedBlocks() const
{
    std::lock_guard lock(m_mutex);
    return m_stream ? m_stream->queuedBlocks() : 0;
}

void MemoryMidiOut::record(Played played)
{
    std::lock_guard lock(m_mutex);
    m_played.push_back(std::move(played));
}

void MemoryMidiOut::attach(const StreamScheduler* stream)
{
    std::lock_guard lock(m_mutex);
    m_stream = stream;
    if (stream)
        ++m_openCount;
}

}  // namespace plat::media

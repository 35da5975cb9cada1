#include "platform/media/memory/MemoryMidiInPort.h"

#include "platform/media/MediaError.h"

namespace plat::media {

MemoryMidiInPort::~MemoryMidiInPort()
{
    if (m_open)
        m_device.detach();
}

int MemoryMidiInPort::open(Events* events)
{
    if (m_open)
        return kErrorAllocated;
    if (!events)
        return kErrorInvalidParam;
    const int error = m_device.attach(events);
    m_open = error == kOk;
    return error;
}

int MemoryMidiInPort::start()
{
    if (!m_open)
        return kErrorInvalidHandle;
    m_device.setStarted(true);
    return kOk;
}

int MemoryMidiInPort::stop()
{
    if (!m_open)
        return kErrorInvalidHandle;
    m_device.setStarted(false);
    return kOk;
}

int MemoryMidiInPort::close()
{
    if (!m_open)
        return kErrorInvalidHandle;
    m_device.detach();
    m_open = false;
    return kOk;
}

std::string MemoryMidiInPort::errorText(int error) const
{
    return mediaErrorText(error);
}

}  // namespace plat::media

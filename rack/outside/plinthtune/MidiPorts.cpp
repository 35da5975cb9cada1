#include "rack/outside/plinthtune/MidiPorts.h"

#include "rack/outside/plinthtune/MidiPlayer.h"

#include "platform/core/Trace.h"
#include "platform/media/Backend.h"

#include <memory>
#include <mutex>

namespace rack {

namespace {

class OutEvents final : public plat::media::MidiOutPort::Events {
public:
    void done(uintptr_t) override {}
    void marker(uintptr_t, size_t) override {}
};

// What the library holds while initialised.
struct Ports {
    int useCount = 0;
    std::unique_ptr<plat::media::MidiInPort> in;
    // Guards out against the input's thread, which passes messages on to it.
    std::mutex outLock;
    std::unique_ptr<plat::media::MidiOutPort> out;
    OutEvents outEvents;
};

Ports& ports()
{
    static Ports instance;
    return instance;
}

class InEvents final : public plat::media::MidiInPort::Events {
public:
    void data(uint32_t packed, uint32_t) override
    {
        std::lock_guard lock(ports().outLock);
        if (ports().out)
            ports().out->shortMsg(packed);
    }
    void longData(std::span<const uint8_t> bytes, uint32_t) override
    {
        std::lock_guard lock(ports().outLock);
        if (ports().out)
            ports().out->longMsg(bytes);
    }
};

InEvents g_inEvents;

}  // namespace

int mid_Initialize()
{
    ++ports().useCount;
    return 0;
}

int mid_Terminate()
{
    if (ports().useCount == 0)
        return 0;
    if (--ports().useCount == 0) {
        mid_EndPlayer();
        mid_CloseIn();
        mid_CloseOut();
    }
    return 0;
}

int mid_OpenIn(plat::ui::Window*, int index)
{
    Ports& p = ports();
    if (p.useCount == 0)
        return 0;
    mid_CloseIn();
    std::unique_ptr<plat::media::MidiInPort> port = plat::media::Backend::instance().createMidiIn(index);
    if (!port || port->open(&g_inEvents) != 0) {
        plat::trace("mid_OpenIn -- MIDI input %d does not open", index);
        return 0;
    }
    if (port->start() != 0) {
        port->close();
        return 0;
    }
    p.in = std::move(port);
    return 1;
}

int mid_OpenOut(int id)
{
    Ports& p = ports();
    if (p.useCount == 0)
        return 0;
    mid_CloseOut();
    std::unique_ptr<plat::media::MidiOutPort> port = plat::media::Backend::instance().createMidiOut(id < 0 ? 0 : id);
    if (!port || port->open(&p.outEvents) != 0) {
        plat::trace("mid_OpenOut -- MIDI output %d does not open", id);
        return 0;
    }
    std::lock_guard lock(p.outLock);
    p.out = std::move(port);
    return 1;
}

void mid_CloseIn()
{
    Ports& p = ports();
    if (!p.in)
        return;
    p.in->stop();
    p.in->close();
    p.in.reset();
}

void mid_CloseOut()
{
    Ports& p = ports();
    std::unique_ptr<plat::media::MidiOutPort> port;
    {
        std::lock_guard lock(p.outLock);
        port = std::move(p.out);
    }
    if (port) {
        port->stop();
        port->close();
    }
}

int mid_SendShort(uint32_t packed)
{
    std::lock_guard lock(ports().outLock);
    return ports().out && ports().out->shortMsg(packed) == 0 ? 1 : 0;
}

int mid_SendLong(std::span<const uint8_t> bytes)
{
    std::lock_guard lock(ports().outLock);
    return ports().out && ports().out->longMsg(bytes) == 0 ? 1 : 0;
}

bool mid_IsInOpen()
{
    return ports().in != nullptr;
}

bool mid_IsOutOpen()
{
    std::lock_guard lock(ports().outLock);
    return ports().out != nullptr;
}

}  // namespace rack

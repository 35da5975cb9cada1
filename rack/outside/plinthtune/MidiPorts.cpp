#include "rack/outside/plinthtune/MidiPorts.h"

#include "rack/outside/plinthtune/MidiPlayer.h"

#include "platform/core/Trace.h"
#include "platform/media/Backend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>

namespace rack {

namespace {

class OutEvents final : public plat::media::MidiOutPort::Events {
public:
    void done(uintptr_t) override {}
    void marker(uintptr_t, size_t) override {}
};

constexpr int kFullGain = 100;
constexpr int kMaxBalance = 50;
constexpr uint8_t kVolumeController = 7;
constexpr uint8_t kPanController = 10;
constexpr uint8_t kDefaultVolume = 100;
constexpr uint8_t kCentrePan = 64;

// What the library holds while initialised.
struct Ports {
    int useCount = 0;
    std::unique_ptr<plat::media::MidiInPort> in;
    // Guards out and the levels against the input's and the player's threads, which send.
    std::mutex outLock;
    std::unique_ptr<plat::media::MidiOutPort> out;
    OutEvents outEvents;
    int gain = kFullGain;
    int balance = 0;
    // Each channel's volume and pan as the senders meant them, before the levels.
    std::array<uint8_t, 16> volume{};
    std::array<uint8_t, 16> pan{};
    // Whether the output may hold a volume or pan other than the senders' own.
    bool adjusted = false;
};

Ports& ports()
{
    static Ports instance;
    return instance;
}

// outLock held for these.
bool neutral(const Ports& p)
{
    return p.gain == kFullGain && p.balance == 0;
}

uint8_t adjustedVolume(const Ports& p, uint8_t volume)
{
    return uint8_t(std::lround(volume * std::sqrt(double(p.gain) / kFullGain)));
}

uint8_t adjustedPan(const Ports& p, uint8_t pan)
{
    const int room = p.balance > 0 ? 127 - pan : pan;
    return uint8_t(pan + (room * p.balance + (p.balance > 0 ? kMaxBalance / 2 : -kMaxBalance / 2)) / kMaxBalance);
}

uint32_t controller(uint32_t channel, uint8_t number, uint8_t value)
{
    return 0xB0 | channel | uint32_t(number) << 8 | uint32_t(value) << 16;
}

void forgetChannels(Ports& p)
{
    p.volume.fill(kDefaultVolume);
    p.pan.fill(kCentrePan);
}

// Every channel's volume and pan at the levels now, when the output may differ from them.
void sendChannelLevels(Ports& p)
{
    if (!p.out || (neutral(p) && !p.adjusted))
        return;
    for (uint32_t channel = 0; channel < 16; ++channel) {
        p.out->shortMsg(controller(channel, kVolumeController, adjustedVolume(p, p.volume[channel])));
        p.out->shortMsg(controller(channel, kPanController, adjustedPan(p, p.pan[channel])));
    }
    p.adjusted = !neutral(p);
}

int sendShortLocked(Ports& p, uint32_t packed)
{
    if (!p.out)
        return 1;
    if ((packed & 0xF0) == 0xB0) {
        const uint32_t channel = packed & 0x0F;
        const uint8_t number = (packed >> 8) & 0x7F;
        const uint8_t value = (packed >> 16) & 0x7F;
        if (number == kVolumeController) {
            p.volume[channel] = value;
            packed = controller(channel, number, adjustedVolume(p, value));
        } else if (number == kPanController) {
            p.pan[channel] = value;
            packed = controller(channel, number, adjustedPan(p, value));
        }
    }
    return p.out->shortMsg(packed) == 0 ? 0 : 1;
}

// The system-exclusive messages that set a device back to its defaults: General MIDI on
// (levels 1 and 2), GS reset and XG on.
bool isDeviceReset(std::span<const uint8_t> bytes)
{
    const auto is = [bytes](std::initializer_list<int> pattern) {
        if (bytes.size() != pattern.size())
            return false;
        size_t i = 0;
        for (const int byte : pattern) {
            // -1 is the device number, -2 its high nibble for XG.
            const bool same = byte == -1 ? bytes[i] <= 0x7F : byte == -2 ? (bytes[i] & 0xF0) == 0x10 : bytes[i] == byte;
            if (!same)
                return false;
            ++i;
        }
        return true;
    };
    return is({0xF0, 0x7E, -1, 0x09, 0x01, 0xF7}) || is({0xF0, 0x7E, -1, 0x09, 0x03, 0xF7}) ||
           is({0xF0, 0x41, -1, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}) ||
           is({0xF0, 0x43, -2, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
}

int sendLongLocked(Ports& p, std::span<const uint8_t> bytes)
{
    if (!p.out)
        return 1;
    if (p.out->longMsg(bytes) != 0)
        return 1;
    if (isDeviceReset(bytes)) {
        // The device is back at full volume in the centre: the levels go out again.
        forgetChannels(p);
        p.adjusted = false;
        sendChannelLevels(p);
    }
    return 0;
}

class InEvents final : public plat::media::MidiInPort::Events {
public:
    void data(uint32_t packed, uint32_t) override
    {
        std::lock_guard lock(ports().outLock);
        sendShortLocked(ports(), packed);
    }
    void longData(std::span<const uint8_t> bytes, uint32_t) override
    {
        std::lock_guard lock(ports().outLock);
        sendLongLocked(ports(), bytes);
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
    // A device that opens is at its defaults.
    forgetChannels(p);
    p.adjusted = false;
    sendChannelLevels(p);
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
    return sendShortLocked(ports(), packed) == 0 ? 1 : 0;
}

int mid_SendLong(std::span<const uint8_t> bytes)
{
    std::lock_guard lock(ports().outLock);
    return sendLongLocked(ports(), bytes) == 0 ? 1 : 0;
}

void mid_SetLevels(int gain, int balance)
{
    Ports& p = ports();
    std::lock_guard lock(p.outLock);
    gain = std::clamp(gain, 0, kFullGain);
    balance = std::clamp(balance, -kMaxBalance, kMaxBalance);
    if (gain == p.gain && balance == p.balance)
        return;
    p.gain = gain;
    p.balance = balance;
    sendChannelLevels(p);
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

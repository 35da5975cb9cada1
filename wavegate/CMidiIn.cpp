#include "wavegate/CMidiIn.h"

#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/media/MediaError.h"
#include "wavegate/CWGDeviceHost.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/CWGPortCloser.h"
#include "wavegate/CWavegate.h"

#include <algorithm>

using plat::media::Backend;

namespace {

constexpr uint32_t kSyncModeSlave = 2;

bool isChannelMessage(uint32_t status)
{
    return status >= 0x80 && status <= 0xEF;
}

}  // namespace

CMidiIn::CMidiIn(int index, CWGDeviceHost* host) : CWGDevice(index, host) {}

CMidiIn::~CMidiIn()
{
    Close();
    // A port that would not close still calls back until it is gone; it goes before the
    // members its callbacks use.
    std::unique_ptr<plat::media::MidiInPort> port;
    {
        std::lock_guard lock(m_portLock);
        port = std::move(m_port);
    }
    port.reset();
    StopThread();
}

int CMidiIn::GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host)
{
    plat::media::MidiInPort::Caps portCaps;
    if (!caps || !Backend::instance().midiInCaps(index, portCaps)) {
        Report(host, 204, plat::media::kErrorBadDeviceId, static_cast<uintptr_t>(index));
        return 0;
    }
    FillPortCaps(caps, portCaps);
    return 1;
}

// ---- driver steps

int CMidiIn::PortStep(int (plat::media::MidiInPort::*step)(), uint32_t code)
{
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (m_port)
            error = (m_port.get()->*step)();
    }
    if (error != plat::media::kOk) {
        Report(code, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CMidiIn::DevOpen()
{
    auto port = Backend::instance().createMidiIn(GetDevice());
    const int error = port ? port->open(this) : plat::media::kErrorBadDeviceId;
    if (error != plat::media::kOk) {
        Report(200, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    m_pendingStart = WG_PENDING_NONE;
    m_portIndex = GetDevice();
    std::lock_guard lock(m_portLock);
    m_port = std::move(port);
    return 1;
}

int CMidiIn::DevStart()
{
    return PortStep(&plat::media::MidiInPort::start, 201);
}

int CMidiIn::DevPause()
{
    return Stop();
}

int CMidiIn::DevStop()
{
    return PortStep(&plat::media::MidiInPort::stop, 202);
}

int CMidiIn::DevClose()
{
    std::unique_ptr<plat::media::MidiInPort> port;
    const int error = CWGPortCloser::Close(m_portLock, m_port, port);
    if (error != plat::media::kOk) {
        Report(203, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    // Nothing more arrives from the closed port; what is still queued belonged to it.
    std::lock_guard lock(m_sysExLock);
    m_sysEx.clear();
    return 1;
}

// ---- the port's thread

void CMidiIn::data(uint32_t packed, uint32_t msSinceStart)
{
    if (FilterSystemMessage(packed, msSinceStart))
        return;
    PlayThru(packed);
    GetHWnd().post(WM_WG_MIDIINDATA, packed, static_cast<intptr_t>(msSinceStart));
}

void CMidiIn::longData(std::span<const uint8_t> bytes, uint32_t msSinceStart)
{
    if (bytes.empty() || bytes.size() > CWGEventData::kMaxSysExBytes)
        return;
    {
        std::lock_guard lock(m_sysExLock);
        m_sysEx.push_back(SysExInput{std::vector<uint8_t>(bytes.begin(), bytes.end()), msSinceStart});
    }
    GetHWnd().post(WM_WG_MIDIINLONGDATA);
}

bool CMidiIn::FilterSystemMessage(uint32_t msg, uint32_t timeStamp)
{
    CWGDeviceHost* host = GetHost();
    const bool slaved = host && host->GetSyncMode() == kSyncModeSlave;
    switch (msg & 0xFF) {
    case 0xF1:
        plat::trace("Received MTC Quarter Frame Message");
        return true;
    case 0xF2:
        // The master's song position, which a Continue then plays from.
        if (slaved)
            host->GetDriverWindow().post(CWavegate::WM_WG_SONGPOSITION, (msg >> 8 & 0x7F) | (msg >> 16 & 0x7F) << 7);
        return true;
    case 0xF3:
        plat::trace("Received Song Select Message");
        return true;
    case 0xF7:
        plat::trace("Received EOX Message");
        return true;
    case 0xFF:
        plat::trace("Received System Reset Message");
        return true;
    case 0xF6:
    case 0xFE:
        return true;
    case 0xF8:
        if (slaved) {
            const plat::WindowRef driver = host->GetDriverWindow();
            switch (m_pendingStart.exchange(WG_PENDING_NONE)) {
            case WG_PENDING_START:
                driver.post(CWavegate::WM_WG_EXTSTART);
                break;
            case WG_PENDING_CONTINUE:
                driver.post(CWavegate::WM_WG_EXTCONTINUE);
                break;
            default:
                break;
            }
            driver.post(CWavegate::WM_WG_CLOCKTICK, 0, static_cast<intptr_t>(timeStamp));
        }
        return true;
    case 0xFA:
        if (slaved)
            m_pendingStart = WG_PENDING_START;
        return true;
    case 0xFB:
        if (slaved)
            m_pendingStart = WG_PENDING_CONTINUE;
        return true;
    case 0xFC:
        if (slaved)
            host->GetDriverWindow().post(CWavegate::WM_WG_EXTSTOP);
        return true;
    default:
        return false;
    }
}

void CMidiIn::PlayThru(uint32_t msg) const
{
    CWGDeviceHost* host = GetHost();
    if (!host || !host->MidiThruEnabled())
        return;
    // Only a channel message has a channel to force; any other status would become a
    // different message.
    const int channel = host->GetMidiThruChannel();
    if (channel >= 0 && isChannelMessage(msg & 0xFF))
        msg = (msg & ~0x0Fu) | static_cast<uint32_t>(channel & 0x0F);
    host->SendMidiMsg(host->GetMidiThruDevice(), msg, 0);
}

// ---- the device thread

intptr_t CMidiIn::WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_WG_MIDIINDATA:
        return OnMidiInData(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
    case WM_WG_MIDIINLONGDATA:
        OnMidiInLongData();
        return 0;
    default:
        return CWGDevice::WndProc(msg, wParam, lParam);
    }
}

uint32_t CMidiIn::RecordTime(uint32_t timeStamp) const
{
    CWGDeviceHost* host = GetHost();
    if (!host || host->GetSyncMode() != kSyncModeSlave)
        return timeStamp;
    const int64_t offset = std::min<int64_t>(host->GetPlayStartOffset(), timeStamp);
    return static_cast<uint32_t>(timeStamp - offset);
}

intptr_t CMidiIn::OnMidiInData(uint32_t msg, uint32_t timeStamp)
{
    CWGDeviceHost* host = GetHost();
    if (!host)
        return 0;
    CWGEventData event;
    event.SetMidiData(msg);
    event.device = m_portIndex;
    event.time = RecordTime(timeStamp);
    host->ForwardRecordedData(&event);
    return 0;
}

void CMidiIn::OnMidiInLongData()
{
    SysExInput input;
    {
        std::lock_guard lock(m_sysExLock);
        if (m_sysEx.empty())
            return;
        input = std::move(m_sysEx.front());
        m_sysEx.pop_front();
    }
    CWGDeviceHost* host = GetHost();
    if (!host)
        return;
    CWGEventData event;
    event.SetSysExData(input.bytes.data(), static_cast<uint32_t>(input.bytes.size()));
    event.device = m_portIndex;
    event.time = RecordTime(input.timeStamp);
    host->ForwardRecordedData(&event);
}

#include "wavegate/CWavegate.h"

#include "platform/core/MessageLoop.h"
#include "platform/core/Thread.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "wavegate/CMidiIn.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWaveIn.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavePlay.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <thread>

using plat::media::Backend;
using plat::media::MediaTime;

int InitWavegate()
{
    return 0;
}

namespace {

std::atomic<CWavegate*> g_live{nullptr};

bool validPair(int type, int direction)
{
    return type >= 0 && type <= 1 && direction >= 0 && direction <= 1;
}

// A note-off, for ordering: status 8n, or 9n with velocity 0.
bool isNoteOff(const CWGEventData& event)
{
    return event.type == CWGEventData::WG_EVENT_MIDI
        && ((event.data & 0xF0) == 0x80 || (event.data & 0xFF00F0) == 0x90);
}

}  // namespace

CWavegate::CWavegate()
{
    CWavegate* none = nullptr;
    if (!g_live.compare_exchange_strong(none, this))
        throw std::logic_error("CWavegate: a device manager already exists");
}

CWavegate* CWavegate::GetWavegate()
{
    return g_live.load();
}

CWavegate::~CWavegate()
{
    {
        std::lock_guard lock(m_mainLock);
        KillTimers();
    }
    if (m_initialized)
        CloseDevices();
    // The driver thread goes before the devices and lists it works on.
    StopDriverThread();
    std::lock_guard lock(m_mainLock);
    m_midiOutLists.clear();
    m_waveOutLists.clear();
    for (auto& byType : m_deviceCount)
        for (int& count : byType)
            count = 0;
    for (auto& byType : m_devices)
        for (auto& devices : byType)
            devices.clear();
    m_performances.clear();
    {
        std::lock_guard recordLock(m_recordLock);
        m_recordings.clear();
    }
    // Every thread that could ask for the manager has ended.
    g_live = nullptr;
}

void CWavegate::DeviceHost::Notify(uint32_t code, uintptr_t p1, uintptr_t p2)
{
    m_manager.Notify(code, p1, p2);
}

uint32_t CWavegate::DeviceHost::GetSyncMode() const
{
    return m_manager.GetSyncMode();
}

int CWavegate::DeviceHost::GetPrefetchBufferCount() const
{
    return m_manager.GetPrefetchBufferCount();
}

bool CWavegate::DeviceHost::IsTimingDevice(const CWGDevice* device) const
{
    return device && device == m_manager.m_timingDevice;
}

bool CWavegate::DeviceHost::PollForTimingDevice(const CWGDevice* device)
{
    return m_manager.PollForTimingDevice(device);
}

void CWavegate::DeviceHost::ForwardRecordedData(CWGEventData* event)
{
    m_manager.ForwardRecordedData(event);
}

CWGStartSignals& CWavegate::DeviceHost::GetStartSignals()
{
    return m_manager.GetStartSignals();
}

int CWavegate::DeviceHost::MidiThruEnabled() const
{
    return m_manager.MidiThruEnabled();
}

int CWavegate::DeviceHost::GetMidiThruDevice() const
{
    return m_manager.GetMidiThruDevice();
}

int CWavegate::DeviceHost::GetMidiThruChannel() const
{
    return m_manager.GetMidiThruChannel();
}

void CWavegate::DeviceHost::SendMidiMsg(int device, uint32_t msg, int queued)
{
    m_manager.SendMidiMsg(device, msg, queued);
}

plat::WindowRef CWavegate::DeviceHost::GetDriverWindow() const
{
    return m_manager.GetHWnd();
}

std::optional<MediaTime> CWavegate::DeviceHost::GetPlayStart() const
{
    if (!m_manager.m_playing)
        return std::nullopt;
    return m_manager.m_playStartTime.load();
}

int32_t CWavegate::DeviceHost::GetPlayStartOffset() const
{
    return m_manager.m_playStartTime.load() - m_manager.m_recordStartTime.load();
}

MediaTime CWavegate::Now() const
{
    return m_backend ? m_backend->clock().now() : Backend::instance().clock().now();
}

MediaTime CWavegate::PlayTimeNow() const
{
    return MediaTime() + (Now() - m_playStartTime.load());
}

int CWavegate::Initialize(uint32_t flags)
{
    if (m_initialized)
        return 1;
    m_backend = &Backend::instance();
    if (!StartDriverThread())
        return 0;
    const bool midi = flags & WG_INIT_MIDI;
    const bool wave = flags & WG_INIT_WAVE;
    if (wave)
        CWaveOut::DSInit();
    std::lock_guard lock(m_mainLock);
    m_deviceCount[WG_MIDI][WG_IN] = midi ? m_backend->midiInCount() : 0;
    m_deviceCount[WG_MIDI][WG_OUT] = midi ? m_backend->midiOutCount() : 0;
    m_deviceCount[WG_WAVE][WG_IN] = wave ? m_backend->waveInCount() : 0;
    m_deviceCount[WG_WAVE][WG_OUT] = wave ? CWaveOut::DSNumDrivers() : 0;
    m_midiOutLists.resize(static_cast<size_t>(m_deviceCount[WG_MIDI][WG_OUT]));
    m_waveOutLists.resize(static_cast<size_t>(m_deviceCount[WG_WAVE][WG_OUT]));
    for (int type = 0; type < 2; ++type)
        for (int direction = 0; direction < 2; ++direction)
            for (int index = 0; index < m_deviceCount[type][direction]; ++index)
                m_devices[type][direction].push_back(CreateDevice(type, direction, index));
    m_pollEvent = std::make_unique<plat::Event>(false, true);
    m_initialized = 1;
    return 1;
}

std::unique_ptr<CWGDevice> CWavegate::CreateDevice(int type, int direction, int index)
{
    if (type == WG_MIDI && direction == WG_OUT)
        return std::make_unique<CMidiOut>(index, &m_deviceHost);
    if (type == WG_MIDI && direction == WG_IN)
        return std::make_unique<CMidiIn>(index, &m_deviceHost);
    if (type == WG_WAVE && direction == WG_OUT)
        return std::make_unique<CWaveOut>(index, &m_deviceHost);
    if (type == WG_WAVE && direction == WG_IN)
        return std::make_unique<CWaveIn>(index, &m_deviceHost);
    return std::make_unique<CWGDevice>(index, &m_deviceHost);
}

bool CWavegate::StartDriverThread()
{
    m_driverThread = std::make_unique<plat::Thread>("CWavegate");
    const bool started = m_driverThread->start(
        [this] {
            m_driverWindow = std::make_unique<plat::MessageWindow>(
                "CWavegate",
                [this](plat::MessageId msg, uintptr_t wParam, intptr_t lParam) { return DriverProc(msg, wParam, lParam); });
            m_driverRef = m_driverWindow->ref();
        },
        [this] { m_driverWindow.reset(); });
    if (!started) {
        plat::trace("CWavegate: the driver thread cannot start");
        m_driverThread.reset();
    }
    return started;
}

void CWavegate::StopDriverThread()
{
    if (!m_driverThread)
        return;
    m_driverThread->quit();
    m_driverThread->join(kPollWaitMs);
    m_driverThread.reset();
}

bool CWavegate::SyncDriverThread(uint32_t timeoutMs)
{
    if (!m_driverThread || !m_driverThread->loop())
        return false;
    if (m_driverThread->id() == std::this_thread::get_id())
        return true;
    auto handled = std::make_shared<plat::Event>(true, false);
    if (!m_driverThread->loop()->postTask([handled] { handled->set(); }))
        return false;
    return handled->wait(timeoutMs) == plat::Event::WaitResult::signalled;
}

// ---- queries

int CWavegate::GetDeviceCount(int type, int direction) const
{
    return validPair(type, direction) ? m_deviceCount[type][direction] : 0;
}

CWGDevice* CWavegate::GetDevice(int type, int direction, int index) const
{
    if (!validPair(type, direction) || index < 0 || index >= m_deviceCount[type][direction])
        return nullptr;
    return m_devices[type][direction][static_cast<size_t>(index)].get();
}

int CWavegate::GetDeviceCaps(int type, int direction, int index, WG_DevCaps* caps) const
{
    if (!caps || !GetDevice(type, direction, index))
        return 0;
    if (type == WG_MIDI && direction == WG_OUT)
        return CMidiOut::GetDeviceCaps(index, caps, &m_deviceHost);
    if (type == WG_MIDI && direction == WG_IN)
        return CMidiIn::GetDeviceCaps(index, caps, &m_deviceHost);
    if (type == WG_WAVE && direction == WG_OUT)
        return CWaveOut::GetDeviceCaps(index, caps);
    if (type == WG_WAVE && direction == WG_IN)
        return CWaveIn::GetDeviceCaps(index, caps, &m_deviceHost);
    return 0;
}

int CWavegate::IsDeviceEnabled(int type, int direction, int index) const
{
    if (index == WG_ALL_DEVICES) {
        for (int i = 0; i < GetDeviceCount(type, direction); ++i)
            if (GetDevice(type, direction, i)->IsEnabled())
                return 1;
        return 0;
    }
    const CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->IsEnabled() : 0;
}

uint32_t CWavegate::GetDeviceState(int type, int direction, int index) const
{
    const CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->GetState() : 0;
}

WG_DevFormat* CWavegate::GetDeviceFormat(int type, int direction, int index) const
{
    CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->GetFormat() : nullptr;
}

int CWavegate::IsActive()
{
    if (!m_initialized)
        return 0;
    {
        std::lock_guard lock(m_mainLock);
        for (const auto& record : m_performances)
            if (record.active)
                return 1;
    }
    std::lock_guard lock(m_recordLock);
    for (const auto& record : m_recordings)
        if (record.active)
            return 1;
    return 0;
}

// ---- settings

void CWavegate::EnableDevice(int type, int direction, int index, int enable)
{
    if (index == WG_ALL_DEVICES) {
        for (int i = 0; i < GetDeviceCount(type, direction); ++i)
            EnableDevice(type, direction, i, enable);
        return;
    }
    if (CWGDevice* device = GetDevice(type, direction, index)) {
        if (!enable)
            DropTiming(device);
        device->SetEnabled(enable);
    }
}

int CWavegate::SetDeviceFormat(int type, int direction, int index, const WG_DevFormat* format)
{
    if (index == WG_ALL_DEVICES) {
        int result = 1;
        for (int i = 0; i < GetDeviceCount(type, direction); ++i)
            if (!GetDevice(type, direction, i)->SetFormat(format))
                result = 0;
        return result;
    }
    CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->SetFormat(format) : 0;
}

void CWavegate::SetPrefetchBufferCount(int count)
{
    if (count == m_prefetchBufferCount)
        return;
    if (count < 2)
        count = 2;
    m_prefetchBufferCount = count;
    m_performanceLatency = static_cast<uint32_t>(count) * kGranularityMs;
}

void CWavegate::ConnectMidiThru(int device, int channel)
{
    if (device < GetDeviceCount(WG_MIDI, WG_OUT) && channel < 16) {
        m_thruDevice = device;
        m_thruChannel = channel;
    }
}

void CWavegate::SetNotificationCallback(WGNotifyProc callback, uintptr_t user)
{
    m_notifier.SetNotificationCallback(callback, user);
}

void CWavegate::Notify(uint32_t code, uintptr_t p1, uintptr_t p2)
{
    m_notifier.Notify(code, p1, p2);
}

// ---- single devices

int CWavegate::OpenDevice(int type, int direction, int index)
{
    {
        // An output polled again brings the ticks back first.
        std::lock_guard lock(m_mainLock);
        WakeTicksLocked();
    }
    CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->Open(index) : 0;
}

int CWavegate::StartDevice(int type, int direction, int index)
{
    CWGDevice* device = GetDevice(type, direction, index);
    return device ? device->Start() : 0;
}

void CWavegate::KillTimers()
{
    if (!m_backend)
        return;
    m_ticksParked = false;
    if (const uint32_t id = m_tickTimer.exchange(0))
        m_backend->timers().kill(id);
    if (const uint32_t id = m_delayTimer.exchange(0))
        m_backend->timers().kill(id);
}

int CWavegate::ForEachDevice(int (CWavegate::*action)(int, int, int))
{
    int any = 0;
    for (int type = 0; type < 2; ++type)
        for (int direction = 0; direction < 2; ++direction)
            for (int index = 0; index < m_deviceCount[type][direction]; ++index)
                if ((this->*action)(type, direction, index) == 1)
                    any = 1;
    return any;
}

CWGDevice* CWavegate::LeaveTiming(int type, int direction, int index)
{
    CWGDevice* device = GetDevice(type, direction, index);
    // A device that stops running can no longer clock the performances.
    if (device)
        DropTiming(device);
    return device;
}

void CWavegate::TakeTiming(int index, CWGDevice* device)
{
    m_timingDeviceNum = index;
    m_timingDevice = device;
    device->GetHWnd().post(CMidiOut::WM_WG_PRIORITY_HIGH);
}

void CWavegate::DropTiming(CWGDevice* device)
{
    CWGDevice* old = device;
    const bool dropped = device ? m_timingDevice.compare_exchange_strong(old, nullptr)
                                : (old = m_timingDevice.exchange(nullptr)) != nullptr;
    if (dropped)
        old->GetHWnd().post(CMidiOut::WM_WG_PRIORITY_NORMAL);
}

int CWavegate::PauseDevice(int type, int direction, int index)
{
    CWGDevice* device = LeaveTiming(type, direction, index);
    return device ? device->Pause() : 0;
}

int CWavegate::StopDevice(int type, int direction, int index)
{
    CWGDevice* device = LeaveTiming(type, direction, index);
    return device ? device->Stop() : 0;
}

int CWavegate::CloseDevice(int type, int direction, int index)
{
    CWGDevice* device = LeaveTiming(type, direction, index);
    return device ? device->Close() : 0;
}

// ---- all devices

int CWavegate::OpenDevices()
{
    std::lock_guard lock(m_mainLock);
    const int result = ForEachDevice(&CWavegate::OpenDevice);
    // The first slices are queued before the start, so the outputs begin the prefetch
    // count ahead.
    if (!m_timingDevice && m_syncMode != 2)
        for (int i = 0; i < m_prefetchBufferCount; ++i)
            WriteBuffers();
    return result;
}

bool CWavegate::StartTickTimer()
{
    m_ticksParked = false;
    const plat::WindowRef window = m_driverRef;
    m_tickTimer = m_backend->timers().setPeriodic(kGranularityMs, 10, [window] { window.post(WM_WG_TICK); });
    if (!m_tickTimer) {
        Notify(800, 0, 0);
        return false;
    }
    return true;
}

int CWavegate::StartDevices()
{
    if (!m_initialized)
        return 0;
    std::lock_guard lock(m_mainLock);
    if (!m_timingDevice) {
        for (int index = 0; index < m_deviceCount[WG_MIDI][WG_OUT]; ++index) {
            CWGDevice* device = m_devices[WG_MIDI][WG_OUT][static_cast<size_t>(index)].get();
            if (device->GetState() & CWGDevice::WG_OPEN) {
                TakeTiming(index, device);
                m_playStartTime = Now();
                break;
            }
        }
    }
    // Parked ticks stand for a running tick timer: the next performance starts them again.
    if (!m_timingDevice && !m_tickTimer && !m_ticksParked) {
        if (!StartTickTimer())
            return 0;
        m_playStartTime = Now();
    }
    if (m_recordStartTime.load() == MediaTime())
        m_recordStartTime = m_playStartTime.load();
    // The MIDI outputs put their streams' time 0 on the play start, so MIDI, audio and the
    // performances keep one time line, not one a fraction of a millisecond behind the other.
    m_playing = true;
    ForEachDevice(&CWavegate::StartDevice);
    // A timing device that would not start returns no blocks, and nothing would ever poll:
    // the tick timer takes over.
    if (CWGDevice* timing = m_timingDevice; timing && !(timing->GetState() & CWGDevice::WG_STARTED)) {
        DropTiming(timing);
        if (!m_tickTimer && !StartTickTimer())
            return 0;
    }
    return 1;
}

int CWavegate::PauseDevices()
{
    DropTiming();
    std::lock_guard lock(m_mainLock);
    ForEachDevice(&CWavegate::PauseDevice);
    return 1;
}

int CWavegate::StopDevices()
{
    DropTiming();
    std::lock_guard lock(m_mainLock);
    KillTimers();
    ForEachDevice(&CWavegate::StopDevice);
    m_playing = false;
    m_playStartTime = MediaTime();
    m_recordStartTime = MediaTime();
    m_bufferTime = MediaTime();
    return 1;
}

int CWavegate::CloseDevices()
{
    StopDevices();
    std::lock_guard lock(m_mainLock);
    ForEachDevice(&CWavegate::CloseDevice);
    CWaveOut::DSExit();
    return 1;
}

uint32_t CWavegate::DelayStart(int type, int direction, int index, uint32_t delayMs)
{
    if (delayMs < 10) {
        StartDevice(type, direction, index);
        return 0;
    }
    if (!m_backend)
        return 0;
    // The device travels in the message words, so nothing is left to free when the timer
    // is killed or the message cannot be delivered.
    const plat::WindowRef window = m_driverRef;
    const uintptr_t pair = static_cast<uintptr_t>((type & 1) << 1 | (direction & 1));
    const uint32_t id = m_backend->timers().setOneShot(delayMs, 0, [this, window, pair, index] {
        m_delayTimer = 0;
        window.post(WM_WG_DELAYSTART, pair, index);
    });
    m_delayTimer = id;
    return id;
}

void CWavegate::StopDelay(uint32_t id)
{
    if (id != 0 && id == m_delayTimer && m_backend) {
        m_backend->timers().kill(id);
        m_delayTimer = 0;
    }
}

// ---- sends

CWGEventList* CWavegate::MidiOutList(int device)
{
    if (device < 0 || device >= static_cast<int>(m_midiOutLists.size()))
        return nullptr;
    return &m_midiOutLists[static_cast<size_t>(device)];
}

void CWavegate::SendMidiMsg(int device, uint32_t msg, int queued)
{
    if (m_defaultMidiDeviceEnabled)
        device = m_defaultMidiDevice;
    if (!queued) {
        if (auto* out = static_cast<CMidiOut*>(GetDevice(WG_MIDI, WG_OUT, device)))
            out->PlayMidi(msg);
        return;
    }
    std::lock_guard lock(m_mainLock);
    if (CWGEventList* list = MidiOutList(device)) {
        auto event = std::make_unique<CWGEventData>();
        event->SetMidiData(msg);
        event->device = device;
        list->push_front(std::move(event));
    }
}

void CWavegate::SendMidiNote(int device, uint32_t noteOn, uint32_t noteOff, uint32_t durationMs, int queued)
{
    if (m_defaultMidiDeviceEnabled)
        device = m_defaultMidiDevice;
    if (!queued) {
        if (auto* out = static_cast<CMidiOut*>(GetDevice(WG_MIDI, WG_OUT, device)))
            out->PlayNote(noteOn, durationMs);
        return;
    }
    std::lock_guard lock(m_mainLock);
    CWGEventList* list = MidiOutList(device);
    if (!list)
        return;
    auto on = std::make_unique<CWGEventData>();
    on->SetMidiData(noteOn);
    on->device = device;
    list->push_front(std::move(on));
    auto off = std::make_unique<CWGEventData>();
    off->SetMidiData(noteOff);
    off->device = device;
    off->time = (m_bufferTime.load() + durationMs).ms();
    auto it = list->end();
    while (it != list->begin() && MediaTime((*std::prev(it))->time) > MediaTime(off->time))
        --it;
    list->insert(it, std::move(off));
}

void CWavegate::SendSysExMsg(int device, const uint8_t* data, int length, int queued)
{
    if (m_defaultMidiDeviceEnabled)
        device = m_defaultMidiDevice;
    if (!data || length <= 0)
        return;
    if (!queued) {
        if (auto* out = static_cast<CMidiOut*>(GetDevice(WG_MIDI, WG_OUT, device)))
            out->PlaySysEx(data, length);
        return;
    }
    auto event = std::make_unique<CWGEventData>();
    event->SetSysExData(data, static_cast<uint32_t>(length));
    if (event->type != CWGEventData::WG_EVENT_SYSEX)
        return;
    event->device = device;
    std::lock_guard lock(m_mainLock);
    if (CWGEventList* list = MidiOutList(device))
        list->push_front(std::move(event));
}

void CWavegate::OnPanicButton()
{
    for (int device = 0; device < GetDeviceCount(WG_MIDI, WG_OUT); ++device) {
        auto* out = static_cast<CMidiOut*>(GetDevice(WG_MIDI, WG_OUT, device));
        for (uint32_t channel = 0; channel < 16; ++channel) {
            for (uint32_t key = 0; key < 128; ++key)
                out->PlayMidi((0x90 | channel) | key << 8);
            out->PlayMidi((0xB0 | channel) | 121u << 8);
            out->PlayMidi((0xB0 | channel) | 123u << 8);
        }
        out->PlayMidi(0xFF);
    }
}

// ---- performances and recordings

int CWavegate::StartPerformance(WGPerformanceProc callback, uintptr_t user, int active, int tag)
{
    std::lock_guard lock(m_mainLock);
    WakeTicksLocked();
    if (tag == 0)
        tag = GetUniqueTag();
    const uint64_t serial = m_nextSerial++;
    plat::Connection connection = m_performanceCalls.add([this, callback, user, tag, serial](int code, uint32_t from, uint32_t to) {
        if (!callback)
            return;
        // A performance that answers 0 to a poll has ended; the answer to a sync command is
        // ignored.
        if (callback(user, code == kPoll ? tag : code, from, to) == 0 && code == kPoll)
            EndPerformance(serial, tag);
    });
    m_performances.push_back(Registration{serial, tag, active, std::move(connection)});
    return tag;
}

void CWavegate::EndPerformance(uint64_t serial, int tag)
{
    DeleteWavePerformances(tag);
    std::erase_if(m_performances, [serial](const Registration& r) { return r.serial == serial; });
}

void CWavegate::StopPerformance(int tag)
{
    std::lock_guard lock(m_mainLock);
    DeleteWavePerformances(tag);
    std::erase_if(m_performances, [tag](const Registration& r) { return tag == -1 || r.tag == tag; });
}

void CWavegate::DeleteWavePerformances(int tag)
{
    for (int index = 0; index < m_deviceCount[WG_WAVE][WG_OUT]; ++index)
        static_cast<CWaveOut*>(GetDevice(WG_WAVE, WG_OUT, index))->DeletePerformance(tag, 1);
}

void CWavegate::DiscardWaveEvents(CWGEventList& list)
{
    for (const auto& event : list) {
        const WG_WaveParams* params = event ? event->GetWaveParams() : nullptr;
        if (!params || !params->player)
            continue;
        for (int index = 0; index < m_deviceCount[WG_WAVE][WG_OUT]; ++index) {
            auto* out = static_cast<CWaveOut*>(GetDevice(WG_WAVE, WG_OUT, index));
            if (CWavePlay* player = out->FindPlayer(params->player); player && out->DisposePlayer(player)) {
                delete player;
                break;
            }
        }
    }
    list.clear();
}

int CWavegate::PlayWaveFile(const char* path, int device, void (*callback)(uintptr_t, uintptr_t), uintptr_t user)
{
    if (!path)
        return 0;
    WG_WaveParams params;
    params.tag = GetUniqueTag();
    params.fileName = path;
    auto* player = new CWavePlay();
    // With auto-delete the player deletes itself once it has played.
    if (!player->Play(&params, device, 0, callback, user, 1)) {
        if (auto* out = static_cast<CWaveOut*>(GetDevice(WG_WAVE, WG_OUT, device)))
            out->DisposePlayer(player);
        delete player;
        return 0;
    }
    return params.tag;
}

int CWavegate::SetWaveParams(const WG_WaveParams* params)
{
    std::lock_guard lock(m_mainLock);
    for (int index = 0; index < m_deviceCount[WG_WAVE][WG_OUT]; ++index)
        static_cast<CWaveOut*>(GetDevice(WG_WAVE, WG_OUT, index))->SetWaveParams(params);
    return 1;
}

void CWavegate::QueueSlavedPerformance()
{
    if (m_syncMode != 2)
        return;
    {
        std::lock_guard lock(m_mainLock);
        ReopenMidiOutputs();
        m_bufferTime = MediaTime();
    }
    for (int i = 0; i < m_prefetchBufferCount; ++i)
        PollPerformances();
}

void CWavegate::ReopenMidiOutputs()
{
    for (int index = 0; index < m_deviceCount[WG_MIDI][WG_OUT]; ++index) {
        CloseDevice(WG_MIDI, WG_OUT, index);
        OpenDevice(WG_MIDI, WG_OUT, index);
    }
}

void CWavegate::MergeData(std::unique_ptr<CWGEventData> event, CWGEventList& list)
{
    const bool noteOff = isNoteOff(*event);
    const MediaTime time(event->time);
    auto it = list.end();
    while (it != list.begin()) {
        const MediaTime before((*std::prev(it))->time);
        if (noteOff ? before < time : before <= time)
            break;
        --it;
    }
    list.insert(it, std::move(event));
}

void CWavegate::PlayBuffer(CWGEventList& list)
{
    std::lock_guard lock(m_mainLock);
    const bool toDefault = m_defaultMidiDeviceEnabled;
    while (!list.empty()) {
        std::unique_ptr<CWGEventData> event = std::move(list.front());
        list.pop_front();
        if (!event)
            continue;
        switch (event->type) {
        case CWGEventData::WG_EVENT_MIDI:
        case CWGEventData::WG_EVENT_WAVESTART:
            if (CWGEventList* target = MidiOutList(toDefault ? m_defaultMidiDevice.load() : event->device))
                MergeData(std::move(event), *target);
            break;
        case CWGEventData::WG_EVENT_SYSEX:
            if (toDefault) {
                if (CWGEventList* target = MidiOutList(m_defaultMidiDevice))
                    MergeData(std::move(event), *target);
            } else if (CWGEventList* own = MidiOutList(event->device)) {
                // The copies go out at the event's own time on every output.
                for (int other = 0; other < static_cast<int>(m_midiOutLists.size()); ++other)
                    if (other != event->device)
                        MergeData(event->CopySysEx(other), m_midiOutLists[static_cast<size_t>(other)]);
                MergeData(std::move(event), *own);
            }
            break;
        case CWGEventData::WG_EVENT_WAVEPARAMS:
            if (event->device >= 0 && event->device < static_cast<int>(m_waveOutLists.size())) {
                // The list is chosen before the event moves: arguments are not evaluated in order.
                CWGEventList& list = m_waveOutLists[static_cast<size_t>(event->device)];
                MergeData(std::move(event), list);
            } else {
                CWGEventList dropped;
                dropped.push_back(std::move(event));
                DiscardWaveEvents(dropped);
            }
            break;
        default:
            break;
        }
    }
}

int CWavegate::StartRecording(WGRecordingProc callback, uintptr_t user, int active)
{
    std::lock_guard lock(m_recordLock);
    const int tag = GetUniqueTag();
    plat::Connection connection = m_recordingCalls.add([callback, user, tag](CWGEventData* event) {
        if (callback)
            callback(user, tag, event);
    });
    // Recording tags are unique: no serial is needed to tell the recordings apart.
    m_recordings.push_back(Registration{0, tag, active, std::move(connection)});
    return tag;
}

void CWavegate::StopRecording(int tag)
{
    std::lock_guard lock(m_recordLock);
    auto it = std::find_if(m_recordings.begin(), m_recordings.end(), [tag](const Registration& r) { return r.tag == tag; });
    if (it != m_recordings.end())
        m_recordings.erase(it);
}

void CWavegate::ForwardRecordedData(CWGEventData* event)
{
    std::lock_guard lock(m_recordLock);
    m_recordingCalls.call(event);
}

bool CWavegate::PollPerformances()
{
    if (!m_pollEvent || m_pollEvent->wait(kPollWaitMs) != plat::Event::WaitResult::signalled)
        return false;
    {
        std::lock_guard lock(m_mainLock);
        PollLocked();
    }
    m_pollEvent->set();
    return true;
}

bool CWavegate::PollForTimingDevice(const CWGDevice* device)
{
    if (!m_pollEvent || m_pollEvent->wait(kPollWaitMs) != plat::Event::WaitResult::signalled)
        return false;
    bool polled = false;
    for (;;) {
        if (m_timingDevice != device)
            break;
        if (m_mainLock.try_lock()) {
            std::lock_guard lock(m_mainLock, std::adopt_lock);
            if (m_timingDevice == device) {
                PollLocked();
                polled = true;
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_pollEvent->set();
    return polled;
}

void CWavegate::PollLocked()
{
    m_performanceCalls.call(kPoll, m_bufferTime.load().ms(), (m_bufferTime.load() + kGranularityMs).ms());
    WriteBuffers();
}

void CWavegate::WriteBuffers()
{
    const MediaTime to = m_bufferTime.load() + kGranularityMs;
    const uint32_t from = m_bufferTime.load().ms();
    for (int index = 0; index < static_cast<int>(m_midiOutLists.size()); ++index) {
        CWGEventList& list = m_midiOutLists[static_cast<size_t>(index)];
        CWGDevice* device = GetDevice(WG_MIDI, WG_OUT, index);
        if (!device || !device->IsEnabled() || !device->PlayData(list, from, to.ms()))
            list.clear();
    }
    for (int index = 0; index < static_cast<int>(m_waveOutLists.size()); ++index) {
        CWGEventList& list = m_waveOutLists[static_cast<size_t>(index)];
        CWGDevice* device = GetDevice(WG_WAVE, WG_OUT, index);
        if (!device || !device->IsEnabled() || !device->PlayData(list, from, to.ms()))
            DiscardWaveEvents(list);
    }
    m_bufferTime = to;
}

uint32_t CWavegate::GetBufferTime() const
{
    return (m_ticksParked ? ParkedBufferTime() : m_bufferTime.load()).ms();
}

MediaTime CWavegate::ParkedBufferTime() const
{
    // The ticks poll until the buffer time lies a latency and a slice ahead of the play time,
    // a slice at a time from where they stopped.
    const MediaTime stopped = m_bufferTime.load();
    const int32_t wanted = (PlayTimeNow() + (m_performanceLatency + kGranularityMs)) - stopped;
    if (wanted <= 0)
        return stopped;
    const uint32_t slices = (static_cast<uint32_t>(wanted) + kGranularityMs - 1) / kGranularityMs;
    return stopped + slices * kGranularityMs;
}

bool CWavegate::ParkTicksLocked()
{
    if (m_syncMode == 2 || m_timingDevice || !m_performances.empty())
        return false;
    for (const int type : {WG_MIDI, WG_WAVE})
        for (int index = 0; index < m_deviceCount[type][WG_OUT]; ++index)
            if (!(m_devices[type][WG_OUT][static_cast<size_t>(index)]->GetState() & CWGDevice::WG_CLOSED))
                return false;
    const uint32_t timer = m_tickTimer.exchange(0);
    if (!timer)
        return false;
    m_ticksParked = true;
    m_backend->timers().kill(timer);
    return true;
}

void CWavegate::WakeTicksLocked()
{
    if (!m_ticksParked)
        return;
    m_bufferTime = ParkedBufferTime();
    StartTickTimer();
}

void CWavegate::OnTick()
{
    // A tick posted before the timer was killed finds the devices stopped.
    if (!m_tickTimer)
        return;
    {
        std::lock_guard lock(m_mainLock);
        if (ParkTicksLocked())
            return;
    }
    // The last slice written starts a full latency ahead of the sound, so it ends a slice
    // later than that.
    int32_t ahead = m_bufferTime.load() - PlayTimeNow();
    while (ahead < static_cast<int32_t>(m_performanceLatency + kGranularityMs)) {
        PollPerformances();
        ahead += static_cast<int32_t>(kGranularityMs);
    }
}

void CWavegate::SyncPerformances(int code, uint32_t a, uint32_t b)
{
    std::lock_guard lock(m_mainLock);
    const uint32_t from = code == WG_SYNC_CLOCK ? a : m_bufferTime.load().ms();
    const uint32_t to = code == WG_SYNC_CLOCK ? b : (m_bufferTime.load() + kGranularityMs).ms();
    m_performanceCalls.call(code, from, to);
}

void CWavegate::SetSyncMode(uint32_t mode)
{
    if (mode > 2)
        return;
    const uint32_t old = m_syncMode.exchange(mode);
    if (mode == old)
        return;
    if (mode == 2) {
        std::lock_guard lock(m_mainLock);
        SyncPerformances(WG_SYNC_STOP, 0, 0);
        ReopenMidiOutputs();
        m_bufferTime = MediaTime();
    } else if (old == 2) {
        OpenDevices();
        StartDevices();
    }
}

intptr_t CWavegate::DriverProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_WG_TICK:
        OnTick();
        return 0;
    case WM_WG_DELAYSTART:
        StartDevice(static_cast<int>(wParam >> 1 & 1), static_cast<int>(wParam & 1), static_cast<int>(lParam));
        return 0;
    case WM_WG_STARTWAVE:
        for (int index = 0; index < m_deviceCount[WG_WAVE][WG_OUT]; ++index)
            if (static_cast<CWaveOut*>(GetDevice(WG_WAVE, WG_OUT, index))->StartPlayer(wParam))
                break;
        return 0;
    default:
        break;
    }
    if (m_syncMode != 2)
        return 0;
    switch (msg) {
    case WM_WG_EXTSTART:
        StartDevices();
        SyncPerformances(WG_SYNC_START, 0, 0);
        break;
    case WM_WG_EXTCONTINUE:
        SyncPerformances(WG_SYNC_CONTINUE, 0, 0);
        StartDevices();
        break;
    case WM_WG_EXTSTOP:
        {
            std::lock_guard lock(m_mainLock);
            SyncPerformances(WG_SYNC_STOP, 0, 0);
            ReopenMidiOutputs();
            // The wave players of the performances stop with them.
            DeleteWavePerformances(-1);
            m_performances.clear();
        }
        m_bufferTime = MediaTime();
        break;
    case WM_WG_SONGPOSITION:
        m_syncPosition = static_cast<uint32_t>(wParam);
        SyncPerformances(WG_SYNC_POSITION, 0, 0);
        break;
    case WM_WG_CLOCKTICK:
        SyncPerformances(WG_SYNC_CLOCK, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        break;
    default:
        break;
    }
    return 0;
}

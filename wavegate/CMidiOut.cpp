#include "wavegate/CMidiOut.h"

#include "platform/core/MessageLoop.h"
#include "platform/core/Thread.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/media/MediaError.h"
#include "platform/media/ThreadPriority.h"
#include "wavegate/CWGDeviceHost.h"
#include "wavegate/CWGPortCloser.h"
#include "wavegate/CWGStartSignals.h"

#include <algorithm>
#include <chrono>
#include <utility>

using plat::media::Backend;

namespace {

constexpr uint32_t kStopWaitMs = 5000;

}  // namespace

CMidiOut::CMidiOut(int index, CWGDeviceHost* host) : CWGDevice(index, host) {}

CMidiOut::~CMidiOut()
{
    std::map<uint64_t, TimedNote> notes;
    {
        std::lock_guard lock(m_noteLock);
        notes.swap(m_timedNotes);
    }
    // Outside the lock: kill() waits for a note timer that may be waiting for it.
    for (const auto& [key, note] : notes)
        Backend::instance().timers().kill(note.timer);
    Close();
    StopThread();
}

int CMidiOut::GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host)
{
    plat::media::MidiOutPort::Caps portCaps;
    if (!caps || !Backend::instance().midiOutCaps(index, portCaps)) {
        Report(host, 309, plat::media::kErrorBadDeviceId, static_cast<uintptr_t>(index));
        return 0;
    }
    FillPortCaps(caps, portCaps);
    caps->technology = portCaps.technology;
    caps->voices = portCaps.voices;
    caps->notes = portCaps.notes;
    caps->channelMask = portCaps.channelMask;
    return 1;
}

int CMidiOut::PlayData(CWGEventList& list, uint32_t from, uint32_t to)
{
    const bool slaved = GetHost() && GetHost()->GetSyncMode() == 2;
    if (!(m_flags & (WG_PRIMED | WG_RUNNING)) && !slaved) {
        plat::trace("CMidiOut::PlayData ERROR:  turning back play data");
        return 0;
    }
    auto buffer = std::make_unique<CMidiStreamBuffer>(from, to);
    while (!list.empty() && plat::media::MediaTime(list.front()->time) < plat::media::MediaTime(to)) {
        buffer->AddStreamData(std::move(list.front()));
        list.pop_front();
    }
    if (!buffer->CapStreamBuffer()) {
        // Reported rather than shown: this runs on the polling thread under the device
        // manager's lock, where a message box would stall every device.
        Report(305, plat::media::kErrorNoMemory, static_cast<uintptr_t>(GetDevice()));
        return 1;
    }
    SendBuffer(std::move(buffer));
    return 1;
}

int CMidiOut::SendBuffer(std::unique_ptr<CMidiStreamBuffer> buffer)
{
    const plat::media::StreamBlock block = buffer->GetStreamBlock();
    {
        std::lock_guard lock(m_bufferLock);
        m_buffers.push_back(std::move(buffer));
    }
    ++m_buffersOut;
    m_allDoneEvent.reset();
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (m_port)
            error = m_port->queue(block);
    }
    if (error == plat::media::kOk)
        return 1;
    {
        std::lock_guard lock(m_bufferLock);
        std::erase_if(m_buffers, [&](const auto& b) { return reinterpret_cast<uintptr_t>(b.get()) == block.user; });
    }
    if (--m_buffersOut < 1)
        m_allDoneEvent.set();
    Report(306, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
    return 0;
}

void CMidiOut::FinishBuffer(uintptr_t user)
{
    bool found = false;
    {
        std::lock_guard lock(m_bufferLock);
        auto it = std::find_if(m_buffers.begin(), m_buffers.end(),
                               [&](const auto& b) { return reinterpret_cast<uintptr_t>(b.get()) == user; });
        if (it != m_buffers.end()) {
            m_buffers.erase(it);
            found = true;
        }
    }
    if (found && --m_buffersOut < 1)
        m_allDoneEvent.set();
}

void CMidiOut::done(uintptr_t user)
{
    if (!GetHWnd().post(WM_WG_BUFFERDONE, user, 0))
        FinishBuffer(user);
}

void CMidiOut::underrun(uintptr_t, uint32_t lateMs)
{
    // Reported from the device thread: the port calls this under the caller's port lock.
    GetHWnd().post(WM_WG_UNDERRUN, lateMs, 0);
}

void CMidiOut::marker(uintptr_t user, size_t wordOffset)
{
    uintptr_t handle = 0;
    bool isStart = false;
    {
        std::lock_guard lock(m_bufferLock);
        for (const auto& buffer : m_buffers) {
            if (reinterpret_cast<uintptr_t>(buffer.get()) != user)
                continue;
            const auto words = buffer->GetWords();
            if (wordOffset + 5 < words.size() && (words[wordOffset + 2] >> 24) == 0xC2 && words[wordOffset + 3] == 1) {
                isStart = true;
                handle = static_cast<uintptr_t>(words[wordOffset + 4] | static_cast<uint64_t>(words[wordOffset + 5]) << 32);
            }
            break;
        }
    }
    if (!isStart || !GetHost()) {
        plat::trace("LOST CALLBACK!");
        return;
    }
    GetHost()->GetStartSignals().Fire(handle);
}

void CMidiOut::PollAsTimingDevice()
{
    CWGDeviceHost* host = GetHost();
    if (!host || !host->IsTimingDevice(this))
        return;
    // Besides the block now playing, the output holds the prefetch count of blocks, so each
    // slice is written a full latency ahead of its start. One poll per returned block keeps
    // it so. A poll that was skipped earlier (and the start, when only the prefetch count was
    // queued) left it a block short; that is made up here, a few polls at a time, and only
    // while each poll adds a block.
    const int wanted = host->GetPrefetchBufferCount() + 1;
    for (int i = 0; i < wanted && m_buffersOut - 1 < wanted; ++i) {
        const int before = m_buffersOut;
        if (!host->PollForTimingDevice(this) || m_buffersOut == before)
            break;
    }
}

intptr_t CMidiOut::WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_WG_BUFFERDONE:
        PollAsTimingDevice();
        FinishBuffer(wParam);
        return 0;
    case WM_WG_UNDERRUN:
        Report(311, wParam, static_cast<uintptr_t>(GetDevice()));
        return 0;
    case WM_WG_PRIORITY_HIGH:
        plat::media::ThreadPriority::set(plat::media::ThreadPriority::Level::polling);
        return 0;
    case WM_WG_PRIORITY_NORMAL:
        plat::media::ThreadPriority::set(plat::media::ThreadPriority::Level::normal);
        return 0;
    default:
        return CWGDevice::WndProc(msg, wParam, lParam);
    }
}

int CMidiOut::PlayMidi(uint32_t msg)
{
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (!m_port)
            return 0;
        error = m_port->shortMsg(msg);
    }
    if (error != plat::media::kOk) {
        Report(310, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CMidiOut::PlaySysEx(const uint8_t* bytes, int length)
{
    if (!bytes || length <= 0)
        return 0;
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (!m_port)
            return 0;
        error = m_port->longMsg(std::span<const uint8_t>(bytes, static_cast<size_t>(length)));
    }
    if (error != plat::media::kOk) {
        Report(310, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CMidiOut::PlayNote(uint32_t noteOn, uint32_t durationMs)
{
    if (!PlayMidi(noteOn))
        return 0;
    std::lock_guard lock(m_noteLock);
    // The note is listed before its timer starts; a timer that fires at once waits for the
    // lock and then finds it.
    const uint64_t key = m_nextNoteKey++;
    TimedNote& note = m_timedNotes[key];
    note.noteOn = noteOn;
    note.timer = Backend::instance().timers().setOneShot(durationMs, 10, [this, key] { TurnOffNote(key); });
    if (!note.timer) {
        m_timedNotes.erase(key);
        PlayMidi(noteOn & 0x0000FFFFu);
        return 0;
    }
    return 1;
}

void CMidiOut::TurnOffNote(uint64_t key)
{
    std::lock_guard lock(m_noteLock);
    const auto found = m_timedNotes.find(key);
    if (found == m_timedNotes.end())
        return;
    PlayMidi(found->second.noteOn & 0x0000FFFFu);
    m_timedNotes.erase(found);
}

int CMidiOut::DevOpen()
{
    m_flags &= static_cast<uint8_t>(~WG_RUNNING);
    auto port = Backend::instance().createMidiOut(GetDevice());
    const int error = port ? port->open(this) : plat::media::kErrorBadDeviceId;
    if (error != plat::media::kOk) {
        Report(300, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    {
        std::lock_guard lock(m_portLock);
        m_port = std::move(port);
    }
    {
        // Blocks of an earlier opening that are still being finished count until they are.
        std::lock_guard lock(m_bufferLock);
        m_buffersOut = static_cast<int>(m_buffers.size());
    }
    if (m_buffersOut < 1)
        m_allDoneEvent.set();
    else
        m_allDoneEvent.reset();
    m_flags |= WG_PRIMED;
    return 1;
}

int CMidiOut::DevStart()
{
    m_flags &= static_cast<uint8_t>(~WG_PRIMED);
    // A stream that starts from its time 0 during a play starts at the play's start, so its
    // events keep the play clock; a paused one resumes where it stands.
    const auto playStart = GetHost() && !TestState(WG_PAUSED) ? GetHost()->GetPlayStart() : std::nullopt;
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (m_port)
            error = playStart ? m_port->restartAt(*playStart) : m_port->restart();
    }
    if (error != plat::media::kOk) {
        Report(301, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    m_flags |= WG_RUNNING;
    return 1;
}

int CMidiOut::DevPause()
{
    m_flags &= static_cast<uint8_t>(~(WG_PRIMED | WG_RUNNING));
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (m_port)
            error = m_port->pause();
    }
    if (error != plat::media::kOk) {
        Report(302, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CMidiOut::DevStop()
{
    m_flags &= static_cast<uint8_t>(~(WG_PRIMED | WG_RUNNING));
    int error = plat::media::kErrorInvalidHandle;
    {
        std::lock_guard lock(m_portLock);
        if (m_port)
            error = m_port->stop();
    }
    if (error != plat::media::kOk) {
        Report(303, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    if (m_buffersOut > 0) {
        // The returned blocks are finished on the device thread; on that thread itself the
        // loop has to run for them.
        if (IsDeviceThread())
            plat::MessageLoop::current().runUntil([this] { return m_buffersOut < 1; },
                                                  std::chrono::milliseconds(kStopWaitMs));
        else
            m_allDoneEvent.wait(kStopWaitMs);
        m_allDoneEvent.reset();
    }
    return 1;
}

int CMidiOut::DevClose()
{
    m_flags &= static_cast<uint8_t>(~(WG_PRIMED | WG_RUNNING));
    std::unique_ptr<plat::media::MidiOutPort> port;
    const int error = CWGPortCloser::Close(m_portLock, m_port, port);
    if (error != plat::media::kOk) {
        Report(304, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

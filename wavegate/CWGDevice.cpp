#include "wavegate/CWGDevice.h"

#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Strings.h"
#include "platform/core/Thread.h"
#include "wavegate/CWGDeviceHost.h"

namespace {

struct FormatEntry {
    uint32_t hz;
    uint16_t channels;
    uint16_t bits;
};

constexpr FormatEntry kFormats[CWGDevice::kFormatCount] = {
    {8000, 1, 8},   {8000, 2, 8},   {11025, 1, 8},  {11025, 2, 8},  {11025, 1, 16},
    {11025, 2, 16}, {22050, 1, 8},  {22050, 2, 8},  {22050, 1, 16}, {22050, 2, 16},
    {44100, 1, 8},  {44100, 2, 8},  {44100, 1, 16}, {44100, 2, 16},
};

}  // namespace

CWGDevice::CWGDevice(int index, CWGDeviceHost* host) : m_host(host), m_defaultIndex(index) {}

CWGDevice::~CWGDevice()
{
    Close();
    SetFormat(nullptr);
    StopThread();
}

bool CWGDevice::EnsureThread()
{
    std::lock_guard lock(m_threadMutex);
    if (m_thread && m_thread->isRunning())
        return true;
    m_thread = std::make_unique<plat::Thread>("CWGDevice");
    const bool started = m_thread->start(
        [this] {
            m_window = std::make_unique<plat::MessageWindow>(
                "CWGDevice", [this](plat::MessageId msg, uintptr_t wParam, intptr_t lParam) {
                    return WndProc(msg, wParam, lParam);
                });
            m_windowRef = m_window->ref();
        },
        [this] { m_window.reset(); });
    if (!started)
        m_thread.reset();
    return started;
}

void CWGDevice::StopThread()
{
    std::unique_ptr<plat::Thread> thread;
    {
        std::lock_guard lock(m_threadMutex);
        thread = std::move(m_thread);
    }
    if (thread) {
        thread->quit();
        thread->join();
    }
}

plat::WindowRef CWGDevice::GetHWnd() const
{
    return m_windowRef;
}

bool CWGDevice::IsDeviceThread() const
{
    return m_thread && m_thread->id() == std::this_thread::get_id();
}

bool CWGDevice::Sync(uint32_t timeoutMs)
{
    plat::MessageLoop* loop = nullptr;
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_thread || !m_thread->isRunning())
            return true;
        if (m_thread->id() == std::this_thread::get_id())
            return true;
        loop = m_thread->loop();
    }
    auto handled = std::make_shared<plat::Event>(true, false);
    if (!loop || !loop->postTask([handled] { handled->set(); }))
        return false;
    return handled->wait(timeoutMs) == plat::Event::WaitResult::signalled;
}

void CWGDevice::Report(uint32_t code, uintptr_t p1, uintptr_t p2) const
{
    Report(m_host, code, p1, p2);
}

void CWGDevice::Report(CWGDeviceHost* host, uint32_t code, uintptr_t p1, uintptr_t p2)
{
    if (host)
        host->Notify(code, p1, p2);
}

WG_DevFormat* CWGDevice::GetFormat()
{
    return m_format.get();
}

int CWGDevice::SetFormat(const WG_DevFormat* format)
{
    m_format.reset();
    if (!format)
        return 0;
    m_format = std::make_unique<WG_DevFormat>(*format);
    return 1;
}

int CWGDevice::PlayData(CWGEventList&, uint32_t, uint32_t)
{
    return 0;
}

int CWGDevice::DevOpen()
{
    return 0;
}

int CWGDevice::DevStart()
{
    return 0;
}

int CWGDevice::DevPause()
{
    return 0;
}

int CWGDevice::DevStop()
{
    return 0;
}

int CWGDevice::DevClose()
{
    return 0;
}

intptr_t CWGDevice::WndProc(plat::MessageId, uintptr_t, intptr_t)
{
    return 0;
}

int CWGDevice::Open(int index)
{
    if (TestState(WG_OPEN))
        return 1;
    if (!IsEnabled())
        return 0;
    if (!EnsureThread())
        return 0;
    m_device = index;
    m_defaultIndex = index;
    if (!DevOpen())
        return 0;
    SetState(WG_OPEN);
    return 1;
}

int CWGDevice::Start()
{
    if (TestState(WG_STARTED))
        return 1;
    // A device that is not open yet opens its own system device.
    if (!Open(TestState(WG_OPEN) ? m_device.load() : m_defaultIndex))
        return 0;
    if (!DevStart())
        return 0;
    RemoveState(WG_PAUSED | WG_STOPPED);
    AddState(WG_STARTED);
    return 1;
}

int CWGDevice::Pause()
{
    if (TestState(WG_PAUSED) || !TestState(WG_OPEN))
        return 1;
    if (!DevPause())
        return 0;
    RemoveState(WG_STARTED | WG_STOPPED);
    AddState(WG_PAUSED);
    return 1;
}

int CWGDevice::Stop()
{
    if (TestState(WG_CLOSED | WG_STOPPED) || !TestState(WG_OPEN))
        return 1;
    if (!DevStop())
        return 0;
    RemoveState(WG_STARTED | WG_PAUSED);
    AddState(WG_STOPPED);
    return 1;
}

int CWGDevice::Close()
{
    if (TestState(WG_CLOSED))
        return 1;
    if (!Stop())
        return 0;
    if (!DevClose())
        return 0;
    m_device = 0;
    SetState(WG_CLOSED | (m_state & WG_DISABLED));
    return 1;
}

void CWGDevice::SetEnabled(int enable)
{
    if (enable) {
        RemoveState(WG_DISABLED);
    } else {
        Close();
        AddState(WG_DISABLED);
    }
}

void CWGDevice::FillFormat(WG_DevFormat* format, int index)
{
    if (!format)
        return;
    const FormatEntry& entry = (index < 0 || index >= kFormatCount) ? kFormats[8] : kFormats[index];
    *format = WG_DevFormat{};
    format->formatTag = WG_FORMAT_PCM;
    format->channels = entry.channels;
    format->samplesPerSec = entry.hz;
    format->bitsPerSample = entry.bits;
    format->blockAlign = static_cast<uint16_t>(entry.channels * entry.bits / 8);
    format->avgBytesPerSec = entry.hz * format->blockAlign;
    format->extraSize = 0;
}

void CWGDevice::FillFormatString(const WG_DevFormat* format, std::string& text)
{
    if (!format) {
        text.clear();
        return;
    }
    text = plat::format("%1.3f kHz %d-bit %s", format->samplesPerSec / 1000.0, format->bitsPerSample,
                        format->channels == 1 ? "Mono" : "Stereo");
}

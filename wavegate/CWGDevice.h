#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/Message.h"
#include "platform/core/MessageWindow.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/WGTypes.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace plat {
class Thread;
}
class CWGDeviceHost;

// The base of every device: its index, state bits and format, the open / start / pause /
// stop / close machine around the driver steps of the derived class, and a thread of its
// own with a hidden window, to which driver callbacks post so the device's work runs off
// the driver's thread. The thread starts the first time the device opens. A device reaches
// the manager that made it through the host it was given.
class WAVEGATE_API CWGDevice {
public:
    enum State : uint32_t {
        WG_CLOSED = 0x0001,
        WG_OPEN = 0x0002,
        WG_STOPPED = 0x0004,
        WG_PAUSED = 0x0008,
        WG_STARTED = 0x0010,
        WG_DISABLED = 0x8000,
    };

    static constexpr int kFormatCount = 14;

    // index: the system device a start opens when the device is not open yet; host: the
    // manager that made the device (null for a device used alone).
    explicit CWGDevice(int index = 0, CWGDeviceHost* host = nullptr);
    virtual ~CWGDevice();
    CWGDevice(const CWGDevice&) = delete;
    CWGDevice& operator=(const CWGDevice&) = delete;

    virtual WG_DevFormat* GetFormat();
    // Keeps a copy of the 18 bytes; null frees the copy and answers 0.
    virtual int SetFormat(const WG_DevFormat* format);
    // Takes the events of [from, to) from the head of list; leaves later ones there.
    virtual int PlayData(CWGEventList& list, uint32_t from, uint32_t to);

    int Open(int index);
    int Start();
    int Pause();
    int Stop();
    int Close();
    int IsEnabled() const { return (m_state & WG_DISABLED) == 0; }
    void SetEnabled(int enable);

    int GetDevice() const { return m_device; }
    uint32_t GetState() const { return m_state; }
    // The device thread's window; empty before the first open.
    plat::WindowRef GetHWnd() const;

    // Waits until the device thread has handled everything posted to it before the call;
    // false on time-out. For callers that need the effects of callbacks in flight.
    bool Sync(uint32_t timeoutMs = 5000);

    // Fills a PCM format from the table of 14; other indices, and 8, give 22050 Hz mono
    // 16-bit.
    static void FillFormat(WG_DevFormat* format, int index);
    // "22.050 kHz 16-bit Mono".
    static void FillFormatString(const WG_DevFormat* format, std::string& text);

protected:
    virtual int DevOpen();
    virtual int DevStart();
    virtual int DevPause();
    virtual int DevStop();
    virtual int DevClose();
    // Messages posted to the device's window, on the device thread.
    virtual intptr_t WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam);

    void SetState(uint32_t state) { m_state = state; }
    void AddState(uint32_t bits) { m_state |= bits; }
    void RemoveState(uint32_t bits) { m_state &= ~bits; }
    uint32_t TestState(uint32_t bits) const { return m_state & bits; }

    // Reports a failure through the device manager, when there is one.
    void Report(uint32_t code, uintptr_t p1, uintptr_t p2) const;
    static void Report(CWGDeviceHost* host, uint32_t code, uintptr_t p1, uintptr_t p2);
    CWGDeviceHost* GetHost() const { return m_host; }
    // Starts caps afresh with what the MIDI input and output ports both tell of themselves:
    // maker, product, driver version, support bits and the name, cut to fit.
    template <class PortCaps>
    static void FillPortCaps(WG_DevCaps* caps, const PortCaps& portCaps)
    {
        *caps = WG_DevCaps{};
        caps->manufacturer = portCaps.manufacturer;
        caps->product = portCaps.product;
        caps->driverVersion = portCaps.driverVersion;
        const size_t n = std::min(portCaps.name.size(), sizeof caps->name - 1);
        std::memcpy(caps->name, portCaps.name.data(), n);
        caps->support = portCaps.support;
    }
    bool IsDeviceThread() const;
    // Ends the device thread; a derived class calls it first in its destructor, so that no
    // message reaches its WndProc while it is torn down.
    void StopThread();

private:
    bool EnsureThread();

    CWGDeviceHost* const m_host;
    std::atomic<int> m_device = 0;
    std::atomic<uint32_t> m_state = WG_CLOSED;
    int m_defaultIndex;
    std::unique_ptr<WG_DevFormat> m_format;
    std::mutex m_threadMutex;
    std::unique_ptr<plat::Thread> m_thread;
    std::unique_ptr<plat::MessageWindow> m_window;   // made and destroyed on m_thread
    plat::WindowRef m_windowRef;
};

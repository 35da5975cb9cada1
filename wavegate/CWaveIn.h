#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/Event.h"
#include "platform/core/Message.h"
#include "platform/media/WaveInDevice.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/WGTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// A wave input: records through a wave input of the media backend into two half-second
// buffers and hands each filled one to the recording clients as a wave-header record, on the
// device's thread. While one buffer is with the clients the input fills the other.
class WAVEGATE_API CWaveIn : public CWGDevice, private plat::media::WaveInDevice::Events {
public:
    enum : uint32_t { WG_STOPPING = 0x0100 };
    // Posted by the input for a buffer it gives back: wParam the buffer's index, lParam the
    // bytes recorded.
    static constexpr plat::MessageId WM_WG_WIMDATA = plat::kFirstPrivateMessage + 0x3D1;
    static constexpr uint32_t kStopWaitMs = 5000;

    CWaveIn(int index, CWGDeviceHost* host);
    ~CWaveIn() override;

    // The backend's description of that input; 0 (and code 408) for an input it lacks.
    static int GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host = nullptr);
    // The FillFormat index of 22050 Hz mono 16-bit.
    static int GetDefaultFormat() { return 8; }
    // Half a second of the format, in whole frames.
    static uint32_t BufferLengthFor(const WG_DevFormat& format);

    // Replaces the format; an open input is reopened with it.
    int SetFormat(const WG_DevFormat* format) override;
    uint32_t GetBufferLength() const { return m_bufferLength; }

protected:
    int DevOpen() override;
    int DevStart() override;
    int DevPause() override { return DevStop(); }
    int DevStop() override;
    int DevClose() override;
    intptr_t WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam) override;

private:
    void done(uintptr_t user, size_t bytesRecorded) override;
    bool AllocateBuffers();
    bool PrepareBuffer(int index);
    void UnprepareBuffer();

    std::unique_ptr<plat::media::WaveInDevice> m_input;
    std::atomic<int> m_buffersOut = 0;
    uint32_t m_bufferLength = 0;
    std::vector<uint8_t> m_memory;
    std::array<WG_WaveHeader, 2> m_headers{};
    plat::Event m_allReturned{true, true};
};

#include "wavegate/CWaveIn.h"

#include "platform/media/Backend.h"
#include "platform/media/MediaError.h"
#include "wavegate/CWGDeviceHost.h"

#include <algorithm>
#include <cstring>

CWaveIn::CWaveIn(int index, CWGDeviceHost* host) : CWGDevice(index, host) {}

CWaveIn::~CWaveIn()
{
    Close();
    StopThread();
}

int CWaveIn::GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host)
{
    plat::media::WaveInDevice::Caps device;
    if (!caps || !plat::media::Backend::instance().waveInCaps(index, device)) {
        Report(host, 408, plat::media::kErrorBadDeviceId, static_cast<uintptr_t>(index));
        return 0;
    }
    *caps = WG_DevCaps{};
    const size_t n = std::min(device.name.size(), sizeof caps->name - 1);
    std::memcpy(caps->name, device.name.data(), n);
    caps->channelMask = device.maxChannels;
    return 1;
}

uint32_t CWaveIn::BufferLengthFor(const WG_DevFormat& format)
{
    // Half a second, cut to whole frames so that no buffer ends inside one.
    const uint32_t half = format.avgBytesPerSec / 2;
    return format.blockAlign > 1 ? half - half % format.blockAlign : half;
}

int CWaveIn::SetFormat(const WG_DevFormat* format)
{
    if (!format)
        return CWGDevice::SetFormat(nullptr);
    const bool wasOpen = TestState(WG_OPEN);
    const int index = GetDevice();
    if (wasOpen)
        Close();
    CWGDevice::SetFormat(format);
    if (wasOpen)
        Open(index);
    return 1;
}

bool CWaveIn::AllocateBuffers()
{
    if (!m_memory.empty())
        return true;
    try {
        m_memory.assign(2 * size_t{m_bufferLength}, 0);
    } catch (const std::bad_alloc&) {
        Report(803, 0, static_cast<uintptr_t>(GetDevice()));
        return false;
    }
    for (size_t i = 0; i < m_headers.size(); ++i)
        m_headers[i] = WG_WaveHeader{m_memory.data() + i * m_bufferLength, m_bufferLength, 0, i, 0};
    m_buffersOut = 0;
    return true;
}

int CWaveIn::DevOpen()
{
    if (!GetFormat()) {
        WG_DevFormat format;
        FillFormat(&format, GetDefaultFormat());
        CWGDevice::SetFormat(&format);
    }
    const WG_DevFormat format = *GetFormat();
    const uintptr_t device = static_cast<uintptr_t>(GetDevice());
    m_input = plat::media::Backend::instance().createWaveIn(GetDevice());
    if (!m_input) {
        Report(400, plat::media::kErrorBadDeviceId, device);
        return 0;
    }
    const plat::media::PcmFormat pcm{format.channels, format.samplesPerSec, format.bitsPerSample};
    if (format.formatTag != WG_FORMAT_PCM || format.blockAlign != pcm.blockAlign()) {
        Report(400, plat::media::kErrorBadFormat, device);
        m_input.reset();
        return 0;
    }
    if (const int error = m_input->open(pcm, this); error != plat::media::kOk) {
        Report(400, static_cast<uintptr_t>(error), device);
        m_input.reset();
        return 0;
    }
    m_bufferLength = BufferLengthFor(format);
    if (m_bufferLength == 0 || !AllocateBuffers()) {
        m_input->close();
        m_input.reset();
        return 0;
    }
    m_allReturned.set();
    int queued = 0;
    for (int i = 0; i < 2; ++i)
        queued += PrepareBuffer(i) ? 1 : 0;
    if (queued < 2) {
        m_input->stop();
        m_input->close();
        m_input.reset();
        m_memory.clear();
        return 0;
    }
    return 1;
}

bool CWaveIn::PrepareBuffer(int index)
{
    WG_WaveHeader& header = m_headers[static_cast<size_t>(index)];
    header.bytesRecorded = 0;
    if (const int error = m_input->add({header.data, header.bufferLength}, header.user); error != plat::media::kOk) {
        Report(405, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return false;
    }
    m_allReturned.reset();
    ++m_buffersOut;
    return true;
}

void CWaveIn::UnprepareBuffer()
{
    if (--m_buffersOut < 1) {
        RemoveState(WG_STOPPING);
        m_allReturned.set();
    }
}

int CWaveIn::DevStart()
{
    if (TestState(WG_STOPPING) || !m_input)
        return 0;
    // A stop gave every buffer back: an input started again needs them queued again.
    if (m_buffersOut == 0)
        for (int i = 0; i < 2; ++i)
            if (!PrepareBuffer(i))
                return 0;
    if (const int error = m_input->start(); error != plat::media::kOk) {
        Report(401, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CWaveIn::DevStop()
{
    if (!m_input)
        return 1;
    AddState(WG_STOPPING);
    const uintptr_t device = static_cast<uintptr_t>(GetDevice());
    // Stopping gives back every buffer; their messages are handled on the device thread.
    if (const int error = m_input->stop(); error != plat::media::kOk) {
        Report(402, static_cast<uintptr_t>(error), device);
        return 0;
    }
    if (const int error = m_input->reset(); error != plat::media::kOk) {
        Report(407, static_cast<uintptr_t>(error), device);
        return 0;
    }
    if (m_buffersOut == 0) {
        RemoveState(WG_STOPPING);
    } else if (TestState(WG_STOPPING)) {
        // On the device thread itself the buffers' messages wait behind this one.
        if (IsDeviceThread()) {
            m_buffersOut = 0;
            RemoveState(WG_STOPPING);
        } else {
            m_allReturned.wait(kStopWaitMs);
        }
        m_allReturned.reset();
    }
    return 1;
}

int CWaveIn::DevClose()
{
    if (m_input) {
        if (const int error = m_input->close(); error != plat::media::kOk) {
            Report(403, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
            return 0;
        }
        m_input.reset();
    }
    // Messages of buffers given back at the close find no buffers.
    Sync();
    m_memory.clear();
    m_buffersOut = 0;
    RemoveState(WG_STOPPING);
    m_allReturned.set();
    return 1;
}

void CWaveIn::done(uintptr_t user, size_t bytesRecorded)
{
    GetHWnd().post(WM_WG_WIMDATA, user, static_cast<intptr_t>(bytesRecorded));
}

intptr_t CWaveIn::WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam)
{
    if (msg != WM_WG_WIMDATA)
        return CWGDevice::WndProc(msg, wParam, lParam);
    if (m_memory.empty() || wParam >= m_headers.size())
        return 0;
    WG_WaveHeader& header = m_headers[wParam];
    header.bytesRecorded = static_cast<uint32_t>(std::min<intptr_t>(lParam, header.bufferLength));
    if (TestState(WG_STARTED) && !TestState(WG_STOPPING)) {
        // The clients see the buffer while the input fills the other one; then it goes back.
        CWGEventData record;
        record.SetWaveHeader(&header);
        record.device = GetDevice();
        record.time = 0;
        if (CWGDeviceHost* host = GetHost())
            host->ForwardRecordedData(&record);
        PrepareBuffer(static_cast<int>(wParam));
    }
    UnprepareBuffer();
    return 0;
}

#include "wavegate/CWGEventData.h"

#include <cstring>
#include <utility>

CWGEventData::~CWGEventData()
{
    FreeData();
}

CWGEventData::CWGEventData(CWGEventData&& other) noexcept
    : type(other.type), time(other.time), device(other.device), size(other.size), data(other.data),
      length(other.length), m_fileName(std::move(other.m_fileName))
{
    other.type = WG_EVENT_NONE;
    other.data = 0;
    other.length = 0;
    other.size = 0;
}

CWGEventData& CWGEventData::operator=(CWGEventData&& other) noexcept
{
    if (this != &other) {
        FreeData();
        type = std::exchange(other.type, WG_EVENT_NONE);
        time = other.time;
        device = other.device;
        size = std::exchange(other.size, 0u);
        data = std::exchange(other.data, uintptr_t{0});
        length = std::exchange(other.length, uintptr_t{0});
        m_fileName = std::move(other.m_fileName);
    }
    return *this;
}

void CWGEventData::FreeData()
{
    if (type == WG_EVENT_SYSEX)
        delete[] reinterpret_cast<uint8_t*>(data);
    else if (type == WG_EVENT_WAVEPARAMS)
        delete reinterpret_cast<WG_WaveParams*>(data);
    if (type == WG_EVENT_SYSEX || type == WG_EVENT_WAVEPARAMS)
        data = 0;
    m_fileName.reset();
}

void CWGEventData::SetMidiData(uint32_t msg)
{
    FreeData();
    type = WG_EVENT_MIDI;
    data = msg;
    size = 0;
}

void CWGEventData::SetSysExData(const uint8_t* bytes, uint32_t n)
{
    if (n == 0 || n > kMaxSysExBytes || !bytes)
        return;
    // Copy first: bytes may be this record's own block.
    auto* copy = new uint8_t[n];
    std::memcpy(copy, bytes, n);
    FreeData();
    type = WG_EVENT_SYSEX;
    data = reinterpret_cast<uintptr_t>(copy);
    length = n;
    size = (n + 3) / 4;
}

void CWGEventData::SetWaveData(WG_WaveParams* params)
{
    if (type == WG_EVENT_WAVEPARAMS && reinterpret_cast<WG_WaveParams*>(data) == params)
        return;
    // Copy first: the name may be this record's own copy.
    std::unique_ptr<char[]> name;
    if (params && params->fileName) {
        const size_t n = std::strlen(params->fileName) + 1;
        name = std::make_unique<char[]>(n);
        std::memcpy(name.get(), params->fileName, n);
        params->fileName = name.get();
    }
    FreeData();
    type = WG_EVENT_WAVEPARAMS;
    data = reinterpret_cast<uintptr_t>(params);
    m_fileName = std::move(name);
}

void CWGEventData::SetWaveHeader(WG_WaveHeader* header)
{
    FreeData();
    type = WG_EVENT_WAVEHEADER;
    data = reinterpret_cast<uintptr_t>(header);
}

void CWGEventData::SetWaveStart(const WG_WaveParams* params)
{
    const uintptr_t marker = params ? params->player : 0;
    FreeData();
    type = WG_EVENT_WAVESTART;
    data = 1;
    length = marker;
    size = 3;
}

void CWGEventData::SetFileMeta(uintptr_t value)
{
    FreeData();
    type = WG_EVENT_FILEMETA;
    data = value;
}

void CWGEventData::SetDevChan(int device, int channel)
{
    this->device = device;
    data = (data & ~uintptr_t{0x0F}) | static_cast<uintptr_t>(channel & 15);
}

const uint8_t* CWGEventData::GetSysExData() const
{
    return type == WG_EVENT_SYSEX ? reinterpret_cast<const uint8_t*>(data) : nullptr;
}

WG_WaveParams* CWGEventData::GetWaveParams() const
{
    return type == WG_EVENT_WAVEPARAMS ? reinterpret_cast<WG_WaveParams*>(data) : nullptr;
}

WG_WaveHeader* CWGEventData::GetWaveHeader() const
{
    return type == WG_EVENT_WAVEHEADER ? reinterpret_cast<WG_WaveHeader*>(data) : nullptr;
}

std::unique_ptr<CWGEventData> CWGEventData::CopySysEx(int device) const
{
    auto copy = std::make_unique<CWGEventData>();
    copy->SetSysExData(GetSysExData(), static_cast<uint32_t>(length));
    copy->device = device;
    copy->time = time;
    return copy;
}

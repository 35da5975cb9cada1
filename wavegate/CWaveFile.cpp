#include "wavegate/CWaveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

using plat::riff::fourcc;
using plat::riff::RiffChunk;
using plat::riff::RiffError;
using plat::riff::RiffFile;

namespace {

constexpr uint32_t kWave = fourcc('W', 'A', 'V', 'E');
constexpr uint32_t kFmt = fourcc('f', 'm', 't', ' ');
constexpr uint32_t kData = fourcc('d', 'a', 't', 'a');
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The smallest format chunk that says anything: tag, channels, rates, alignment and bits.
constexpr uint32_t kMinFormatBytes = 16;
constexpr uint32_t kExtensibleBytes = 40;
// The sub-format of an extensible format is a GUID whose first two bytes are a plain format
// tag and whose remaining 14 bytes are these.
constexpr uint8_t kSubFormatSuffix[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uintptr_t nameParam(const std::string& name) { return reinterpret_cast<uintptr_t>(name.c_str()); }

// Whether a format says how to play its sound: channels, a rate and the bytes of a frame, and
// for plain PCM samples of some bits in a frame that holds exactly one of each channel's.
bool Playable(const WG_DevFormat& format)
{
    if (format.channels == 0 || format.samplesPerSec == 0 || format.blockAlign == 0)
        return false;
    if (format.formatTag != WG_FORMAT_PCM)
        return true;
    const uint32_t sampleBytes = (uint32_t{format.bitsPerSample} + 7) / 8;
    return format.bitsPerSample != 0 && format.blockAlign == uint32_t{format.channels} * sampleBytes;
}

}  // namespace

CWaveFile::CWaveFile(CWGDeviceHost* host) : CWGDevice(0, host) {}

CWaveFile::~CWaveFile()
{
    Close();
    StopThread();
}

int CWaveFile::FileExists(const char* name)
{
    if (!name)
        return 0;
    std::error_code error;
    return std::filesystem::is_regular_file(name, error) ? 1 : 0;
}

bool CWaveFile::InspectFile(const char* name, WG_DevFormat& format, uint32_t& dataSize)
{
    if (!name)
        return false;
    RiffFile file;
    if (file.openRead(name) != RiffError::None)
        return false;
    RiffChunk riff, fmt, data;
    if (!CheckFile(nullptr, name, file, riff, fmt, data, format))
        return false;
    dataSize = data.size;
    return true;
}

long CWaveFile::FileDuration(const char* name)
{
    WG_DevFormat format;
    uint32_t dataSize = 0;
    return InspectFile(name, format, dataSize) ? DurationOf(dataSize, format) : 0;
}

int CWaveFile::FileFormat(const char* name, WG_DevFormat& format)
{
    // Read into a copy: a file that fails part way leaves the caller's format as it was.
    WG_DevFormat read;
    uint32_t dataSize = 0;
    if (!InspectFile(name, read, dataSize))
        return 0;
    format = read;
    return 1;
}

long CWaveFile::GetDuration()
{
    const WG_DevFormat* format = GetFormat();
    return format ? DurationOf(m_dataSize, *format) : 0;
}

long CWaveFile::DurationOf(uint32_t size, const WG_DevFormat& format)
{
    // PCM plays a frame a sample time, whatever rate its header claims besides.
    const uint64_t frameRate = uint64_t{format.samplesPerSec} * format.blockAlign;
    uint64_t bytesPerSec = format.formatTag == WG_FORMAT_PCM ? frameRate : format.avgBytesPerSec;
    if (bytesPerSec == 0)
        bytesPerSec = frameRate;
    if (bytesPerSec == 0)
        return 0;
    return static_cast<long>(uint64_t{size} * 1000 / bytesPerSec);
}

int CWaveFile::DevClose()
{
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    m_position = 0;
    return 1;
}

int CWaveFile::CheckFile(CWGDeviceHost* host, const std::string& name, RiffFile& file, RiffChunk& riff,
                         RiffChunk& fmt, RiffChunk& data, WG_DevFormat& format)
{
    const uintptr_t p2 = nameParam(name);
    if (file.seek(0) != RiffError::None) {
        Report(host, 602, file.lastErrno(), p2);
        return 0;
    }
    riff = RiffChunk{};
    riff.formType = kWave;
    if (file.descend(riff, nullptr, RiffFile::Find::Riff) != RiffError::None) {
        Report(host, 603, file.lastErrno(), p2);
        return 0;
    }
    fmt = RiffChunk{};
    fmt.id = kFmt;
    if (file.seek(riff.dataOffset + 4) != RiffError::None ||
        file.descend(fmt, &riff, RiffFile::Find::Chunk) != RiffError::None) {
        Report(host, 603, file.lastErrno(), p2);
        return 0;
    }
    uint8_t bytes[kExtensibleBytes] = {};
    const uint32_t wanted = std::min(fmt.size, kExtensibleBytes);
    if (fmt.size < kMinFormatBytes || file.readExact(bytes, wanted) != RiffError::None) {
        Report(host, 605, file.lastErrno(), p2);
        return 0;
    }
    format = WG_DevFormat{};
    format.formatTag = u16(bytes);
    format.channels = u16(bytes + 2);
    format.samplesPerSec = u32(bytes + 4);
    format.avgBytesPerSec = u32(bytes + 8);
    format.blockAlign = u16(bytes + 12);
    format.bitsPerSample = u16(bytes + 14);
    format.extraSize = wanted >= 18 ? u16(bytes + 16) : 0;
    // An extensible format of plain PCM samples is plain PCM to everything that plays it.
    if (format.formatTag == kFormatExtensible && wanted == kExtensibleBytes && u16(bytes + 24) == WG_FORMAT_PCM &&
        std::memcmp(bytes + 26, kSubFormatSuffix, sizeof kSubFormatSuffix) == 0) {
        format.formatTag = WG_FORMAT_PCM;
        format.extraSize = 0;
    }
    if (!Playable(format)) {
        Report(host, 605, EINVAL, p2);
        return 0;
    }
    if (file.ascend(fmt) != RiffError::None) {
        Report(host, 604, file.lastErrno(), p2);
        return 0;
    }
    data = RiffChunk{};
    data.id = kData;
    if (file.seek(riff.dataOffset + 4) != RiffError::None ||
        file.descend(data, &riff, RiffFile::Find::Chunk) != RiffError::None) {
        Report(host, 603, file.lastErrno(), p2);
        return 0;
    }
    // Sound ends at its last whole frame, also when the end of the file cut it short.
    if (format.blockAlign > 1)
        data.size -= data.size % format.blockAlign;
    return 1;
}

void CWaveFile::ReportFile(uint32_t code, int error) const
{
    Report(code, static_cast<uintptr_t>(error), nameParam(m_filename));
}

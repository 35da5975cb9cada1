#pragma once

// Reads a WAV file back for tests, independently of the writer: walks the RIFF chunks.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace plat::media::test {

struct WavContents {
    uint32_t riffSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    std::vector<uint8_t> data;

    size_t frames() const { return blockAlign ? data.size() / blockAlign : 0; }
    // 16-bit sample of channel c in frame i, as -1 .. 1.
    float sample(size_t i, size_t c) const
    {
        const size_t at = i * blockAlign + 2 * c;
        const auto value = static_cast<int16_t>(data[at] | (data[at + 1] << 8));
        return static_cast<float>(value) / 32767.0f;
    }
};

inline uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline uint16_t le16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::optional<WavContents> readWav(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WavContents wav;
    wav.riffSize = le32(b, 4);
    bool haveFormat = false;
    bool haveData = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t size = le32(b, at + 4);
        // Bytes past the counted data (written after the last flush) end the walk.
        if (at + 8 + size > b.size())
            break;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            wav.formatTag = le16(b, at + 8);
            wav.channels = le16(b, at + 10);
            wav.sampleRate = le32(b, at + 12);
            wav.avgBytesPerSec = le32(b, at + 16);
            wav.blockAlign = le16(b, at + 20);
            wav.bits = le16(b, at + 22);
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            wav.data.assign(b.begin() + static_cast<ptrdiff_t>(at + 8), b.begin() + static_cast<ptrdiff_t>(at + 8 + size));
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        return std::nullopt;
    return wav;
}

// A folder of its own below the temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace plat::media::test

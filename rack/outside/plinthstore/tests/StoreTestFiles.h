#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace rack::test {

inline void putLe(std::vector<uint8_t>& bytes, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

inline void putText(std::vector<uint8_t>& bytes, const char* text)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(text[i]));
}

// The bytes of a PCM wave file holding data.
inline std::vector<uint8_t> waveFileBytes(uint32_t rate, uint16_t channels, uint16_t bits,
                                          const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> bytes;
    putText(bytes, "RIFF");
    putLe(bytes, uint32_t(36 + data.size()), 4);
    putText(bytes, "WAVE");
    putText(bytes, "fmt ");
    putLe(bytes, 16, 4);
    putLe(bytes, 1, 2);
    putLe(bytes, channels, 2);
    putLe(bytes, rate, 4);
    const uint16_t align = uint16_t(channels * (bits / 8));
    putLe(bytes, rate * align, 4);
    putLe(bytes, align, 2);
    putLe(bytes, bits, 2);
    putText(bytes, "data");
    putLe(bytes, uint32_t(data.size()), 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace rack::test

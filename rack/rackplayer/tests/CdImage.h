#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace rack::test {

inline constexpr int kSectorBytes = 2352;

// A disc image made by the test: track 1 two seconds of silence, track 2 one second of a
// tone, track 3 a second and a half of another, each sample distinct enough to be followed.
class CdImage {
public:
    CdImage()
    {
        m_folder = std::filesystem::temp_directory_path() / ("cd-image-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
        const int sectors[3] = {150, 75, 113};
        int at = 0;
        for (int track = 0; track < 3; ++track) {
            m_first[track] = at;
            for (int i = 0; i < sectors[track] * kSectorBytes / 4; ++i) {
                int16_t left = 0;
                int16_t right = 0;
                if (track > 0) {
                    const double phase = 2 * M_PI * (track == 1 ? 440.0 : 660.0) * i / 44100;
                    left = int16_t(std::lround(12000 * std::sin(phase))) ;
                    right = int16_t(i % 30000 - 15000);
                }
                for (const int16_t sample : {left, right}) {
                    m_bin.push_back(uint8_t(sample & 0xFF));
                    m_bin.push_back(uint8_t((sample >> 8) & 0xFF));
                }
            }
            at += sectors[track];
        }
        std::ofstream(bin(), std::ios::binary).write(reinterpret_cast<const char*>(m_bin.data()), long(m_bin.size()));
        std::ofstream cue(this->cue());
        cue << "FILE \"disc.bin\" BINARY\n";
        for (int track = 0; track < 3; ++track) {
            const int frames = m_first[track];
            char line[64];
            std::snprintf(line, sizeof line, "    INDEX 01 %02d:%02d:%02d\n", frames / 75 / 60, frames / 75 % 60,
                          frames % 75);
            cue << "  TRACK 0" << track + 1 << " AUDIO\n" << line;
        }
    }
    ~CdImage() { std::filesystem::remove_all(m_folder); }

    std::string bin() const { return (m_folder / "disc.bin").string(); }
    std::string cue() const { return (m_folder / "disc.cue").string(); }
    // The bytes of a track (0-based) as the image holds them.
    std::vector<uint8_t> track(int index) const
    {
        const int end = index < 2 ? m_first[index + 1] : int(m_bin.size() / kSectorBytes);
        return std::vector<uint8_t>(m_bin.begin() + long(m_first[index]) * kSectorBytes,
                                    m_bin.begin() + long(end) * kSectorBytes);
    }

private:
    std::filesystem::path m_folder;
    std::vector<uint8_t> m_bin;
    int m_first[3] = {};
};

}  // namespace rack::test

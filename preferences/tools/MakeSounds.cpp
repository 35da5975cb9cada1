// Writes the sounds that live beside the program into the folder named on the command line:
// "intro.wav", the greeting of the device wizard's first run (a rising chord, one note after
// another), and "test.wav", the short tone the audio pages play to test a device. Both are
// 16-bit mono PCM at 22,050 Hz, synthesised here.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

bool writeWave(const std::string& path, const std::vector<double>& samples)
{
    std::vector<uint8_t> data;
    for (double s : samples) {
        const double clipped = s > 1.0 ? 1.0 : s < -1.0 ? -1.0 : s;
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32000.0))));
    }
    std::vector<uint8_t> file;
    const auto tag = [&file](const char* text) { file.insert(file.end(), text, text + 4); };
    tag("RIFF");
    put32(file, static_cast<uint32_t>(36 + data.size()));
    tag("WAVE");
    tag("fmt ");
    put32(file, 16);
    put16(file, 1);            // PCM
    put16(file, 1);            // mono
    put32(file, kRate);
    put32(file, kRate * 2);    // bytes a second
    put16(file, 2);            // bytes a frame
    put16(file, 16);
    tag("data");
    put32(file, static_cast<uint32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// A bell-like note: a tone with a softer octave above, a quick rise and a long fade.
void addNote(std::vector<double>& samples, double startSeconds, double seconds, double frequency, double level)
{
    const size_t first = static_cast<size_t>(startSeconds * kRate);
    const size_t count = static_cast<size_t>(seconds * kRate);
    if (samples.size() < first + count)
        samples.resize(first + count, 0.0);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double rise = std::min(1.0, t / 0.01);
        const double fade = std::exp(-3.5 * t / seconds);
        const double tone = std::sin(2 * kPi * frequency * t) + 0.3 * std::sin(4 * kPi * frequency * t);
        samples[first + i] += level * rise * fade * tone / 1.3;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeSounds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<double> intro;
    // C, E, G and the C above, each entering after the one before.
    const double notes[] = {523.25, 659.25, 783.99, 1046.50};
    for (int i = 0; i < 4; ++i)
        addNote(intro, 0.18 * i, 1.4 - 0.18 * i, notes[i], 0.22);
    std::vector<double> test;
    addNote(test, 0.0, 0.6, 880.0, 0.5);
    if (!writeWave(folder + "/intro.wav", intro) || !writeWave(folder + "/test.wav", test)) {
        std::fprintf(stderr, "MakeSounds: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}

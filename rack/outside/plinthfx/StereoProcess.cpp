#include "rack/outside/plinthfx/StereoProcess.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace rack {

namespace {

std::atomic<int> g_gain = kFxFullGain;
std::atomic<int> g_balance = 0;
std::atomic<int> g_bits = 16;

// The factor of each side, in 1/10000.
void sideFactors(int gain, int balance, int& left, int& right)
{
    gain = std::clamp(gain, 0, kFxFullGain);
    balance = std::clamp(balance, -kFxMaxBalance, kFxMaxBalance);
    left = gain * 100 * (kFxMaxBalance - std::max(balance, 0)) / kFxMaxBalance;
    right = gain * 100 * (kFxMaxBalance + std::min(balance, 0)) / kFxMaxBalance;
}

}  // namespace

void aqx_SetFormat(const plat::media::PcmFormat& format)
{
    g_bits = format.bitsPerSample <= 8 ? 8 : 16;
}

int aqx_Status()
{
    return g_gain.load() != kFxFullGain || g_balance.load() != 0 ? 1 : 0;
}

void aqx_Process(const uint8_t* input, uint8_t* output, int frames)
{
    aqx_Scale(input, output, frames, g_bits.load(), g_gain.load(), g_balance.load());
}

void aqx_Scale(const uint8_t* input, uint8_t* output, int frames, int bitsPerSample, int gain, int balance)
{
    if (frames <= 0)
        return;
    int factors[2];
    sideFactors(gain, balance, factors[0], factors[1]);
    if (bitsPerSample <= 8) {
        for (int i = 0; i < frames * 2; ++i) {
            const int centred = int(input[i]) - 128;
            output[i] = uint8_t(std::clamp(128 + centred * factors[i & 1] / 10000, 0, 255));
        }
        return;
    }
    for (int i = 0; i < frames * 2; ++i) {
        int16_t sample;
        std::memcpy(&sample, input + 2 * i, 2);
        const auto scaled = int16_t(std::clamp(int(sample) * factors[i & 1] / 10000, -32768, 32767));
        std::memcpy(output + 2 * i, &scaled, 2);
    }
}

void aqx_SetLevels(int gain, int balance)
{
    g_gain = std::clamp(gain, 0, kFxFullGain);
    g_balance = std::clamp(balance, -kFxMaxBalance, kFxMaxBalance);
}

}  // namespace rack

#include "rack/outside/plinthfx/StereoProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace rack {
namespace {

TEST(StereoProcessTest, GainAndBalanceScaleEachSideAndNeutralLevelsTurnProcessingOff)
{
    struct Case {
        int gain;
        int balance;
        int status;
        int16_t left;
        int16_t right;
    };
    const Case cases[] = {
        {100, 0, 0, 1000, -2000},
        {50, 0, 1, 500, -1000},
        {100, 25, 1, 500, -2000},   // towards the right: the left side fades
        {100, -50, 1, 1000, 0},     // left only
        {0, 0, 1, 0, 0},
        {150, 80, 1, 0, -2000},     // clamped to full gain and right only
    };
    aqx_SetFormat(plat::media::PcmFormat{2, 44100, 16});
    for (const Case& c : cases) {
        aqx_SetLevels(c.gain, c.balance);
        EXPECT_EQ(aqx_Status() & 1, c.status) << c.gain << " " << c.balance;
        const int16_t in[4] = {1000, -2000, 1000, -2000};
        int16_t out[4] = {};
        aqx_Process(reinterpret_cast<const uint8_t*>(in), reinterpret_cast<uint8_t*>(out), 2);
        EXPECT_EQ(out[0], c.left) << c.gain << " " << c.balance;
        EXPECT_EQ(out[1], c.right) << c.gain << " " << c.balance;
        EXPECT_EQ(out[2], c.left);
    }
    aqx_SetLevels(100, 0);
}

TEST(StereoProcessTest, EightBitSamplesScaleAroundTheirSilenceValue)
{
    aqx_SetFormat(plat::media::PcmFormat{2, 22050, 8});
    aqx_SetLevels(50, 0);
    std::vector<uint8_t> buffer = {228, 28, 128, 128};
    aqx_Process(buffer.data(), buffer.data(), 2);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{178, 78, 128, 128}));
    aqx_SetLevels(100, 0);
}

}  // namespace
}  // namespace rack

#include "WavegateTestSupport.h"

#include "wavegate/CWGDevice.h"

#include <gtest/gtest.h>

namespace {

// A device whose driver steps succeed unless told to fail.
class ScriptedDevice : public CWGDevice {
public:
    using CWGDevice::CWGDevice;
    ~ScriptedDevice() override
    {
        StopThread();
        Close();
    }
    bool failStart = false;
    int opened = -1;

protected:
    int DevOpen() override
    {
        opened = GetDevice();
        return 1;
    }
    int DevStart() override { return failStart ? 0 : 1; }
    int DevPause() override { return 1; }
    int DevStop() override { return 1; }
    int DevClose() override { return 1; }
};

}  // namespace

TEST(CWGDeviceTest, StateBitsFollowTheMachine)
{
    ScriptedDevice device;
    EXPECT_EQ(device.GetState(), 0x0001u);
    const struct {
        const char* step;
        int (CWGDevice::*call)();
        uint32_t state;
    } steps[] = {
        {"pause while closed", &CWGDevice::Pause, 0x0001},
        {"stop while closed", &CWGDevice::Stop, 0x0001},
        {"start", &CWGDevice::Start, 0x0012},
        {"pause", &CWGDevice::Pause, 0x000A},
        {"start again", &CWGDevice::Start, 0x0012},
        {"stop", &CWGDevice::Stop, 0x0006},
        {"close", &CWGDevice::Close, 0x0001},
    };
    for (const auto& s : steps) {
        EXPECT_EQ((device.*s.call)(), 1) << s.step;
        EXPECT_EQ(device.GetState(), s.state) << s.step;
    }
    EXPECT_EQ(device.Open(3), 1);
    EXPECT_EQ(device.GetState(), 0x0002u);
    EXPECT_EQ(device.GetDevice(), 3);
    EXPECT_EQ(device.Open(5), 1) << "open already";
    EXPECT_EQ(device.GetDevice(), 3);
}

TEST(CWGDeviceTest, AFailedDriverStepLeavesTheStateAsItWas)
{
    ScriptedDevice device;
    device.failStart = true;
    EXPECT_EQ(device.Open(0), 1);
    EXPECT_EQ(device.Start(), 0);
    EXPECT_EQ(device.GetState(), 0x0002u);
}

TEST(CWGDeviceTest, ADisabledDeviceIsClosedAndCannotOpen)
{
    ScriptedDevice device;
    device.Start();
    device.SetEnabled(0);
    EXPECT_EQ(device.GetState(), 0x8001u);
    EXPECT_FALSE(device.IsEnabled());
    EXPECT_EQ(device.Open(0), 0);
    EXPECT_EQ(device.Start(), 0);
    device.SetEnabled(1);
    EXPECT_EQ(device.GetState(), 0x0001u);
}

TEST(CWGDeviceTest, StartingADeviceThatIsNotOpenOpensItsOwnIndex)
{
    ScriptedDevice device(4);
    EXPECT_EQ(device.Start(), 1);
    EXPECT_EQ(device.opened, 4) << "not port 0";
    device.Close();
    device.Open(2);
    device.Close();
    EXPECT_EQ(device.Start(), 1);
    EXPECT_EQ(device.opened, 2) << "the index it was last opened with";
}

TEST(CWGDeviceTest, TheBaseDeviceOpensNothing)
{
    CWGDevice device;
    EXPECT_EQ(device.Open(0), 0);
    EXPECT_EQ(device.GetState(), 0x0001u);
    CWGEventList list;
    EXPECT_EQ(device.PlayData(list, 0, 100), 0);
}

TEST(CWGDeviceTest, FormatsAreCopiedAndNullFreesThem)
{
    CWGDevice device;
    WG_DevFormat format;
    CWGDevice::FillFormat(&format, 13);
    EXPECT_EQ(device.SetFormat(&format), 1);
    ASSERT_NE(device.GetFormat(), nullptr);
    EXPECT_NE(device.GetFormat(), &format);
    EXPECT_EQ(device.GetFormat()->avgBytesPerSec, 176400u);
    EXPECT_EQ(device.SetFormat(nullptr), 0);
    EXPECT_EQ(device.GetFormat(), nullptr);
}

TEST(CWGDeviceTest, FillFormatTable)
{
    const struct {
        int index;
        uint32_t hz;
        uint16_t channels, bits;
        uint32_t avg;
        uint16_t align;
    } rows[] = {
        {0, 8000, 1, 8, 8000, 1},      {1, 8000, 2, 8, 16000, 2},      {2, 11025, 1, 8, 11025, 1},
        {3, 11025, 2, 8, 22050, 2},    {4, 11025, 1, 16, 22050, 2},    {5, 11025, 2, 16, 44100, 4},
        {6, 22050, 1, 8, 22050, 1},    {7, 22050, 2, 8, 44100, 2},     {8, 22050, 1, 16, 44100, 2},
        {9, 22050, 2, 16, 88200, 4},   {10, 44100, 1, 8, 44100, 1},    {11, 44100, 2, 8, 88200, 2},
        {12, 44100, 1, 16, 88200, 2},  {13, 44100, 2, 16, 176400, 4},  {14, 22050, 1, 16, 44100, 2},
        {20, 22050, 1, 16, 44100, 2},  {-1, 22050, 1, 16, 44100, 2},
    };
    for (const auto& r : rows) {
        WG_DevFormat f;
        f.extraSize = 99;
        CWGDevice::FillFormat(&f, r.index);
        EXPECT_EQ(f.formatTag, WG_FORMAT_PCM) << r.index;
        EXPECT_EQ(f.samplesPerSec, r.hz) << r.index;
        EXPECT_EQ(f.channels, r.channels) << r.index;
        EXPECT_EQ(f.bitsPerSample, r.bits) << r.index;
        EXPECT_EQ(f.avgBytesPerSec, r.avg) << r.index;
        EXPECT_EQ(f.blockAlign, r.align) << r.index;
        EXPECT_EQ(f.extraSize, 0) << r.index;
    }
}

TEST(CWGDeviceTest, FormatString)
{
    const std::pair<int, const char*> rows[] = {
        {8, "22.050 kHz 16-bit Mono"}, {13, "44.100 kHz 16-bit Stereo"}, {0, "8.000 kHz 8-bit Mono"}};
    for (const auto& [index, text] : rows) {
        WG_DevFormat f;
        CWGDevice::FillFormat(&f, index);
        std::string s;
        CWGDevice::FillFormatString(&f, s);
        EXPECT_EQ(s, text);
    }
}

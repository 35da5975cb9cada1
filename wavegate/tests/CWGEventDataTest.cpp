#include "wavegate/CWGEventData.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<CWGEventData>, "records own blocks: copies would free them twice");
static_assert(!std::is_copy_assignable_v<CWGEventData>);

TEST(CWGEventDataTest, SysExRecordsCopyTheBytesAndCountStreamWords)
{
    const std::pair<uint32_t, uint32_t> cases[] = {{1, 1}, {4, 1}, {5, 2}, {8, 2}, {9, 3}};
    const uint8_t bytes[9] = {0xF0, 1, 2, 3, 4, 5, 6, 7, 0xF7};
    for (const auto& [n, words] : cases) {
        CWGEventData event;
        event.SetSysExData(bytes, n);
        EXPECT_EQ(event.type, CWGEventData::WG_EVENT_SYSEX);
        EXPECT_EQ(event.length, n);
        EXPECT_EQ(event.size, words) << n << " bytes";
        ASSERT_NE(event.GetSysExData(), bytes);
        EXPECT_EQ(event.GetSysExData()[n - 1], bytes[n - 1]);
    }
}

TEST(CWGEventDataTest, AnEmptyOrOversizedSysExChangesNothing)
{
    CWGEventData event;
    event.SetMidiData(0x00403C90u);
    const uint8_t byte = 0xF0;
    event.SetSysExData(&byte, 0);
    event.SetSysExData(nullptr, 3);
    event.SetSysExData(&byte, CWGEventData::kMaxSysExBytes + 1);
    EXPECT_EQ(event.type, CWGEventData::WG_EVENT_MIDI);
    EXPECT_EQ(event.data, 0x00403C90u);
}

TEST(CWGEventDataTest, SetDevChanReplacesOnlyTheChannelNibble)
{
    CWGEventData event;
    event.SetMidiData(0x00457892u);
    event.SetDevChan(3, 0x1A);
    EXPECT_EQ(event.device, 3);
    EXPECT_EQ(event.data, 0x0045789Au);
}

TEST(CWGEventDataTest, SettersReplaceAnOwnedBlockWithoutLeakingIt)
{
    // Under the sanitizer build a leaked copy or parameter block fails this test.
    const uint8_t bytes[] = {0xF0, 0x43, 0xF7};
    CWGEventData event;
    event.SetSysExData(bytes, 3);
    event.SetSysExData(event.GetSysExData(), 2);   // from its own block
    EXPECT_EQ(event.length, 2u);
    EXPECT_EQ(event.GetSysExData()[1], 0x43);
    event.SetWaveData(new WG_WaveParams{});
    event.SetWaveData(new WG_WaveParams{});
    event.SetMidiData(0x90);
    EXPECT_EQ(event.GetWaveParams(), nullptr);
}

TEST(CWGEventDataTest, AWaveRecordKeepsItsOwnFileNameWhereverItGoes)
{
    auto name = std::make_unique<std::string>("/music/clip.wav");
    auto* params = new WG_WaveParams{};
    params->fileName = name->c_str();
    CWGEventData event;
    event.SetWaveData(params);
    name.reset();   // the element that named the file is gone
    EXPECT_STREQ(event.GetWaveParams()->fileName, "/music/clip.wav");
    event.SetWaveData(event.GetWaveParams());   // its own block again
    CWGEventData moved(std::move(event));
    CWGEventData assigned;
    assigned = std::move(moved);
    EXPECT_STREQ(assigned.GetWaveParams()->fileName, "/music/clip.wav");

    auto* parametersOnly = new WG_WaveParams{};
    assigned.SetWaveData(parametersOnly);
    EXPECT_EQ(assigned.GetWaveParams()->fileName, nullptr);
}

TEST(CWGEventDataTest, BorrowedBlocksStayTheirOwnersAndMarkersCarryThePlayerWord)
{
    WG_WaveParams params;
    params.player = static_cast<uintptr_t>(0x12345678ABCDEF12ull);
    {
        CWGEventData marker;
        marker.SetWaveStart(&params);
        EXPECT_EQ(marker.type, CWGEventData::WG_EVENT_WAVESTART);
        EXPECT_EQ(marker.data, 1u);
        EXPECT_EQ(marker.length, static_cast<uintptr_t>(0x12345678ABCDEF12ull));
        EXPECT_EQ(marker.size, 3u);
        CWGEventData header;
        header.SetWaveHeader(reinterpret_cast<WG_WaveHeader*>(&params));
    }
    EXPECT_EQ(params.player, static_cast<uintptr_t>(0x12345678ABCDEF12ull));
}

TEST(CWGEventDataTest, AMovedRecordHandsOverItsBlock)
{
    const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
    CWGEventData first;
    first.SetSysExData(bytes, 3);
    first.time = 40;
    const uint8_t* block = first.GetSysExData();
    CWGEventData second(std::move(first));
    EXPECT_EQ(second.GetSysExData(), block);
    EXPECT_EQ(second.time, 40u);
    EXPECT_EQ(first.type, CWGEventData::WG_EVENT_NONE);

    CWGEventData third;
    third.SetWaveData(new WG_WaveParams{});
    third = std::move(second);
    EXPECT_EQ(third.GetSysExData(), block);

    const auto copy = third.CopySysEx(5);
    EXPECT_NE(copy->GetSysExData(), block);
    EXPECT_EQ(copy->device, 5);
    EXPECT_EQ(copy->time, 40u);
    EXPECT_EQ(copy->length, 3u);
}

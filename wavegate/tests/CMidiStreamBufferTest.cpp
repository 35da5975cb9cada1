#include "WavegateTestSupport.h"

#include "wavegate/CMidiStreamBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint32_t> pack(uint32_t from, uint32_t to, std::vector<std::unique_ptr<CWGEventData>> events)
{
    CMidiStreamBuffer buffer(from, to);
    for (auto& e : events)
        buffer.AddStreamData(std::move(e));
    EXPECT_TRUE(buffer.CapStreamBuffer());
    EXPECT_EQ(buffer.GetEventCount(), 0u) << "packed events are deleted";
    const auto words = buffer.GetWords();
    return {words.begin(), words.end()};
}

std::vector<std::unique_ptr<CWGEventData>> events(std::initializer_list<std::pair<uint32_t, uint32_t>> timesAndMessages)
{
    std::vector<std::unique_ptr<CWGEventData>> list;
    for (const auto& [time, msg] : timesAndMessages)
        list.push_back(MidiEvent(time, msg));
    return list;
}

}  // namespace

TEST(CMidiStreamBufferTest, DeltasOfEverySliceAddUpToItsLength)
{
    const uint32_t nop = CMidiStreamBuffer::kNopCode;
    EXPECT_EQ(pack(0, 100, {}), (std::vector<uint32_t>{100, 0, nop}));
    EXPECT_EQ(pack(0, 100, events({{10, 0x403C90}, {40, 0x3C80}})),
              (std::vector<uint32_t>{10, 0, 0x403C90, 30, 0, 0x3C80, 60, 0, nop}));
    EXPECT_EQ(pack(200, 300, events({{150, 0x403C90}, {250, 0x3C80}})),
              (std::vector<uint32_t>{0, 0, 0x403C90, 50, 0, 0x3C80, 50, 0, nop}))
        << "an event before the slice goes out at its start";
    // An event past the end (added by hand) cannot shorten the block below its events.
    EXPECT_EQ(pack(0, 100, events({{130, 0x403C90}})), (std::vector<uint32_t>{130, 0, 0x403C90, 0, 0, nop}));
}

TEST(CMidiStreamBufferTest, LongMessagesAndMarkersTakeTheirParameterWords)
{
    std::vector<std::unique_ptr<CWGEventData>> list;
    const uint8_t sysex[] = {0xF0, 0x41, 0x10, 0x42, 0xF7};
    auto s = std::make_unique<CWGEventData>();
    s->SetSysExData(sysex, 5);
    s->time = 20;
    list.push_back(std::move(s));
    WG_WaveParams params;
    params.player = static_cast<uintptr_t>(0x0000000500000077ull);
    auto m = std::make_unique<CWGEventData>();
    m->SetWaveStart(&params);
    m->time = 50;
    list.push_back(std::move(m));
    auto meta = std::make_unique<CWGEventData>();
    meta->SetFileMeta(9);
    list.push_back(std::move(meta));   // not a stream event: dropped

    EXPECT_EQ(pack(0, 100, std::move(list)), (std::vector<uint32_t>{
                                                 20, 0, 0x80000005u, 0x421041F0u, 0x000000F7u,
                                                 30, 0, 0xC200000Cu, 1, 0x77, 5,
                                                 50, 0, CMidiStreamBuffer::kNopCode,
                                             }));
}

TEST(CMidiStreamBufferTest, TheBlockNamesItsBuffer)
{
    CMidiStreamBuffer buffer(0, 100);
    buffer.CapStreamBuffer();
    const auto block = buffer.GetStreamBlock();
    EXPECT_EQ(block.user, reinterpret_cast<uintptr_t>(&buffer));
    EXPECT_EQ(block.words.size(), 3u);
    EXPECT_EQ(buffer.GetDeltaSum(), 100u);
}

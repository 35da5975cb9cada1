#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/memory/MemoryProvider.h"

#include <gtest/gtest.h>

#include <vector>

namespace plat::media {
namespace {

struct CountingEvents : MidiOutPort::Events {
    void done(uintptr_t user) override { returned.push_back(user); }
    void marker(uintptr_t, size_t) override {}
    std::vector<uintptr_t> returned;
};

TEST(MemoryMidiOutTest, RecordsStreamAndClockTimesOfWhatItPlays)
{
    ManualTimerService timers(5000);
    MemoryProvider provider(timers, 1, 0);
    CountingEvents events;
    auto port = provider.createMidiOut(0);
    ASSERT_EQ(port->open(&events), kOk);

    const std::vector<uint32_t> block = {25, 0, 0x00403C90u, 75, 0, kStreamNop};
    ASSERT_EQ(port->queue({block, 11}), kOk);
    ASSERT_EQ(port->restart(), kOk);
    EXPECT_EQ(port->shortMsg(0x00007BB0u), kOk);
    timers.advance(100);

    const auto played = provider.midiOut(0).played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_TRUE(played[0].immediate);
    EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0xB0, 0x7B, 0x00}));
    EXPECT_FALSE(played[1].immediate);
    EXPECT_EQ(played[1].streamMs, 25u);
    EXPECT_EQ(played[1].clockMs, 5025u);
    EXPECT_EQ(played[1].bytes, (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
    EXPECT_EQ(events.returned, std::vector<uintptr_t>{11});
}

TEST(MemoryMidiOutTest, InjectedFailuresAreAnsweredAndCloseReturnsQueuedBlocks)
{
    ManualTimerService timers;
    MemoryProvider provider(timers, 1, 0);
    MemoryMidiOut& device = provider.midiOut(0);
    CountingEvents events;
    auto port = provider.createMidiOut(0);

    EXPECT_EQ(port->queue({}), kErrorInvalidHandle) << "not open";
    device.setFailure(MemoryMidiOut::Operation::open, kErrorAllocated);
    EXPECT_EQ(port->open(&events), kErrorAllocated);
    device.setFailure(MemoryMidiOut::Operation::open, kOk);
    ASSERT_EQ(port->open(&events), kOk);

    device.setFailure(MemoryMidiOut::Operation::restart, kErrorNotReady);
    EXPECT_EQ(port->restart(), kErrorNotReady);
    device.setFailure(MemoryMidiOut::Operation::restart, kOk);

    const std::vector<uint32_t> block = {100, 0, kStreamNop};
    port->queue({block, 1});
    port->queue({block, 2});
    EXPECT_EQ(device.queuedBlocks(), 2u);
    EXPECT_EQ(port->shortMsg(0x00000040u), kErrorInvalidParam) << "a data byte is no status";
    EXPECT_EQ(port->close(), kOk);
    EXPECT_EQ(events.returned, (std::vector<uintptr_t>{1, 2}));
    EXPECT_FALSE(device.isOpen());
}

struct InputLog : MidiInPort::Events {
    void data(uint32_t packed, uint32_t ms) override { messages.emplace_back(packed, ms); }
    void longData(std::span<const uint8_t> bytes, uint32_t) override { sysex.assign(bytes.begin(), bytes.end()); }
    std::vector<std::pair<uint32_t, uint32_t>> messages;
    std::vector<uint8_t> sysex;
};

TEST(MemoryMidiInTest, FedMessagesArriveOnlyWhileStartedWithTimeSinceStart)
{
    ManualTimerService timers(700);
    MemoryProvider provider(timers, 0, 1);
    MemoryMidiIn& device = provider.midiIn(0);
    InputLog log;
    auto port = provider.createMidiIn(0);

    EXPECT_FALSE(device.feed(0x00403C90u)) << "closed";
    ASSERT_EQ(port->open(&log), kOk);
    EXPECT_FALSE(device.feed(0x00403C90u)) << "open, not started";
    ASSERT_EQ(port->start(), kOk);
    timers.advance(40);
    EXPECT_TRUE(device.feed(0x000000F8u));
    const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
    EXPECT_TRUE(device.feedSysEx(sysex));
    ASSERT_EQ(port->stop(), kOk);
    EXPECT_FALSE(device.feed(0x00403C90u));

    EXPECT_EQ(log.messages, (std::vector<std::pair<uint32_t, uint32_t>>{{0xF8, 40}}));
    EXPECT_EQ(log.sysex, (std::vector<uint8_t>{0xF0, 0x7E, 0xF7}));
    EXPECT_EQ(port->close(), kOk);
    EXPECT_FALSE(device.isOpen());
}

}  // namespace
}  // namespace plat::media

#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/StreamScheduler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plat::media {
namespace {

using ::testing::ElementsAre;

// Everything the stream reports, in one log, in the order it happened.
struct Recorder : StreamScheduler::Sink, MidiOutPort::Events {
    explicit Recorder(const Clock& c) : clock(c) {}
    void emit(uint32_t streamMs, std::span<const uint8_t> bytes) override
    {
        std::string text = "play " + std::to_string(streamMs) + "@" + std::to_string(clock.nowMs());
        for (uint8_t b : bytes)
            text += " " + std::to_string(b);
        log.push_back(text);
    }
    void done(uintptr_t user) override { log.push_back("done " + std::to_string(user) + "@" + std::to_string(clock.nowMs())); }
    void marker(uintptr_t user, size_t offset) override
    {
        log.push_back("marker " + std::to_string(user) + ":" + std::to_string(offset) + "@" + std::to_string(clock.nowMs()));
    }
    const Clock& clock;
    std::vector<std::string> log;
};

// A note-on at `at` ms into a block of `length` ms.
std::vector<uint32_t> noteBlock(uint32_t at, uint32_t length, uint8_t key)
{
    return {at, 0, 0x00400090u | uint32_t{key} << 8, length - at, 0, kStreamNop};
}

class StreamSchedulerTest : public ::testing::Test {
protected:
    ManualTimerService timers{1000};
    Recorder recorder{timers.clock()};
    StreamScheduler stream{timers, recorder, &recorder};
};

TEST_F(StreamSchedulerTest, BlocksQueuedBeforeRestartPlayBackToBackFromStreamTimeZero)
{
    const auto first = noteBlock(10, 100, 60);
    const auto second = noteBlock(0, 100, 62);
    ASSERT_EQ(stream.queue({first, 1}), kOk);
    ASSERT_EQ(stream.queue({second, 2}), kOk);
    timers.advance(500);
    EXPECT_TRUE(recorder.log.empty()) << "nothing plays before restart";

    stream.restart();
    timers.advance(250);
    EXPECT_THAT(recorder.log, ElementsAre("play 10@1510 144 60 64", "done 1@1600", "play 100@1600 144 62 64", "done 2@1700"));
    EXPECT_EQ(stream.queuedBlocks(), 0u);
}

TEST_F(StreamSchedulerTest, PauseFreezesTheTimelineAndRestartResumesIt)
{
    const auto block = noteBlock(50, 100, 60);
    stream.queue({block, 7});
    stream.restart();
    timers.advance(30);
    stream.pause();
    timers.advance(1000);
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(stream.streamTimeMs(), 30u);

    stream.restart();
    timers.advance(20);
    timers.advance(50);
    EXPECT_THAT(recorder.log, ElementsAre("play 50@2050 144 60 64", "done 7@2100"));
}

TEST_F(StreamSchedulerTest, StopReturnsEveryQueuedBlockInOrderAndRewinds)
{
    const auto a = noteBlock(10, 100, 60);
    const auto b = noteBlock(10, 100, 61);
    const auto c = noteBlock(10, 100, 62);
    stream.queue({a, 1});
    stream.queue({b, 2});
    stream.queue({c, 3});
    stream.restart();
    timers.advance(150);
    recorder.log.clear();

    stream.stop();
    EXPECT_THAT(recorder.log, ElementsAre("done 2@1150", "done 3@1150"));
    EXPECT_EQ(stream.streamTimeMs(), 0u);
    EXPECT_FALSE(stream.isRunning());

    // Nothing that was returned plays later; a new block starts at stream time 0 again.
    recorder.log.clear();
    stream.queue({a, 4});
    stream.restart();
    timers.advance(100);
    EXPECT_THAT(recorder.log, ElementsAre("play 10@1160 144 60 64", "done 4@1250"));
}

TEST_F(StreamSchedulerTest, LongMessagesAndMarkersPlayAtTheirTime)
{
    // A 5-byte system-exclusive message at 20, a marker with the callback flag at 40.
    const std::vector<uint32_t> block = {
        20, 0, 0x80000005u, 0x7E7F7EF0u, 0x000000F7u,
        20, 0, 0xC2000008u, 1, 0x1234,
        60, 0, kStreamNop,
    };
    stream.queue({block, 9});
    stream.restart();
    timers.advance(100);
    EXPECT_THAT(recorder.log, ElementsAre("play 20@1020 240 126 127 126 247", "marker 9:5@1040", "done 9@1100"));
}

TEST_F(StreamSchedulerTest, ABlockQueuedLateStartsNowInsteadOfInThePast)
{
    stream.restart();
    timers.advance(300);
    const auto block = noteBlock(10, 100, 60);
    stream.queue({block, 1});
    timers.advance(10);
    EXPECT_THAT(recorder.log, ElementsAre("play 310@1310 144 60 64"));
}

TEST_F(StreamSchedulerTest, WordsThatDoNotFormWholeEventsAreRefused)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> words;
    };
    const Case cases[] = {
        {"two words", {0, 0}},
        {"long event without its parameters", {0, 0, 0x80000009u, 0}},
        {"a trailing partial event", {0, 0, kStreamNop, 5}},
        {"deltas beyond 24 days", {0x7FFFFFFFu, 0, kStreamNop, 1, 0, kStreamNop}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stream.queue({c.words, 1}), kErrorInvalidParam) << c.what;
    }
    EXPECT_EQ(stream.queuedBlocks(), 0u);
}

TEST(StreamSchedulerLength, ShortMessageLengthsFollowTheStatusByte)
{
    const std::pair<uint8_t, size_t> cases[] = {
        {0x00, 0}, {0x7F, 0}, {0x80, 3}, {0x9F, 3}, {0xB0, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3},
        {0xF0, 0}, {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1}, {0xF7, 0}, {0xF8, 1}, {0xFF, 1},
    };
    for (const auto& [status, length] : cases)
        EXPECT_EQ(StreamScheduler::shortMessageLength(status), length) << int(status);
}

TEST(StreamSchedulerLifetime, DestroyingTheStreamWithATimerPendingCallsNothingLater)
{
    ManualTimerService timers;
    Recorder recorder{timers.clock()};
    const auto block = noteBlock(50, 100, 60);
    {
        StreamScheduler stream(timers, recorder, &recorder);
        stream.queue({block, 1});
        stream.restart();
        timers.advance(10);
    }
    timers.advance(200);
    EXPECT_TRUE(recorder.log.empty());
}

}  // namespace
}  // namespace plat::media

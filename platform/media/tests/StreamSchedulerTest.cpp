#include "platform/core/Event.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/StreamScheduler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
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
    void underrun(uintptr_t user, uint32_t lateMs) override
    {
        log.push_back("underrun " + std::to_string(user) + " " + std::to_string(lateMs) + "@" + std::to_string(clock.nowMs()));
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

TEST_F(StreamSchedulerTest, ABlockThatComesAfterTheStreamRanDryKeepsItsPlaceOnTheTimeline)
{
    const auto first = noteBlock(50, 100, 60);
    // Events at 10 and 60 into the block, which belongs at stream time 100.
    const std::vector<uint32_t> late = {10, 0, 0x00403E90u, 50, 0, 0x00004090u, 40, 0, kStreamNop};
    const auto next = noteBlock(0, 100, 62);
    stream.queue({first, 1});
    stream.restart();
    timers.advance(130);
    recorder.log.clear();

    stream.queue({late, 2});
    EXPECT_THAT(recorder.log, ElementsAre("underrun 2 30@1130")) << "reported by the caller of queue";

    // A block that comes late while the stream is still behind is the same underrun; one in
    // time ends it, and the next late one is reported again.
    timers.advance(100);
    stream.queue({next, 3});
    stream.queue({first, 4});
    timers.advance(200);
    stream.queue({first, 5});
    EXPECT_THAT(recorder.log, ElementsAre("underrun 2 30@1130", "play 110@1130 144 62 64", "play 160@1160 144 64 0",
                                          "done 2@1200", "play 200@1230 144 62 64", "done 3@1300",
                                          "play 350@1350 144 60 64", "done 4@1400", "underrun 5 30@1430"));
}

TEST_F(StreamSchedulerTest, APausedStreamPlaysNothingEvenAtThePointWhereItStands)
{
    const auto block = noteBlock(0, 100, 60);
    stream.queue({block, 1});
    timers.advance(100);
    EXPECT_TRUE(recorder.log.empty());
    stream.restart();
    timers.advance(0);
    EXPECT_THAT(recorder.log, ElementsAre("play 0@1100 144 60 64"));
}

TEST_F(StreamSchedulerTest, AnEventsDeadlineCountsFromTheStreamsOriginInNanoseconds)
{
    std::vector<int64_t> playedAtNs;
    struct NsSink : StreamScheduler::Sink {
        explicit NsSink(const Clock& c, std::vector<int64_t>& at) : clock(c), at(at) {}
        void emit(uint32_t, std::span<const uint8_t>) override { at.push_back(clock.nowNs()); }
        const Clock& clock;
        std::vector<int64_t>& at;
    } sink(timers.clock(), playedAtNs);
    StreamScheduler timed(timers, sink, nullptr);

    // The stream starts 0.4 ms into a millisecond, and its timer is next set 5.4 ms later.
    const auto block = noteBlock(10, 100, 60);
    timers.manualClock().setNs(1'000'400'000);
    timed.queue({block, 1});
    timed.restart();
    timers.manualClock().setNs(1'005'800'000);
    timers.advance(4);
    EXPECT_TRUE(playedAtNs.empty());
    timers.advance(1);
    EXPECT_EQ(playedAtNs, std::vector<int64_t>{1'010'400'000}) << "neither rounded to a whole ms nor delayed past it";
}

TEST_F(StreamSchedulerTest, RestartAtCountsFromTheStartOfTheMillisecondItNames)
{
    struct NsSink : StreamScheduler::Sink {
        explicit NsSink(const Clock& c) : clock(c) {}
        void emit(uint32_t, std::span<const uint8_t>) override { at.push_back(clock.nowNs()); }
        const Clock& clock;
        std::vector<int64_t> at;
    };
    struct Case {
        const char* what;
        uint32_t atMs;
        uint32_t pauseAfterMs;   // 0: started from stream time 0
        std::vector<int64_t> playedNs;
    };
    // The clock stands 0.4 ms into millisecond 1000 at every (re)start; notes at 10 and 20.
    const Case cases[] = {
        {"from this millisecond", 1000, 0, {1'010'000'000, 1'020'000'000}},
        {"from an earlier one: what is past plays at once", 985, 0, {1'000'400'000, 1'005'000'000}},
        {"from a later one: from now", 1003, 0, {1'010'400'000, 1'020'400'000}},
        {"a paused stream counts on from where it stands", 1000, 15, {1'005'000'000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManualTimerService clockTimers;
        NsSink sink(clockTimers.clock());
        StreamScheduler timed(clockTimers, sink, nullptr);
        const std::vector<uint32_t> block{10, 0, 0x00400090u | 60u << 8, 10, 0, 0x00400090u | 62u << 8, 80, 0, kStreamNop};
        timed.queue({block, 1});
        if (c.pauseAfterMs) {
            // The first note plays, then the stream stands at 15 while the clock moves on.
            timed.restart();
            clockTimers.advance(c.pauseAfterMs);
            timed.pause();
            sink.at.clear();
        }
        clockTimers.manualClock().setNs(1'000'400'000);
        timed.restartAt(MediaTime(c.atMs));
        clockTimers.advance(100);
        EXPECT_EQ(sink.at, c.playedNs);
    }
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

// On the real clock each stream plays on a thread of its own: one whose sink blocks holds up
// neither another stream nor the caller that queues on it.
TEST(StreamSchedulerLanes, ASinkThatBlocksHoldsUpOnlyItsOwnStream)
{
    struct GateSink : StreamScheduler::Sink {
        void emit(uint32_t, std::span<const uint8_t>) override
        {
            entered.set();
            release.wait(5000);
        }
        plat::Event entered{true, false};
        plat::Event release{true, false};
    } blocking;
    struct SignalSink : StreamScheduler::Sink {
        void emit(uint32_t, std::span<const uint8_t>) override { played.set(); }
        plat::Event played{true, false};
    } free;
    const auto block = noteBlock(0, 20, 60);   // outlives the streams that play it
    RealTimerService timers;
    StreamScheduler stuck(timers, blocking, nullptr);
    StreamScheduler other(timers, free, nullptr);
    stuck.queue({block, 1});
    stuck.restart();
    ASSERT_EQ(blocking.entered.wait(5000), plat::Event::WaitResult::signalled);

    other.queue({block, 2});
    other.restart();
    EXPECT_EQ(free.played.wait(5000), plat::Event::WaitResult::signalled);
    auto queued = std::async(std::launch::async, [&] { return stuck.queue({block, 3}); });
    EXPECT_EQ(queued.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    blocking.release.set();
}

}  // namespace
}  // namespace plat::media

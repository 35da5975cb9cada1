#include "platform/core/Trace.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::media {
namespace {

// Left carries the engine frame number (scaled), right a constant: a frame out of place or
// missing shows in the recording.
class RampSource final : public AudioSource {
public:
    explicit RampSource(float level) : m_level(level) {}
    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override
    {
        for (uint32_t i = 0; i < frames; ++i) {
            left[i] += static_cast<float>((firstFrame + i) % 1000) / 1000.0f;
            right[i] += m_level;
        }
        m_calls.fetch_add(1);
    }
    int calls() const { return m_calls.load(); }

private:
    float m_level;
    std::atomic<int> m_calls{0};
};

// A sink that works for a number of blocks and then fails.
class FailingSink final : public AudioSink {
public:
    explicit FailingSink(int goodBlocks) : m_good(goodBlocks) {}
    std::string name() const override { return "Failing output"; }
    int open(uint32_t, uint32_t) override { return m_good < 0 ? kErrorNoDriver : kOk; }
    int waitWritable() override { return kOk; }
    int write(std::span<const float>) override { return m_good-- > 0 ? kOk : kErrorNotReady; }
    void close() override {}
    void interrupt() override {}
    uint32_t leadFrames() const override { return 0; }

private:
    int m_good;
};

struct EngineFixture {
    explicit EngineFixture(size_t capacity = 48000 * 4, uint32_t batchMs = 0)
    {
        auto owned = std::make_unique<MemoryAudioSink>(capacity);
        sink = owned.get();
        engine = std::make_unique<AudioEngine>(timers, std::move(owned), AudioEngine::kDefaultSampleRate,
                                               AudioEngine::kDefaultBlockFrames, batchMs);
    }
    void advance(uint32_t ms)
    {
        timers.advance(ms);
        engine->waitCaughtUp();
    }

    ManualTimerService timers{1000};
    MemoryAudioSink* sink = nullptr;
    std::unique_ptr<AudioEngine> engine;
};

TEST(AudioEngineTest, FollowsTheManualClockBlockByBlockAndMixesItsSources)
{
    EngineFixture f;
    RampSource a(0.25f);
    RampSource b(0.5f);
    ASSERT_EQ(f.engine->addSource(a), kOk);
    ASSERT_EQ(f.engine->addSource(b), kOk);
    EXPECT_TRUE(f.engine->isRunning());
    EXPECT_EQ(f.engine->renderLagMs(), 0u);

    f.engine->waitCaughtUp();
    EXPECT_EQ(f.sink->frameCount(), 0u);  // nothing is rendered ahead of the clock
    f.advance(100);                       // 4800 frames: 18 whole blocks of 256
    EXPECT_EQ(f.sink->frameCount(), 18u * 256);
    EXPECT_EQ(a.calls(), 18) << "without a batch each block is a pass of its own";
    f.advance(900);
    EXPECT_EQ(f.sink->frameCount(), 48000u - 48000u % 256);
    EXPECT_EQ(f.engine->renderedFrames(), f.sink->frameCount());

    for (size_t i : {size_t(0), size_t(255), size_t(256), size_t(12345), f.sink->frameCount() - 1}) {
        SCOPED_TRACE(i);
        // Both ramps add, and the sum is kept within full scale.
        EXPECT_FLOAT_EQ(f.sink->left(i), std::min(1.0f, 2 * static_cast<float>(i % 1000) / 1000.0f));
        EXPECT_FLOAT_EQ(f.sink->right(i), 0.75f);
    }
    f.engine->removeSource(a);
    f.engine->removeSource(b);
    EXPECT_FALSE(f.engine->isRunning());
}

// With a batch the engine lets blocks come due until the batch is full and renders them
// together; it still renders nothing ahead of the clock, and the samples are the same.
TEST(AudioEngineTest, WithABatchTheBlocksThatCameDueAreRenderedTogether)
{
    EngineFixture f(48000 * 4, 20);
    RampSource ramp(0.25f);
    ASSERT_EQ(f.engine->addSource(ramp), kOk);
    f.engine->waitCaughtUp();
    EXPECT_EQ(f.engine->renderLagMs(), 20u) << "what plays through it learns how late it may render";
    // The first block falls due at 5.3 ms; the engine waits until 20 ms more have (26 ms).
    f.advance(10);
    EXPECT_EQ(f.sink->frameCount(), 0u);
    f.advance(16);                          // 26 ms: the 4 whole blocks due, at once
    EXPECT_EQ(f.sink->frameCount(), 4u * 256);
    EXPECT_EQ(ramp.calls(), 1) << "the blocks of a batch reach the source in one pass";
    f.advance(10);                          // the fifth falls due at 26.7 ms: wake at 47 ms
    EXPECT_EQ(f.sink->frameCount(), 4u * 256);
    f.advance(11);
    EXPECT_EQ(f.sink->frameCount(), 8u * 256);
    EXPECT_EQ(ramp.calls(), 2);
    // A long step renders what came due in passes of at most kMaxPassBlocks blocks.
    f.advance(953);                         // 1 s: the blocks that came due, a batch at most behind
    EXPECT_GE(ramp.calls(), 2 + static_cast<int>((f.sink->frameCount() - 8u * 256) / (256u * AudioEngine::kMaxPassBlocks)));
    const size_t whole = 48000u - 48000u % 256;
    EXPECT_LE(f.sink->frameCount(), whole);
    EXPECT_GE(f.sink->frameCount(), whole - 48000u * 20 / 1000 - 256);
    for (size_t i : {size_t(0), size_t(255), size_t(256), size_t(12345)})
        EXPECT_FLOAT_EQ(f.sink->left(i), static_cast<float>(i % 1000) / 1000.0f) << i;
    f.engine->removeSource(ramp);
}

TEST(AudioEngineTest, ARemovedSourceIsNeverCalledAgainAndTheLastOneStopsTheEngine)
{
    EngineFixture f;
    RampSource a(0.25f);
    RampSource b(0.5f);
    ASSERT_EQ(f.engine->addSource(a), kOk);
    ASSERT_EQ(f.engine->addSource(b), kOk);
    f.advance(50);
    f.engine->removeSource(a);
    const int callsAtRemoval = a.calls();
    f.advance(50);
    EXPECT_EQ(a.calls(), callsAtRemoval);
    EXPECT_GT(b.calls(), callsAtRemoval);
    EXPECT_FLOAT_EQ(f.sink->right(f.sink->frameCount() - 1), 0.5f);

    f.engine->removeSource(b);
    EXPECT_FALSE(f.engine->isRunning());
    f.engine->removeSource(b);  // not a source any more: nothing happens

    // The next source opens the sink again, with its sample clock from 0.
    ASSERT_EQ(f.engine->addSource(a), kOk);
    EXPECT_EQ(f.engine->renderedFrames(), 0u);
    f.advance(10);
    EXPECT_EQ(f.engine->renderedFrames(), 256u);
}

TEST(AudioEngineTest, MapsTheMediaClockOntoItsSampleClock)
{
    EngineFixture f;
    RampSource a(0.0f);
    ASSERT_EQ(f.engine->addSource(a), kOk);  // the sample clock starts at 1000 ms
    EXPECT_EQ(f.engine->frameAt(1000), 0u);
    EXPECT_EQ(f.engine->frameAt(999), 0u);
    EXPECT_EQ(f.engine->frameAt(1100), 4800u);
    // Ten minutes on: the mapping is taken from the start, never summed step by step.
    EXPECT_EQ(f.engine->frameAt(1000 + 600'000), 600u * 48000);
    f.engine->removeSource(a);
}

TEST(AudioEngineTest, AFailedSinkIsReportedAndTheEngineKeepsTime)
{
    std::vector<std::string> lines;
    std::mutex linesMutex;
    auto previous = plat::setTraceSink([&](std::string_view line) {
        std::lock_guard lock(linesMutex);
        lines.emplace_back(line);
    });
    {
        ManualTimerService timers;
        AudioEngine engine(timers, std::make_unique<FailingSink>(3));
        RampSource a(0.0f);
        ASSERT_EQ(engine.addSource(a), kOk);
        timers.advance(100);
        engine.waitCaughtUp();
        EXPECT_EQ(engine.sinkError(), kErrorNotReady);
        EXPECT_EQ(engine.renderedFrames(), 18u * 256);  // still in step with the clock
        engine.removeSource(a);

        AudioEngine broken(timers, std::make_unique<FailingSink>(-1));
        EXPECT_EQ(broken.addSource(a), kErrorNoDriver);
        EXPECT_FALSE(broken.isRunning());
    }
    plat::setTraceSink(previous);
    int failedWhilePlaying = 0;
    int cannotOpen = 0;
    for (const auto& line : lines) {
        failedWhilePlaying += line.find("Failing output failed while playing") != std::string::npos;
        cannotOpen += line.find("Failing output cannot open") != std::string::npos;
    }
    EXPECT_EQ(failedWhilePlaying, 1);
    EXPECT_EQ(cannotOpen, 1);
}

TEST(AudioEngineTest, StopsWhileWaitingForAClockThatDoesNotMove)
{
    EngineFixture f;
    RampSource a(0.0f);
    ASSERT_EQ(f.engine->addSource(a), kOk);
    f.engine->waitCaughtUp();
    f.engine.reset();  // must not wait for the clock
    SUCCEED();
}

TEST(AudioEngineTest, AMemorySinkKeepsWhatFitsAndCountsTheRest)
{
    EngineFixture f(1000);
    RampSource a(0.5f);
    ASSERT_EQ(f.engine->addSource(a), kOk);
    f.advance(100);
    EXPECT_EQ(f.sink->frameCount(), 1000u);
    EXPECT_EQ(f.sink->droppedFrames(), 18u * 256 - 1000);
    f.engine->removeSource(a);
}

}  // namespace
}  // namespace plat::media

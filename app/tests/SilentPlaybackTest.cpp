#include "app/core/CSilentPlaybackNotice.h"
#include "app/tests/AppTestSupport.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// The program's frame over a device manager whose backend offers the outputs of the case.
class SilentPlaybackTest : public apptest::FrameTest {
protected:
    void Start(int midiOuts)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(0);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        if (midiOuts > 0)
            providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, midiOuts, 0));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        apptest::FrameTest::SetUp();
    }
    void SetUp() override {}
    void TearDown() override
    {
        apptest::FrameTest::TearDown();
        plat::media::Backend::install(std::move(m_previous));
    }

    int Told() const
    {
        const auto& texts = m_prompts.Texts();
        return int(std::count(texts.begin(), texts.end(), std::string(CSilentPlaybackNotice::kText)));
    }

    std::unique_ptr<plat::media::Backend> m_previous;
};

// With no output at all, the first Play tells the user, and nothing later in the run does
// (another Play, Record, another document).
TEST_F(SilentPlaybackTest, WithNoOutputTheFirstPlayTellsOnce)
{
    Start(0);
    ASSERT_NE(NewDocument(), nullptr);
    m_frame->onCommand(777);
    EXPECT_EQ(Told(), 0) << "stopping plays nothing";
    m_frame->onCommand(778);
    EXPECT_EQ(Told(), 1);
    m_frame->onCommand(777);
    m_frame->onCommand(778);
    m_frame->onCommand(777);
    m_frame->onCommand(775);
    ASSERT_NE(NewDocument(), nullptr);
    m_frame->onCommand(778);
    EXPECT_EQ(Told(), 1);
}

// Recording plays too, and tells the same way.
TEST_F(SilentPlaybackTest, WithNoOutputRecordingTells)
{
    Start(0);
    ASSERT_NE(NewDocument(), nullptr);
    m_frame->onCommand(775);
    EXPECT_EQ(Told(), 1);
}

// A MIDI output is enough to be heard: nothing is said.
TEST_F(SilentPlaybackTest, WithAMidiOutputNothingIsSaid)
{
    Start(1);
    ASSERT_NE(NewDocument(), nullptr);
    ASSERT_NE(CWavegate::GetWavegate(), nullptr);
    EXPECT_TRUE(CSilentPlaybackNotice::CanBeHeard(*CWavegate::GetWavegate()));
    m_frame->onCommand(778);
    m_frame->onCommand(777);
    EXPECT_EQ(Told(), 0);
}

}  // namespace

#include "notabase/model/ECWave.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class WaveEventsTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

TEST_F(WaveEventsTest, ClipsCompareByTimeAndFileName)
{
    ECWave clip("take1.wav");
    EXPECT_EQ(clip.GetTime()->GetSeconds(), 0.0f);
    EXPECT_EQ(clip.GetDuration()->GetSeconds(), 0.0f);
    EXPECT_EQ(ECWave().GetTime()->GetSeconds(), 0.0f);

    ECWave a(MCTime(4.0f), "take1.wav");
    ECWave b(MCTime(4.0f), "take1.wav");
    MCTime three(3.0f);
    MCTime five(5.0f);
    a.SetDuration(&three);
    b.SetDuration(&five);
    EXPECT_TRUE(a == b) << "the duration does not count";
    EXPECT_TRUE(a != ECWave(MCTime(4.0f), "Take1.wav")) << "case counts";
    EXPECT_TRUE(a != ECWave(MCTime(4.5f), "take1.wav"));

    // Assignment takes the file name and leaves time and duration; the copy takes the time.
    ECWave target(MCTime(1.0f), "other.wav");
    target.SetDuration(&five);
    target.Copy(&a);
    EXPECT_EQ(target.GetFileName(), "take1.wav");
    EXPECT_EQ(target.GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(target.GetDuration()->GetSeconds(), 5.0f);
    ECWave copied(a);
    EXPECT_EQ(copied.GetTime()->GetSeconds(), 4.0f);
    EXPECT_EQ(copied.GetDuration()->GetSeconds(), 0.0f);

    std::vector<int> types;
    EXPECT_EQ(a.GetParentTypes(types), 1);
    EXPECT_EQ(types, std::vector<int>{71});
}

TEST_F(WaveEventsTest, ClipsOfAWaveTrackRoundTrip)
{
    ECWaveTrack track;
    auto* clip = new ECWave(MCTime(2.0f), "Audio/verse 1.wav");
    MCTime length(6.5f);
    clip->SetDuration(&length);
    clip->SetVoiceTrack(0, 3);
    track.AddChild(clip, 1);
    track.AddChild(new ECWave(MCTime(10.0f), "chorus.wav"), 1);

    const auto bytes = storeObject(&track);
    std::unique_ptr<ECWaveTrack> loaded(static_cast<ECWaveTrack*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->GetChildren()->GetCount(), 2);
    auto* first = plat::dynamicDowncast<ECWave>(loaded->GetChildren()->GetHead());
    ASSERT_TRUE(first);
    EXPECT_TRUE(*first == *clip);
    EXPECT_EQ(first->GetDuration()->GetSeconds(), 6.5f);
    EXPECT_EQ(first->GetTrack(), 3);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(WaveEventsTest, FirstFormatClipsHoldBareTimes)
{
    OldRecord v0(0);
    v0.timedHead(8.0f, 0x0010).string("old.wav");
    v0.archive().writeFloat(2.5f);
    const auto clip = loadOldRecord<ECWave>(v0);
    EXPECT_EQ(clip->GetTime()->GetSeconds(), 8.0f);
    EXPECT_EQ(clip->GetFileName(), "old.wav");
    EXPECT_EQ(clip->GetDuration()->GetSeconds(), 2.5f);
}

}  // namespace

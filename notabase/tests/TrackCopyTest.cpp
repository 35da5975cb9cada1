#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCCopyTracks.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECText.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int staffTypes[] = {EventId::ControllerEnv, EventId::Text};
constexpr int measureTypes[] = {EventId::Note, EventId::ChordSymbol, EventId::Lyric, EventId::Clef, EventId::Key};

std::string hex(const std::vector<uint8_t>& bytes)
{
    std::ostringstream out;
    out << std::hex;
    for (const uint8_t b : bytes)
        out << int(b) << ' ';
    return out.str();
}

class TrackCopyTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // Notes carry a data component of type 0, as in the program.
        CPluginData::AddPlugin(&m_noteData);
        build(3, 8.0f);
    }

    // Staff n gets its own content, different from every other staff's.
    void fill(int n)
    {
        const float shift = 0.5f * static_cast<float>(n);
        auto* envelope = new ECControllerEnv;
        auto* dynamic = new ECDynamic;
        const MCTime t(shift);
        dynamic->SetTime(&t);
        envelope->AddChild(dynamic, 1);
        staff(n)->AddChild(envelope, 1);
        staff(n)->AddChild(new ECText(0, "Staff " + std::to_string(n)), 1);
        for (float time : {0.0f, 2.0f, 4.0f + shift}) {
            ECNote* made = note(n, time + shift);
            made->GetData(0, 1);
        }
        note(n, 6.0f);  // without its data: stays behind
        mark(n, new ECLyric("la" + std::to_string(n)), 1.0f + shift);
        mark(n, new ECClef(static_cast<unsigned char>(n)), 4.0f);
        mark(n, new ECKey(static_cast<unsigned char>(n), 0, 0), 4.0f);
    }
    void mark(int n, ECBase* element, float time)
    {
        const MCTime t(time);
        element->SetTime(&t);
        element->SetVoiceTrack(0, n);
        measureAt(n, time)->AddChild(element, 1);
    }

    // What a staff holds that a copy takes along, as records written on track 2000: its own
    // elements, then each bar's elements in time order.
    std::vector<std::string> contentOf(ECStaff* s)
    {
        std::vector<std::string> out;
        ACFindEvents own;
        own.SetDepth(1);
        own.BypassNone();
        for (int id : staffTypes)
            own.AddEvtType(id);
        own.Apply(s);
        own.GetEvents().Sort();
        for (ECBase* element : own.GetEvents())
            out.push_back("staff " + recordOnTrack2000(element));
        ACFindEvents measures;
        measures.AddEvtType(EventId::Measure);
        measures.SetDepth(1);
        measures.Apply(s);
        measures.GetEvents().Sort();
        int bar = 0;
        for (ECBase* measure : measures.GetEvents()) {
            ACFindEvents inside;
            inside.SetDepth(3);
            for (int id : measureTypes)
                inside.AddEvtType(id);
            inside.Apply(measure);
            for (ECBase* element : inside.GetEvents()) {
                if (element->GetEventId() != EventId::Note || element->GetData(0, 0))
                    out.push_back("bar " + std::to_string(bar) + " " + recordOnTrack2000(element));
            }
            ++bar;
        }
        return out;
    }
    std::vector<ECWaveTrack*> waveTracks()
    {
        std::vector<ECWaveTrack*> found;
        for (ECBase* child : childrenOf(m_conductor)) {
            if (auto* wave = plat::dynamicDowncast<ECWaveTrack>(child))
                found.push_back(wave);
        }
        return found;
    }
    static std::string recordOnTrack2000(ECBase* element)
    {
        plat::RefPtr<ECBase> copy(CCCopy::DoCopyEvent(element, nullptr));
        ACSetVoiceTrack(2000, 15).Apply(copy.get());
        std::string record = std::string(copy->runtimeClass()->name) + " " + hex(storeObject(copy.get()));
        copy->RemoveChildren(1);
        return record;
    }

    const CPluginData m_noteData{&TEData::classObject, 0, EventId::Note};
};

}  // namespace

// Three staves copied in one command: each twin holds its own source's content, element by
// element, and undo gives back the piece as it was.
TEST_F(TrackCopyTest, EachStaffGetsATwinWithItsOwnContent)
{
    for (int n = 1; n <= 3; ++n)
        fill(n);
    std::vector<std::vector<std::string>> expected;
    for (int n = 1; n <= 3; ++n) {
        expected.push_back(contentOf(staff(n)));
        ASSERT_EQ(expected.back().size(), 8u) << "staff " << n;
    }
    const std::vector<uint8_t> before = bytes();

    plat::RefPtr<CCCopyTracks> command(new CCCopyTracks);
    EXPECT_EQ(command->GetCommandId(), CommandIds::CCCopyTracks);
    for (int n = 1; n <= 3; ++n)
        command->CopyTrack(staff(n));
    act(command.get());

    ASSERT_EQ(conductorStaff().GetMaxStaffNumber(), 6);
    for (int n = 1; n <= 3; ++n) {
        ECStaff* twin = staff(n + 3);
        EXPECT_EQ(twin->GetStaffType(), staff(n)->GetStaffType());
        EXPECT_EQ(contentOf(twin), expected[n - 1]) << "twin of staff " << n;
        EXPECT_EQ(contentOf(staff(n)), expected[n - 1]) << "staff " << n << " keeps its own";
        EXPECT_EQ(twin->GetClefAtTime(MCTime(5.0f), 0)->GetClefType(), n) << "the twin's cache knows its clef";
    }

    const std::vector<uint8_t> after = bytes();
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
    ASSERT_EQ(m_performance->Redo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), after), -1) << "redo puts back the same copies";
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
}

TEST_F(TrackCopyTest, AWaveTrackTwinTakesItsFieldsAndOtherTracksAreOnlyListed)
{
    fill(2);
    plat::RefPtr<CCAddTrack> addWave(new CCAddTrack);
    addWave->AddWaveTrack(1);
    apply(addWave.get());
    ASSERT_EQ(waveTracks().size(), 1u);
    ECWaveTrack* wave = waveTracks()[0];
    const std::vector<uint8_t> before = bytes();

    plat::RefPtr<CCCopyTracks> command(new CCCopyTracks);
    command->CopyTrack(m_conductor->GetConductorStaff());
    command->CopyTrack(wave);
    command->CopyTrack(staff(2));
    act(command.get());

    EXPECT_EQ(command->GetSourceTracks().GetCount(), 3) << "the conductor staff is listed too";
    ASSERT_EQ(waveTracks().size(), 2u);
    ECWaveTrack* twin = waveTracks()[0] == wave ? waveTracks()[1] : waveTracks()[0];
    EXPECT_EQ(twin->GetConductor(), wave->GetConductor());
    EXPECT_EQ(twin->GetPerformance(), wave->GetPerformance());
    EXPECT_TRUE(twin->GetChildren()->IsEmpty());
    EXPECT_TRUE(command->GetStaffCopies(wave)->IsEmpty()) << "nothing is copied for a wave track";
    EXPECT_TRUE(command->GetMeasureCopies(wave)->IsEmpty());
    EXPECT_EQ(command->GetStaffCopies(m_conductor->GetConductorStaff()), nullptr);
    // The staff listed after tracks without a staff twin still gets its own twin's content.
    ASSERT_EQ(conductorStaff().GetMaxStaffNumber(), 4);
    EXPECT_EQ(contentOf(staff(4)), contentOf(staff(2)));

    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
}

TEST_F(TrackCopyTest, AnEmptyStaffGetsAnEmptyTwin)
{
    plat::RefPtr<CCCopyTracks> command(new CCCopyTracks);
    command->CopyTrack(staff(1));
    act(command.get());
    ASSERT_EQ(conductorStaff().GetMaxStaffNumber(), 4);
    EXPECT_TRUE(contentOf(staff(4)).empty());
    EXPECT_TRUE(command->GetStaffCopies(staff(1))->IsEmpty());
    EXPECT_TRUE(command->GetMeasureCopies(staff(1))->IsEmpty());
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(conductorStaff().GetMaxStaffNumber(), 3);
}

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCGroupStaves.h"
#include "notabase/commands/CCOrderTracks.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

namespace {

class StaffArrangementCommandsTest : public CommandTest {
protected:
    MCGroup& groups() { return conductorStaff().GetGroup(); }
    // Undoes and redoes the last step twice, checking the stored piece against both states.
    void roundTrip(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after)
    {
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(m_performance->Undo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), before), -1);
            ASSERT_EQ(m_performance->Redo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), after), -1);
        }
    }
    plat::RefPtr<CCGroupStaves> group(int first, int last, int kind)
    {
        plat::RefPtr<CCGroupStaves> command(new CCGroupStaves);
        command->GroupStaves(first, last, kind);
        act(command.get(), "group");
        return command;
    }
};

TEST_F(StaffArrangementCommandsTest, StavesAddedToThePieceAreRegisteredAndStoredWithIt)
{
    build(3, 8.0f);
    int id = -1;
    ASSERT_EQ(conductorStaff().GroupStaves(2, 3, MCGroup::kindGroup, id), 1);
    conductorStaff().GetGroup().SetBarEntireGroup(id, 0);
    const MCGroup made = groups();
    int first = 0, last = 0, kind = 0;
    ASSERT_EQ(conductorStaff().GetGroupInfo(id, first, last, kind), 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 3);
    EXPECT_EQ(kind, 1);

    ECPerformance* loaded = loadPiece(bytes());
    EXPECT_TRUE(loaded->GetConductor()->GetConductorStaff()->GetGroup() == made);
    releasePiece(loaded);
}

TEST_F(StaffArrangementCommandsTest, GroupingIsUndoneAndRedoneExactly)
{
    build(5, 8.0f);
    // The first staff removed and one appended leave the staves' IDs out of order, which an
    // ungrouping alone could not give back.
    ECStaff* removed = staff(1);
    removed->Ref();
    m_conductor->RemoveChild(removed, 1);
    removed->Unref(1);
    m_conductor->GetTrack(ECConductor::staffTrack, 5, 1);
    const std::vector<uint8_t> before = bytes();
    const MCGroup plain = groups();

    plat::RefPtr<CCGroupStaves> grouping = group(2, 5, 2);
    ASSERT_GE(grouping->GetGroup(), 0);
    EXPECT_FALSE(groups() == plain);
    int first = 0, last = 0, kind = 0;
    ASSERT_EQ(conductorStaff().GetGroupInfo(grouping->GetGroup(), first, last, kind), 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 5);
    roundTrip(before, bytes());

    // Ungrouping, undone, brings the group back with its ID.
    const int id = grouping->GetGroup();
    const std::vector<uint8_t> grouped = bytes();
    plat::RefPtr<CCGroupStaves> ungrouping(new CCGroupStaves);
    ungrouping->UngroupStaves(id);
    act(ungrouping.get(), "ungroup");
    EXPECT_EQ(ungrouping->GetFirstStaff(), 2);
    EXPECT_EQ(ungrouping->GetLastStaff(), 5);
    EXPECT_EQ(ungrouping->GetGroupKind(), 2);
    EXPECT_FALSE(conductorStaff().GetGroupInfo(id, first, last, kind) && first == 2 && last == 5);
    roundTrip(grouped, bytes());
    ASSERT_EQ(m_performance->Undo(1), 1);
    ASSERT_EQ(conductorStaff().GetGroupInfo(id, first, last, kind), 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(kind, 2);
}

TEST_F(StaffArrangementCommandsTest, AGroupPastStaff255NamesItsStavesAfterSaveLoadAndUndo)
{
    build(300, 4.0f);
    plat::RefPtr<CCGroupStaves> grouping = group(280, 290, 1);
    const int id = grouping->GetGroup();
    ASSERT_GE(id, 0);
    const auto expectStaves = [id](ECConductorStaff& staff, int wantFirst, int wantLast) {
        int first = 0, last = 0, kind = 0;
        ASSERT_EQ(staff.GetGroupInfo(id, first, last, kind), 1);
        EXPECT_EQ(first, wantFirst);
        EXPECT_EQ(last, wantLast);
    };
    expectStaves(conductorStaff(), 280, 290);

    ECPerformance* loaded = loadPiece(bytes());
    ECConductor* conductor = loaded->GetConductor();
    EXPECT_TRUE(conductor->GetConductorStaff()->GetGroup() == groups());
    expectStaves(*conductor->GetConductorStaff(), 280, 290);
    // A staff taken out before the group moves it down with the staves.
    ECStaff* third = conductor->GetConductorStaff()->GetStaff(3, 0);
    third->Ref();
    conductor->RemoveChild(third, 1);
    third->Unref(1);
    expectStaves(*conductor->GetConductorStaff(), 279, 289);
    releasePiece(loaded);

    ASSERT_EQ(m_performance->Undo(1), 1);
    int first = 0, last = 0, kind = 0;
    EXPECT_FALSE(conductorStaff().GetGroupInfo(id, first, last, kind) && first == 280 && last == 290);
}

// Staff and wave track numbers end at 2045 (2046 stands for every track, 2047 for none): a
// track more is refused, and its command neither numbers it nor takes it out again on undo.
TEST_F(StaffArrangementCommandsTest, TracksPastTheLastNumberAreRefused)
{
    build(MCVoiceTrack::lastTrack - 1, 4.0f);
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 3);
    add->AddWaveTrack(MCVoiceTrack::lastTrack + 1);
    act(add, "add");
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(1), MCVoiceTrack::lastTrack);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(2), MCVoiceTrack::lastTrack);
    ECStaff* last = staff(MCVoiceTrack::lastTrack);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->GetTrack(), MCVoiceTrack::lastTrack);
    EXPECT_EQ(conductorStaff().GetStaffNumber(last), MCVoiceTrack::lastTrack);
    EXPECT_EQ(add->GetItems().size(), 1u + MCVoiceTrack::lastTrack) << "only the tracks placed";
    EXPECT_EQ(m_conductor->GetTrack(1, ECConductorMeasure::allTracks, 0), nullptr);

    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(1), MCVoiceTrack::lastTrack - 1);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(2), 0);
}

TEST_F(StaffArrangementCommandsTest, TheRangeIsBroughtWithinTheStaves)
{
    build(5, 4.0f);
    plat::RefPtr<CCGroupStaves> grouping = group(-3, 99, 2);
    EXPECT_EQ(grouping->GetFirstStaff(), 0);
    EXPECT_EQ(grouping->GetLastStaff(), 5);
    int first = -1, last = -1, kind = -1;
    ASSERT_EQ(conductorStaff().GetGroupInfo(grouping->GetGroup(), first, last, kind), 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 5);

    // A refused grouping changes nothing, and neither does its undo.
    const std::vector<uint8_t> before = bytes();
    plat::RefPtr<CCGroupStaves> refused = group(3, 1, 2);
    EXPECT_EQ(refused->GetGroup(), -1);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
    EXPECT_EQ(grouping->GetCommandId(), CommandIds::CCGroupStaves);
    EXPECT_EQ(grouping->EditEvent(staff(1)), nullptr);
    EXPECT_TRUE(grouping->GetEditList().empty());
}

TEST_F(StaffArrangementCommandsTest, OrderingRenumbersTracksAndWhatIsUnderThem)
{
    build(3, 8.0f);
    ECStaff* one = staff(1);
    ECStaff* two = staff(2);
    ECNote* onOne = note(1, 1.0f);
    ECNote* onTwo = note(2, 5.0f);
    const std::vector<uint8_t> before = bytes();

    plat::RefPtr<CCOrderTracks> order(new CCOrderTracks);
    order->OrderTrack(one, 2);
    order->OrderTrack(two, 1);
    EXPECT_EQ(order->GetOldTrackNum(one), 1);
    EXPECT_EQ(order->GetNewTrackNum(one), 2);
    EXPECT_EQ(order->GetNewTrackNum(2), 1);
    EXPECT_EQ(order->GetNewTrackNum(5), -1);
    EXPECT_EQ(order->GetOldTrackNum(staff(3)), -1);
    act(order.get(), "order");

    EXPECT_EQ(one->GetTrack(), 2);
    EXPECT_EQ(onOne->GetTrack(), 2);
    EXPECT_EQ(two->GetTrack(), 1);
    EXPECT_EQ(onTwo->GetTrack(), 1);
    EXPECT_EQ(staff(1), two);
    EXPECT_EQ(staff(2), one);
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(5.0f), 0, 0)->GetChildren()->Find(onTwo) != nullptr, true);
    std::vector<ECBase*> tracks = childrenOf(m_conductor);
    ASSERT_EQ(tracks.size(), 4u);
    EXPECT_EQ(tracks[1], two);
    EXPECT_EQ(tracks[2], one);

    roundTrip(before, bytes());
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(one->GetTrack(), 1);
    EXPECT_EQ(onOne->GetTrack(), 1);
    EXPECT_EQ(staff(1), one);

    // An empty order has nothing to undo.
    plat::RefPtr<CCOrderTracks> empty(new CCOrderTracks);
    act(empty.get(), "nothing");
    const std::vector<uint8_t> unchanged = bytes();
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(firstDifference(bytes(), unchanged), -1);
}

TEST_F(StaffArrangementCommandsTest, OrderedWaveTracksAreFoundByTheirNewNumbers)
{
    build(1, 8.0f);
    plat::RefPtr<CCAddTrack> add(new CCAddTrack);
    add->AddWaveTrack(3);
    act(add.get(), "wave tracks");
    const auto wave = [this](int number) { return m_conductor->GetTrack(ECConductor::waveTrack, number, 0); };
    ECTrack* first = wave(1);
    ECTrack* third = wave(3);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(third, nullptr);

    plat::RefPtr<CCOrderTracks> order(new CCOrderTracks);
    order->OrderTrack(first, 3);
    order->OrderTrack(third, 1);
    act(order.get(), "order");
    EXPECT_EQ(wave(1), third);
    EXPECT_EQ(wave(3), first);
    for (int number = 1; number <= 3; ++number)
        EXPECT_EQ(wave(number)->GetTrack(), number) << "the table and the stored number agree";

    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(wave(1), first);
    EXPECT_EQ(wave(3), third);
    EXPECT_EQ(first->GetTrack(), 1);
}

TEST_F(StaffArrangementCommandsTest, CommandListsMakeTheCommandsByClass)
{
    MCCommandList list;
    EXPECT_EQ(list.GetCommand(CommandIds::CCGroupStaves, &CCGroupStaves::classObject)->GetCommandId(),
              CommandIds::CCGroupStaves);
    EXPECT_EQ(list.GetCommand(CommandIds::CCOrderTracks, &CCOrderTracks::classObject)->GetCommandId(),
              CommandIds::CCOrderTracks);
}

}  // namespace

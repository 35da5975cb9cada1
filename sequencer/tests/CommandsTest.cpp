// The sequencer's commands and actions: patch edits with their undo and the sound sent at once,
// the clock advance, the unlinking of data and the channels a set of elements uses.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/states/SCTime.h"
#include "sequencer/actions/ACChannelContent.h"
#include "sequencer/actions/ACRemoveData.h"
#include "sequencer/commands/CCAdvanceClock.h"
#include "sequencer/commands/CCEditPatch.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CommandsTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        Sequence();
    }
    ECStaff* Staff(int number) { return plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, number, 0)); }
    DCsqStaff* Data(int number) { return plat::dynamicDowncast<DCsqStaff>(Staff(number)->GetData(0, 1)); }
    ECEnvelope* Patches(int staff, int voice)
    {
        return Data(staff)->GetEnvelope(DCsqStaff::envPatch, DCsqStaff::envCreate, voice, -1, -1);
    }
    ECEnvPoint* AddPatch(int staff, int voice, float time, int program, int bank)
    {
        auto* point = new ECProgramChange;
        const MCTime at(time);
        point->SetTime(&at);
        point->SetVoice(voice);
        Patches(staff, voice)->AddChild(point, 1);
        point->SetValue(ECPatchEnv::MakePatchValue(static_cast<unsigned char>(bank >> 7), static_cast<unsigned char>(bank & 127),
                                                   static_cast<unsigned char>(program)));
        return point;
    }
    // program and bank of the point at a time, or {-1, -1}
    std::pair<int, int> PatchAt(int staff, int voice, float time)
    {
        ECEnvPoint* point = Patches(staff, voice)->GetPointAt(MCTime(time));
        if (!point)
            return {-1, -1};
        const float value = point->GetValue();
        return {ECPatchEnv::GetProgram(value), ECPatchEnv::GetBankMSB(value) * 128 + ECPatchEnv::GetBankLSB(value)};
    }
    // One undo step, as the views apply commands.
    void Apply(CCBase* command)
    {
        MCCommandMgr::BeginUndo(m_piece.Performance(), "edit");
        command->SetSynchronous(1);
        command->Apply(m_piece.Performance());
        MCCommandMgr::EndUndo(m_piece.Performance());
    }
    int Points(int staff, int voice) { return Patches(staff, voice)->GetChildren()->GetCount(); }
};

TEST_F(CommandsTest, EditingToThePatchAlreadyInForceChangesNothingAndLeavesNothingToUndo)
{
    AddPatch(1, 0, 0.0f, 5, 130);
    auto* edit = new CCEditPatch;
    CCEditPatchItem* item = edit->EditPatch(Staff(1), 0, MCTime(2.0f));
    EXPECT_EQ(edit->EditPatch(Staff(1), 0, MCTime(2.0f)), item) << "one item per staff, voice and time";
    EXPECT_NE(edit->EditPatch(Staff(1), 1, MCTime(2.0f)), item);
    item->SetPatch(5, 130);
    item->SetVoiceMap(-1, -1);
    const plat::RefPtr<CCBase> keep(edit);
    Apply(edit);
    EXPECT_EQ(Points(1, 0), 1);
    EXPECT_EQ(item->GetOldProgram(), -1);
    EXPECT_EQ(item->GetOldBank(), -1);
    EXPECT_EQ(item->GetNewEnvPoint(), nullptr);
}

TEST_F(CommandsTest, AChannelOnlyEditKeepsThePatchOrMakesProgramZeroWhereThereIsNone)
{
    AddPatch(1, 0, 0.0f, 7, 0);
    auto* edit = new CCEditPatch;
    CCEditPatchItem* withPatch = edit->EditPatch(Staff(1), 0, MCTime(1.0f));
    withPatch->SetPatch(-1, -1);
    withPatch->SetVoiceMap(-1, 4);
    CCEditPatchItem* without = edit->EditPatch(Staff(2), 0, MCTime(1.0f));
    without->SetPatch(-1, -1);
    without->SetVoiceMap(1, 9);
    Apply(edit);
    EXPECT_EQ(Data(1)->GetVoiceMap(0)->GetChannel(), 4u);
    EXPECT_EQ(Points(1, 0), 1) << "the patch before the time is the one asked for";
    EXPECT_EQ(Data(2)->GetVoiceMap(0)->GetChannel(), 9u);
    EXPECT_EQ(Data(2)->GetVoiceMap(0)->GetDevice(), 1u);
    EXPECT_EQ(PatchAt(2, 0, 1.0f), (std::pair{0, 0}));
}

TEST_F(CommandsTest, FinishSendsAllSoundOffBankAndProgramOfTheFirstPointOnTheVoicesAddress)
{
    StartDevices();
    AddPatch(1, 2, 0.0f, 20, 3 * 128 + 4);
    MapStaff(1, 1, 6);
    m_devices.Out(1).takePlayed();
    auto* edit = new CCEditPatch;
    edit->EditPatch(Staff(1), 2, MCTime(8.0f))->SetPatch(33, 0);
    Apply(edit);
    m_devices.Settle();
    std::vector<std::vector<uint8_t>> sent;
    for (const auto& played : m_devices.Out(1).takePlayed()) {
        if (played.immediate)
            sent.push_back(played.bytes);
    }
    const std::vector<std::vector<uint8_t>> expected = {
        {0xB6, 120, 0}, {0xB6, 0, 3}, {0xB6, 32, 4}, {0xC6, 20}};
    EXPECT_EQ(sent, expected) << "from the envelope's first point, not the edited one";
    EXPECT_EQ(PatchAt(1, 2, 8.0f), (std::pair{33, 0}));
}

TEST_F(CommandsTest, UndoRemovesAPointTheEditMadeAndRestoresOneItChanged)
{
    AddPatch(1, 0, 0.0f, 1, 0);
    AddPatch(1, 0, 4.0f, 2, 0);
    MapStaff(1, 0, 3);
    auto* edit = new CCEditPatch;
    edit->EditPatch(Staff(1), 0, MCTime(4.0f))->SetPatch(9, 256);
    edit->EditPatch(Staff(1), 0, MCTime(6.0f))->SetPatch(10, -1);
    edit->EditPatch(Staff(1), 0, MCTime(6.0f))->SetVoiceMap(-1, 5);
    Apply(edit);
    EXPECT_EQ(PatchAt(1, 0, 4.0f), (std::pair{9, 256}));
    EXPECT_EQ(PatchAt(1, 0, 6.0f), (std::pair{10, 256}));
    EXPECT_EQ(Data(1)->GetVoiceMap(0)->GetChannel(), 5u);
    ASSERT_EQ(Points(1, 0), 3);
    m_piece.Performance()->Undo(1);
    EXPECT_EQ(PatchAt(1, 0, 4.0f), (std::pair{2, 0})) << "the point that stood there keeps its place and old patch";
    EXPECT_EQ(PatchAt(1, 0, 6.0f), (std::pair{-1, -1})) << "the point the edit made is gone";
    EXPECT_EQ(Points(1, 0), 2);
    EXPECT_EQ(Data(1)->GetVoiceMap(0)->GetChannel(), 3u);
}

TEST_F(CommandsTest, MovingAVoiceOntoAnOutputWhosePatchItRewritesUndoesAndRedoesBothVoices)
{
    // Voice 2 moves onto voice 1's output and takes a new instrument at a time where voice 1
    // already changes patch: the output's point is rewritten, and undo must give it back.
    Data(1)->GetVoiceMap(1)->SetChannel(5);
    Data(1)->GetVoiceMap(2)->SetChannel(7);
    AddPatch(1, 1, 4.0f, 8, 0);
    AddPatch(1, 2, 0.0f, 1, 0);
    auto* edit = new CCEditPatch;
    CCEditPatchItem* item = edit->EditPatch(Staff(1), 2, MCTime(4.0f));
    item->SetVoiceMap(-1, 5);
    item->SetPatch(20, 3);
    Apply(edit);
    ASSERT_EQ(Patches(1, 2), Patches(1, 1)) << "voice 2 now shares voice 1's output";
    EXPECT_EQ(PatchAt(1, 1, 4.0f), (std::pair{20, 3}));
    EXPECT_EQ(Patches(1, 1)->GetPointAt(MCTime(4.0f))->GetVoice(), 2);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        m_piece.Performance()->Undo(1);
        EXPECT_EQ(Data(1)->GetVoiceMap(2)->GetChannel(), 7u);
        ASSERT_NE(Patches(1, 2), Patches(1, 1));
        EXPECT_EQ(PatchAt(1, 1, 4.0f), (std::pair{8, 0})) << "the other voice's patch is back";
        EXPECT_EQ(Patches(1, 1)->GetPointAt(MCTime(4.0f))->GetVoice(), 1);
        EXPECT_EQ(PatchAt(1, 2, 0.0f), (std::pair{1, 0}));
        EXPECT_EQ(PatchAt(1, 2, 4.0f), (std::pair{-1, -1}));

        m_piece.Performance()->Redo(1);
        EXPECT_EQ(Data(1)->GetVoiceMap(2)->GetChannel(), 5u);
        EXPECT_EQ(PatchAt(1, 1, 4.0f), (std::pair{20, 3})) << "redo gives the moved voice the instrument chosen";
        EXPECT_EQ(Points(1, 1), 1);
    }
}

TEST_F(CommandsTest, AdvancingTheClockLocatesAndItsUndoGoesBack)
{
    StateLog log(m_piece.Performance());
    log.Take();
    std::vector<float> times;
    struct Catch {
        static int Handler(ECBase*, int, void* state, void* user)
        {
            if (auto* time = dynamic_cast<SCTime*>(static_cast<SCBase*>(state)))
                static_cast<std::vector<float>*>(user)->push_back(time->GetTime().GetSeconds());
            return 0;
        }
    };
    m_piece.Performance()->AddStateHandler(&Catch::Handler, &times);
    auto* advance = new CCAdvanceClock;
    advance->SetCurrentTime(MCTime(2.0f));
    advance->SetNextTime(MCTime(2.5f));
    advance->SetAnnounceTime(1);
    Apply(advance);
    auto timeStates = [&log] {
        std::vector<int> codes = log.Take();
        std::erase_if(codes, [](int code) { return code != 1900 && code != 1901; });
        return codes;
    };
    EXPECT_EQ(timeStates(), (std::vector<int>{1900, 1901}));
    m_piece.Performance()->Undo(1);
    EXPECT_EQ(timeStates(), (std::vector<int>{1900, 1901}));
    EXPECT_EQ(times, (std::vector<float>{2.5f, 2.5f, 2.0f, 2.0f}));
}

TEST_F(CommandsTest, RemovingTheOnlyDataEmptiesTheListAndBothCursors)
{
    ECNote* note = Note(1, 0.0f, 1.0f, 60);
    CSequence& seq = Sequence();
    ASSERT_NE(seq.GetHead(), nullptr);
    ACRemoveData remove(&seq);
    remove.Apply(note);
    EXPECT_EQ(seq.GetHead(), nullptr);
    EXPECT_EQ(seq.GetTail(), nullptr);
    EXPECT_EQ(seq.GetPlayPosition(), nullptr);
    EXPECT_EQ(seq.GetRecordPosition(), nullptr);
}

TEST_F(CommandsTest, ChannelContentSetsABitPerChannelOfNotesAndPrograms)
{
    MCEventList elements;
    elements.AddTail(m_piece.AddNote(1, 0.0f, 1.0f, 60, 0));
    elements.AddTail(m_piece.AddNote(2, 0.0f, 1.0f, 38, 9));
    elements.AddTail(AddMessage(1, 0.0f, 0x0005C3));
    elements.AddTail(AddMessage(2, 0.0f, 0x5007B5));
    ACChannelContent content;
    content.Apply(&elements, 1);
    EXPECT_EQ(content.GetChannelContent(), 0x0201 | 0x0008 | 0x0020);
}

}  // namespace

// The resting location after edits that change the length of the piece: bars removed, added bars
// undone and redone.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCTime.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The document's part: finished batches (500) go to the sequence, and the positions it reports
// (1900) are noted.
struct Document {
    static int Handler(ECBase*, int, void* state, void* user)
    {
        auto* self = static_cast<Document*>(user);
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == 500)
            self->sequence->OnUpdate(500, base);
        if (auto* time = dynamic_cast<SCTime*>(base); time && time->GetCode() == 1900)
            self->shown.push_back(time->GetTime().GetSeconds());
        return 0;
    }
    CSequence* sequence = nullptr;
    std::vector<float> shown;
};

class ShorteningEditsTest : public PlayerFixture {
protected:
    ShorteningEditsTest() : PlayerFixture(1) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetMeter(0.0f, 4, 4);
    }

    float End() const { return m_piece.Conductor()->GetMaxMeasureEndTime().GetSeconds(); }

    // Bars added as the Add Measures dialog adds them: one undo step.
    void AddBars(int count, int index)
    {
        MCCommandMgr::BeginUndo(m_piece.Performance(), "Add Measure");
        auto* add = new CCAddMeasure(count, index);
        add->SetSynchronous(1);
        add->Apply(m_piece.Performance());
        MCCommandMgr::EndUndo(m_piece.Performance());
    }
    // Bars removed as the Remove Measures dialog removes them.
    void RemoveBars(int count, int index)
    {
        MCCommandMgr::BeginNotify(m_piece.Performance());
        auto* remove = new CCRemoveMeasure(count, index);
        remove->SetSynchronous(1);
        remove->Apply(m_piece.Performance());
        MCCommandMgr::EndNotify(m_piece.Performance());
    }
};

// A location the piece no longer reaches comes back to the new end, and the position shown
// follows; one the piece still reaches stays where it is.
TEST_F(ShorteningEditsTest, TheRestingLocationStaysWithinThePiece)
{
    const float bars = kBars;
    struct Case {
        const char* edit;
        float location;
        // The expected location, as quarters before the new end (or, with fromEnd false, as
        // the location itself).
        float expected;
        bool fromEnd;
    };
    const Case cases[] = {
        {"remove the last bars past the location", bars * 4.0f - 2.0f, 0.0f, true},
        {"remove bars before a location the piece still reaches", 40.0f, 40.0f, false},
        {"remove the last bars, the location at the new end", bars * 4.0f - 16.0f, 0.0f, true},
        {"undo bars added at the end, located in them", bars * 4.0f + 6.0f, 0.0f, true},
        {"undo bars added at the end, located before them", 20.0f, 20.0f, false},
        {"undo bars added at the end, located at their end", bars * 4.0f + 8.0f, 0.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        CSequence& seq = Sequence();
        Document document{&seq, {}};
        m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
        const float before = End();
        const std::string edit = c.edit;
        if (edit.starts_with("undo"))
            AddBars(2, static_cast<int>(bars));
        seq.SetLocation(MCTime(c.location));
        plat::MessageLoop::current().pump();
        ASSERT_FLOAT_EQ(seq.GetLocation().GetSeconds(), c.location);
        document.shown.clear();
        if (edit.starts_with("undo")) {
            ASSERT_EQ(m_piece.Performance()->Undo(1), 1);
        } else {
            RemoveBars(4, edit.find("before") != std::string::npos ? 2 : static_cast<int>(bars) - 4);
        }
        plat::MessageLoop::current().pump();
        ASSERT_LT(End(), edit.starts_with("undo") ? before + 8.0f : before);
        const float expected = c.fromEnd ? End() - c.expected : c.expected;
        EXPECT_FLOAT_EQ(seq.GetLocation().GetSeconds(), expected);
        if (c.location > End()) {
            ASSERT_FALSE(document.shown.empty()) << "the position shown moves";
            EXPECT_FLOAT_EQ(document.shown.back(), expected);
        } else {
            EXPECT_TRUE(document.shown.empty());
        }
        m_piece.Performance()->RemoveStateHandlers();
        // The next case starts from the whole piece again.
        while (End() < bars * 4.0f)
            AddBars(1, static_cast<int>(End() / 4.0f));
        m_piece.Performance()->ClearUndo();
    }
}

// A redo that lengthens the piece again leaves the location where the undo brought it.
TEST_F(ShorteningEditsTest, ARedoLeavesTheLocationWhereTheUndoBroughtIt)
{
    CSequence& seq = Sequence();
    Document document{&seq, {}};
    m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
    const float end = End();
    AddBars(2, static_cast<int>(kBars));
    seq.SetLocation(MCTime(end + 6.0f));
    ASSERT_EQ(m_piece.Performance()->Undo(1), 1);
    plat::MessageLoop::current().pump();
    EXPECT_FLOAT_EQ(seq.GetLocation().GetSeconds(), end);
    ASSERT_EQ(m_piece.Performance()->Redo(1), 1);
    plat::MessageLoop::current().pump();
    EXPECT_FLOAT_EQ(End(), end + 8.0f);
    EXPECT_FLOAT_EQ(seq.GetLocation().GetSeconds(), end);
    m_piece.Performance()->RemoveStateHandlers();
}

// A pause inside bars that an edit takes away ends there: the transport stops at the new end,
// as a locate while paused stops it. A piece that plays goes on to its end by itself.
TEST_F(ShorteningEditsTest, APauseTheEditLeavesBehindStopsAtTheNewEnd)
{
    CSequence& seq = Sequence(kBars * 4.0f - 8.0f, 0);
    Document document{&seq, {}};
    m_piece.Performance()->AddStateHandler(&Document::Handler, &document);
    StartDevices();
    seq.Play();
    m_devices.Step(1000);
    seq.Pause();
    m_devices.Step(300);
    ASSERT_EQ(PlayState(), CSequence::statePaused);
    RemoveBars(4, static_cast<int>(kBars) - 6);
    plat::MessageLoop::current().pump();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    EXPECT_FLOAT_EQ(seq.GetLocation().GetSeconds(), End());

    // While it plays, the play is left to end at the new end.
    seq.SetLocation(MCTime(End() - 8.0f));
    seq.Play();
    m_devices.Step(500);
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    const MCTime playing = seq.GetLocation();
    RemoveBars(2, static_cast<int>(End() / 4.0f) - 2);
    ASSERT_LT(End(), playing.GetSeconds());
    EXPECT_EQ(PlayState(), CSequence::statePlaying);
    EXPECT_GE(seq.GetLocation(), playing);
    PlayToTheEnd();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    EXPECT_LE(seq.GetLocation().GetSeconds(), End());
    m_piece.Performance()->RemoveStateHandlers();
}

}  // namespace

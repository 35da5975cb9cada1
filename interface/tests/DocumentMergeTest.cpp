#include "DocumentTestSupport.h"

#include "interface/document/CCMergeStaves.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECStaff.h"

namespace {

using namespace documenttest;

class DocumentMergeTest : public DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        // Five staves of music, and an empty sixth to merge into.
        FillPiece(m_doc, 5, 2);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(5, 1);
        add->SetSynchronous(1);
        add->Apply(m_doc.GetBaseEvent());
        for (int n = 1; n <= 6; ++n)
            m_staves.push_back(Staff(n));
        ASSERT_EQ(NotesOf(m_staves[5]).size(), 0u);
    }
    ECBase* Staff(int number)
    {
        return m_doc.GetBaseEvent()->GetConductor()->GetTrack(ECConductor::staffTrack, number, 0);
    }
    static std::vector<ECBase*> Find(ECBase* staff, int type)
    {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(staff);
        return std::vector<ECBase*>(find.GetEvents().begin(), find.GetEvents().end());
    }
    static std::vector<ECBase*> NotesOf(ECBase* staff) { return Find(staff, EventId::Note); }
    // The voices of the output staff's notes, in the order found.
    std::vector<int> OutputVoices()
    {
        std::vector<int> voices;
        for (ECBase* note : NotesOf(m_staves[5]))
            voices.push_back(note->GetVoice());
        std::sort(voices.begin(), voices.end());
        return voices;
    }
    void Merge(std::vector<int> staves, int preserve)
    {
        auto* merge = new CCMergeStaves;
        for (int n : staves)
            merge->MergeStaff(m_staves[static_cast<size_t>(n - 1)]);
        merge->SetOutputStaff(m_staves[5]);
        merge->SetPreserveVoices(preserve);
        merge->SetSynchronous(1);
        MCCommandMgr::BeginUndo(m_doc.GetBaseEvent(), "Merge");
        merge->Apply(m_doc.GetBaseEvent());
        MCCommandMgr::EndUndo(m_doc.GetBaseEvent());
    }

    MCOpusDoc m_doc;
    std::vector<ECBase*> m_staves;
};

TEST_F(DocumentMergeTest, StavesGetTheirVoicesByHowManyAreMerged)
{
    struct Case {
        const char* name;
        std::vector<int> staves;
        int preserve;
        std::vector<int> voices;  // of the output's notes, sorted
    };
    const std::vector<Case> cases = {
        {"two staves: voices 0 and 4", {1, 2}, 0, {0, 0, 4, 4}},
        {"three: 0, 1, 4", {1, 2, 3}, 0, {0, 0, 1, 1, 4, 4}},
        {"five: 0 to 4", {1, 2, 3, 4, 5}, 0, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}},
        {"voices preserved", {1, 2}, 1, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Merge(c.staves, c.preserve);
        EXPECT_EQ(OutputVoices(), c.voices);
        for (int n : c.staves)
            EXPECT_EQ(NotesOf(m_staves[static_cast<size_t>(n - 1)]).size(), 2u) << "the sources stay";
        for (ECBase* note : NotesOf(m_staves[5]))
            EXPECT_EQ(note->GetTrack(), 6);
        // Undo takes the copies out again; redo brings them back.
        m_doc.OnEditUndo();
        EXPECT_TRUE(OutputVoices().empty());
        m_doc.OnEditRedo();
        EXPECT_EQ(OutputVoices(), c.voices);
        m_doc.OnEditUndo();
        EXPECT_TRUE(OutputVoices().empty());
    }
}

TEST_F(DocumentMergeTest, TheMergeListAndItsVoiceMaps)
{
    CCMergeStaves merge;
    EXPECT_EQ(merge.GetCommandId(), 38401);
    EXPECT_EQ(merge.GetPreserveVoices(), 1);
    merge.MergeStaff(m_staves[0]);
    merge.MergeStaff(m_staves[0]);
    merge.MergeStaff(NotesOf(m_staves[1])[0]);
    merge.MergeStaff(nullptr);
    EXPECT_EQ(merge.GetMergedStaves().GetCount(), 1) << "a staff once, nothing else";
    EXPECT_EQ(merge.GetMergeVoice(m_staves[2], 0), 15) << "never merged";
    merge.MergeStaff(m_staves[1]);
    merge.UpdateMergeInfo();
    EXPECT_EQ(merge.GetMergeVoice(m_staves[0], 3), 0);
    EXPECT_EQ(merge.GetMergeVoice(m_staves[1], 3), 4);
    EXPECT_EQ(merge.GetMergeVoice(m_staves[1], 12), 0) << "a voice outside the map";
    // Without an output staff the command does not run.
    auto* noOutput = new CCMergeStaves;
    noOutput->MergeStaff(m_staves[0]);
    noOutput->SetSynchronous(1);
    noOutput->Apply(m_doc.GetBaseEvent());
    EXPECT_TRUE(OutputVoices().empty());
}

TEST_F(DocumentMergeTest, TextsAreCopiedButTheTrackName)
{
    auto* name = new ECText(3, "Flute");
    auto* title = new ECText(1, "Allegro");
    m_staves[0]->AddChild(name, 1);
    m_staves[0]->AddChild(title, 1);
    Merge({1, 2}, 0);
    std::vector<std::string> texts;
    for (ECBase* t : Find(m_staves[5], EventId::Text))
        texts.push_back(static_cast<ECText*>(t)->GetText());
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Allegro"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Flute"), 0);
}

}  // namespace

// The upgrade of documents stored in older format versions.

#include "app/program/CDocUpgrade.h"
#include "interface/tests/DocumentTestSupport.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECConductorStaff.h"

namespace {

class DocUpgradeTest : public documenttest::DocumentTest {
protected:
    // Two staves; on staff 2 one note is put on track 5 and one on track 2046 (every track).
    void Build(MCOpusDoc& doc, int version)
    {
        FillPiece(doc, 2, 2);
        doc.GetBaseEvent()->SetVersion(version);
        std::vector<ECBase*> notes = Notes(doc, 2);
        ASSERT_EQ(notes.size(), 2u);
        notes[0]->SetVoiceTrack(3, 5);
        notes[1]->SetVoiceTrack(3, 2046);
    }

    static std::vector<ECBase*> Notes(MCOpusDoc& doc, int staff)
    {
        ACFindEvents find(ACFindEvents::noMaximum);
        find.AddEvtType(ECNote().GetEventId());
        find.Apply(doc.GetBaseEvent()->GetConductor()->GetTrack(1, staff, 0));
        std::vector<ECBase*> found;
        MCPosition position = find.GetEvents().GetHeadPosition();
        while (position)
            found.push_back(find.GetEvents().GetNext(position));
        return found;
    }
};

TEST_F(DocUpgradeTest, OlderVersionsPutTheElementsOfATrackOnItsNumber)
{
    struct Case {
        int version;
        int track;  // of the note first put on track 5
    };
    for (const Case c : {Case{1, 2}, Case{3, 2}, Case{4, 5}, Case{7, 5}, Case{0, 5}}) {
        MCOpusDoc doc;
        Build(doc, c.version);
        CDocUpgrade(&doc).Run();
        const std::vector<ECBase*> notes = Notes(doc, 2);
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0]->GetTrack(), c.track) << "version " << c.version;
        EXPECT_EQ(notes[0]->GetVoice(), 3) << "voices stay";
        EXPECT_EQ(notes[1]->GetTrack(), 2046) << "every-track elements stay";
        for (ECBase* note : Notes(doc, 1))
            EXPECT_EQ(note->GetTrack(), 1);
        doc.OnCloseDocument();
    }
}

static std::vector<ECBase*> Found(ECBase* root, int id)
{
    ACFindEvents find(ACFindEvents::noMaximum);
    find.AddEvtType(id);
    find.Apply(root);
    std::vector<ECBase*> found;
    MCPosition position = find.GetEvents().GetHeadPosition();
    while (position)
        found.push_back(find.GetEvents().GetNext(position));
    return found;
}

TEST_F(DocUpgradeTest, FlowMarksTextsAndChannelModesOfVersionThreeAndOlderTakeTheirCurrentPlaces)
{
    for (const int version : {2, 3, 4}) {
        const bool upgraded = version <= 3;
        MCOpusDoc doc;
        FillPiece(doc, 1, 2);
        doc.GetBaseEvent()->SetVersion(version);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        ECBase* conductorStaff = conductor->GetConductorStaff();
        ECBase* staff = conductor->GetTrack(1, 1, 0);
        auto add = [](ECBase* parent, ECBase* child, int track) {
            child->SetTime(&MCTime::TimeZero());
            child->SetVoiceTrack(2, track);
            parent->AddChild(child, 1);
            return child;
        };
        add(conductorStaff, new ECFlowControl(15), 0);
        ECBase* ending = add(conductorStaff, new ECFlowControl(ECFlowControl::typeEnding), 0);
        add(staff, new ECFlowControl(ECFlowControl::typeEnding), 1);
        ECBase* title = add(staff, new ECText(5, "Title"), 1);
        ECBase* lyric = add(staff, new ECText(1, "la"), 1);
        ECBase* mode = add(conductor->GetMeasure(1, MCTime(0.0f), 0, 0), new ECChannelMode, 1);

        CDocUpgrade(&doc).Run();
        const std::vector<ECBase*> marks = Found(doc.GetBaseEvent(), ending->GetEventId());
        if (upgraded) {
            EXPECT_EQ(marks, std::vector<ECBase*>{ending}) << "version " << version;
            EXPECT_EQ(title->GetTrack(), 0);
            EXPECT_EQ(title->GetVoice(), 2);
            EXPECT_EQ(Found(staff, mode->GetEventId()).size(), 0u);
            EXPECT_EQ(Found(conductorStaff, mode->GetEventId()), std::vector<ECBase*>{mode});
        } else {
            EXPECT_EQ(marks.size(), 3u);
            EXPECT_EQ(title->GetTrack(), 1);
            EXPECT_EQ(Found(staff, mode->GetEventId()), std::vector<ECBase*>{mode});
        }
        EXPECT_EQ(lyric->GetTrack(), 1);
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, ADocumentWithoutAPerformanceIsLeftAlone)
{
    MCOpusDoc doc;
    CDocUpgrade(&doc).Run();
    CDocUpgrade(nullptr).Run();
    EXPECT_EQ(doc.GetBaseEvent(), nullptr);
}

}  // namespace

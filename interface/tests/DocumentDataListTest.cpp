// The data list a load builds at once is the list that inserting each element's data one by
// one builds: same order, same ends, same cursors.

#include "DocumentTestSupport.h"

#include "interface/document/MCOpusHeader.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECMeasure.h"
#include "sequencer/data/DCsqBase.h"

#include <algorithm>
#include <unordered_set>

namespace {

using namespace documenttest;

class DocumentDataListTest : public DocumentTest {
protected:
    static std::vector<DCsqBase*> Walk(CSequence& sequence)
    {
        std::vector<DCsqBase*> list;
        for (DCsqBase* data = sequence.GetHead(); data && list.size() < 100000; data = data->GetNext())
            list.push_back(data);
        return list;
    }
};

TEST_F(DocumentDataListTest, TheListBuiltAtOnceIsTheListTheInsertsBuild)
{
    MCOpusDoc doc;
    FillPiece(doc, 4, 8);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    // Every kind of element at the notes' times, so that many share a time, some a
    // precedence; each goes under the first element of staff 3 that takes it.
    ECBase* staff = conductor->GetTrack(ECConductor::staffTrack, 3, 0);
    int placed = 0;
    for (int round = 0; round < 2; ++round) {
        for (int id = 0; id < EventId::Count; ++id) {
            if (id == EventId::Performance || id == EventId::Conductor || id == EventId::ConductorStaff ||
                id == EventId::ConductorMeasure || id == EventId::Staff || id == EventId::Track ||
                id == EventId::WaveTrack || id == EventId::Measure)
                continue;
            ECBase* element = CreateEvent(id);
            if (!element)
                continue;
            plat::RefPtr<ECBase> held(element);
            std::vector<int> parents;
            element->GetParentTypes(parents);
            const MCTime at(float((id + round) % 4));
            element->SetTime(&at);
            element->SetVoiceTrack(0, 3);
            for (int type : parents) {
                ECBase* parent = staff->GetEventId() == type ? staff : staff->GetDescendant(type, -1);
                if (parent && parent != element && parent->AddChild(element, 1)) {
                    element->GetData(0, 1);
                    ++placed;
                    break;
                }
            }
        }
    }
    ASSERT_GT(placed, 40);
    // A note before the start: the list holds it at 0.
    ECMeasure* first = conductor->GetMeasure(1, MCTime(0.0f), 0, 0);
    auto* early = new ECNote(MCTime(0.5f), MCTime(1.0f));
    early->SetVoiceTrack(0, 1);
    first->AddChild(early, 1);
    early->GetData(0, 1);
    const MCTime before(-0.5f);
    early->SetTime(&before);

    CSequence& sequence = *doc.GetSequence();
    // From the graph alone: the list the notes above stand in gives no order of its own.
    for (DCsqBase* data : Walk(sequence)) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
    }
    sequence.SetHead(nullptr);
    sequence.SetTail(nullptr);
    sequence.CheckDataIntegrity();
    const std::vector<DCsqBase*> built = Walk(sequence);
    ASSERT_GT(built.size(), 40u);
    EXPECT_EQ(*early->GetTime(), MCTime(0.0f));
    DCsqBase* const playCursor = sequence.GetPlayPosition();
    DCsqBase* const insertCursor = sequence.GetRecordPosition();

    // The same list, inserted data by data in the order the elements are collected.
    for (DCsqBase* data : built) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
    }
    sequence.SetHead(nullptr);
    sequence.SetTail(nullptr);
    sequence.SetRecordPosition(nullptr);
    sequence.SetPlayPosition(nullptr);
    ACFindEvents find;
    find.BypassNone();
    find.Apply(doc.GetBaseEvent());
    const std::vector<ECBase*> all(find.GetEvents().begin(), find.GetEvents().end());
    std::vector<ECBase*> once;
    std::unordered_set<ECBase*> seen;
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (seen.insert(*it).second)
            once.insert(once.begin(), *it);
    const std::unordered_set<DCsqBase*> listed(built.begin(), built.end());
    for (ECBase* element : once) {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0));
        if (data && listed.count(data))
            sequence.InsertData(data);
    }
    EXPECT_EQ(Walk(sequence), built);
    EXPECT_EQ(sequence.GetTail(), built.back());
    EXPECT_EQ(sequence.GetPlayPosition(), playCursor);
    EXPECT_EQ(sequence.GetRecordPosition(), insertCursor);
    // Each link agrees with its neighbour's.
    for (size_t i = 1; i < built.size(); ++i)
        EXPECT_EQ(built[i]->GetPrev(), built[i - 1]);
}

// Data at one time and of one precedence keep the order they came in, through a rebuild and
// through a save and a load, not the order the graph gives.
TEST_F(DocumentDataListTest, DataAtOneTimeKeepTheirOrderThroughARebuildAndALoad)
{
    MCOpusDoc doc;
    FillPiece(doc, 3, 4);
    CSequence& sequence = *doc.GetSequence();
    // The notes of staves 1 and 2 at quarter 1 come in again after staff 3's, as an edit
    // brings them: at that time the list then runs staff 3, 1, 2.
    for (int staff : {1, 2}) {
        ECBase* note = nullptr;
        for (ECBase* child : *doc.GetBaseEvent()->GetConductor()->GetMeasure(staff, MCTime(1.0f), 0, 0)->GetChildren())
            if (child->GetEventId() == EventId::Note && *child->GetTime() == MCTime(1.0f))
                note = child;
        ASSERT_NE(note, nullptr);
        sequence.CheckEventOrder(note);
    }
    auto order = [](CSequence& seq) {
        std::vector<std::pair<float, int>> keys;
        for (DCsqBase* data : Walk(seq))
            keys.emplace_back(data->GetOwner()->GetTime()->GetSeconds(), data->GetOwner()->GetTrack());
        return keys;
    };
    const std::vector<std::pair<float, int>> made = order(sequence);
    const auto atOne = std::find(made.begin(), made.end(), std::pair{1.0f, 3});
    ASSERT_NE(atOne, made.end());
    ASSERT_LE(atOne + 3, made.end());
    EXPECT_EQ(std::vector(atOne, atOne + 3), (std::vector<std::pair<float, int>>{{1.0f, 3}, {1.0f, 1}, {1.0f, 2}}));

    sequence.CheckDataIntegrity();
    EXPECT_EQ(order(sequence), made);

    const std::string path = File("order.kvd");
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    ASSERT_EQ(doc.DoSave(path, 1), 1);
    doc.ReleaseRootStorage();
    MCOpusDoc again;
    ASSERT_EQ(again.OnOpenDocument(path), 1);
    EXPECT_EQ(order(*again.GetSequence()), made);
}

}  // namespace

// Documents whose element graph takes unusual shapes: elements that share their children, and
// an envelope that only a staff's data holds, opened whole or refused part way.

#include "DocumentTestSupport.h"

#include "notabase/actions/ACCount.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECOrnament.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Archive.h"
#include "platform/core/ArchiveError.h"
#include "sequencer/data/DCsqStaff.h"

#include <string>
#include <vector>

// An ornament that counts how often it is asked what it is: each walk that meets it asks once.
class CountedOrnament : public ECOrnament {
    PLAT_DECLARE_SERIAL(CountedOrnament)
public:
    int GetEventId() const override
    {
        ++asked;
        return ECOrnament::GetEventId();
    }
    static inline long asked = 0;
};
PLAT_IMPLEMENT_SERIAL(CountedOrnament, ECOrnament, plat::kVersionableSchema | 2)

// An envelope point that counts the points alive.
class CountedPoint : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(CountedPoint)
public:
    CountedPoint() { ++alive; }
    ~CountedPoint() override { --alive; }
    CountedPoint(const CountedPoint&) = delete;
    CountedPoint& operator=(const CountedPoint&) = delete;
    static inline int alive = 0;
};
PLAT_IMPLEMENT_SERIAL(CountedPoint, ECEnvPoint, plat::kVersionableSchema | 3)

// A mark whose pass after loading refuses the file, as a damaged table would.
class RefusingMark : public ECWithTime {
    PLAT_DECLARE_SERIAL(RefusingMark)
public:
    int GetEventId() const override { return EventId::Text; }
    void PostSerialize(plat::Archive& archive) override
    {
        if (archive.isLoading())
            throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "a mark that refuses the file");
    }
};
PLAT_IMPLEMENT_SERIAL(RefusingMark, ECWithTime, plat::kVersionableSchema | 2)

namespace {

using namespace documenttest;

class DocumentGraphLoadTest : public DocumentTest {};

// A piece of one note whose ornaments form a lattice: each level two ornaments, each a child
// of both above; 2^levels paths lead to the last ones.
void AddOrnamentLattice(MCOpusDoc& doc, int levels)
{
    ECMeasure* measure = doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(0.0f), 0, 0);
    ASSERT_NE(measure, nullptr);
    ECBase* note = measure->GetDescendant(EventId::Note, -1);
    ASSERT_NE(note, nullptr);
    std::vector<ECBase*> above{note};
    for (int level = 0; level < levels; ++level) {
        std::vector<ECBase*> row{new CountedOrnament, new CountedOrnament};
        for (ECBase* ornament : row) {
            for (ECBase* parent : above)
                ASSERT_EQ(parent->AddChild(ornament, 0), 1);
        }
        above = row;
    }
}

TEST_F(DocumentGraphLoadTest, OrnamentsThatShareTheirChildrenSaveAndOpenAtTheCostOfTheirNumber)
{
    // 24 levels: 2^24 paths, 48 ornaments.
    constexpr int levels = 24;
    constexpr long ornaments = 2 * levels;
    const std::string path = File("lattice.kvd");
    {
        MCOpusDoc doc;
        FillPiece(doc, 1, 1);
        AddOrnamentLattice(doc, levels);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        CountedOrnament::asked = 0;
        ASSERT_EQ(doc.DoSave(path, 1), 1);
        EXPECT_LE(CountedOrnament::asked, ornaments * 2 * 8) << "saving";
    }
    CountedOrnament::asked = 0;
    MCOpusDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(path), 1);
    // Each walk of the open asks each ornament once per parent at most; a walk of every path
    // would ask the last ones 2^24 times.
    EXPECT_LE(CountedOrnament::asked, ornaments * 2 * 8) << "opening";
    ACCount count;
    count.AddEvtType(EventId::Ornament);
    count.Apply(doc.GetBaseEvent());
    EXPECT_EQ(count.GetCount(), ornaments) << "the lattice comes back whole";
}

// A staff's data may hold an envelope that stands nowhere in the piece, with a point that
// holds it back. Whether the document opens or is refused after its graph was read, closing
// it frees them.
TEST_F(DocumentGraphLoadTest, AnEnvelopeOnlyAStaffsDataHoldsIsFreedWhetherTheOpenSucceedsOrFails)
{
    const struct {
        const char* what;
        bool refused;
    } cases[] = {
        {"opened and closed", false},
        {"refused after its graph was read", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = File("envelope.kvd");
        {
            MCOpusDoc doc;
            FillPiece(doc, 1, 2);
            ECBase* staff = doc.GetBaseEvent()->GetConductor()->GetTrack(ECConductor::staffTrack, 1, 0);
            ASSERT_NE(staff, nullptr);
            auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
            ASSERT_NE(data, nullptr);
            ECEnvelope* envelope = data->GetTranspositionEnv(1);
            ASSERT_NE(envelope, nullptr);
            auto* point = new CountedPoint;
            point->SetTime(&MCTime::TimeZero());
            ASSERT_EQ(envelope->AddChild(point, 1), 1);
            ASSERT_EQ(staff->RemoveChild(envelope, 0), 1);
            if (c.refused) {
                ECMeasure* measure = doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(0.0f), 0, 0);
                auto* mark = new RefusingMark;
                mark->SetTime(&MCTime::TimeZero());
                ASSERT_EQ(measure->AddChild(mark, 1), 1);
            }
            doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
            ASSERT_EQ(doc.DoSave(path, 1), 1);
            doc.OnCloseDocument();
            MCOpusDoc::WaitThreadsFinished(0);
        }
        ASSERT_EQ(CountedPoint::alive, 0) << "the saved piece is gone";
        {
            MCOpusDoc doc;
            EXPECT_EQ(doc.OnOpenDocument(path), c.refused ? 0 : 1);
            if (!c.refused) {
                EXPECT_EQ(CountedPoint::alive, 1) << "the envelope came back with its point";
            }
            doc.OnCloseDocument();
        }
        // A closed or refused piece is freed on a worker of its own.
        MCOpusDoc::WaitThreadsFinished(0);
        EXPECT_EQ(CountedPoint::alive, 0);
        std::filesystem::remove(path);
    }
}

}  // namespace

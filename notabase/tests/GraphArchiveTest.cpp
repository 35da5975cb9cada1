#include "notabase/actions/ACBase.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>

namespace {

// Counts the elements alive, so a test can show that a released graph leaves none behind.
class LiveNote : public TENote {
    PLAT_DECLARE_SERIAL(LiveNote)
public:
    LiveNote() { ++s_alive; }
    ~LiveNote() override { --s_alive; }
    static int s_alive;
};
PLAT_IMPLEMENT_SERIAL(LiveNote, TENote, plat::kVersionableSchema | 2)
int LiveNote::s_alive = 0;

// performance
//   conductor
//     staff x staves
//       measure x measures: beam over the first two notes, notes x notesPerMeasure
//     envelope: points
struct Piece {
    ECPerformance performance;
    std::vector<ECBase*> notes;

    Piece(int staves, int measures, int notesPerMeasure)
    {
        auto* conductor = new TEConductor;
        performance.AddChild(conductor, 0);
        auto* envelope = new TEEnvelope;
        conductor->AddChild(envelope, 0);
        for (int i = 0; i < 5; ++i) {
            auto* point = new TEPoint;
            MCTime t(static_cast<float>(i * 4));
            point->SetTime(&t);
            envelope->AddChild(point, 1);
        }
        for (int s = 0; s < staves; ++s) {
            auto* staff = new TEStaff;
            staff->SetVoiceTrack(14, s + 1);
            conductor->AddChild(staff, 0);
            for (int m = 0; m < measures; ++m) {
                auto* measure = new TEMeasure(static_cast<float>(4 * m));
                staff->AddChild(measure, 0);
                auto* beam = new TEBeam;
                measure->AddChild(beam, 0);
                for (int n = 0; n < notesPerMeasure; ++n) {
                    auto* note = new LiveNote;
                    MCTime t(static_cast<float>(4 * m + n));
                    if (n == 1)
                        t.SetBarPulseTick(m, n, 120, 480);
                    note->SetTime(&t);
                    note->SetVoiceTrack(n % 4, s + 1);
                    if (n == 2) {
                        auto* data = new TEData(s * 1000 + m);
                        data->SetOwner(note);
                        note->GetData()->SetAtGrow(3, data);
                    }
                    note->GetData(0, 0);
                    measure->AddChild(note, 1);
                    if (n < 2)
                        beam->AddChild(note, 0);
                    notes.push_back(note);
                }
            }
        }
        // Flag bit 0 follows the components put in directly above.
        for (ECBase* note : notes) {
            if (note->GetData()->GetAt(3)) {
                note->RemoveData(5);
            }
        }
    }
};

// A text that tells two graphs apart: each element once in depth-first order with its class,
// flags, time, word, data and the numbers of its children, shared children by the number they
// got first.
std::string describe(ECBase* root)
{
    std::map<const ECBase*, int> numbers;
    std::ostringstream out;
    std::vector<ECBase*> pending{root};
    numbers[root] = 0;
    while (!pending.empty()) {
        ECBase* e = pending.back();
        pending.pop_back();
        out << numbers[e] << ' ' << e->runtimeClass()->name << " f" << (e->GetFlags() & 0xFF);
        if (const MCTime* t = e->GetTime()) {
            out << " m" << int(t->GetMode());
            if (const BPTTime* r = t->GetBarPulseTick())
                out << ' ' << r->bar << ':' << r->pulse << ':' << r->tick << '/' << r->ppq;
            else
                out << ' ' << t->GetSeconds();
        }
        if (const MCVoiceTrack* vt = e->GetVoiceTrack())
            out << " w" << vt->GetValue();
        for (int slot = 0; slot < e->GetData()->GetSize(); ++slot) {
            if (auto* d = dynamic_cast<TEData*>(e->GetData()->GetAt(slot)))
                out << " d" << slot << '=' << d->value;
        }
        out << " p" << e->GetParents()->GetCount() << " [";
        if (MCEventList* children = e->GetChildren()) {
            std::vector<ECBase*> fresh;
            for (ECBase* child : *children) {
                const auto [it, added] = numbers.emplace(child, static_cast<int>(numbers.size()));
                out << ' ' << it->second;
                if (added)
                    fresh.push_back(child);
            }
            pending.insert(pending.end(), fresh.rbegin(), fresh.rend());
        }
        out << " ]\n";
    }
    return out.str();
}

std::vector<uint8_t> storeDocument(ECPerformance& performance)
{
    return storeWith([&performance](plat::Archive& a) {
        a.mapObject(&performance);
        performance.Serialize(a);
    });
}

// Reads a document's graph into the performance as the document layer does: the performance
// is active with the document's version and mapped before its record is read.
void loadDocument(ECPerformance& performance, const std::vector<uint8_t>& bytes, int version)
{
    performance.SetVersion(version);
    ECPerformance::SetActivePerformance(&performance);
    loadWith(bytes, [&performance](plat::Archive& a) {
        a.mapObject(&performance);
        performance.Serialize(a);
    });
    ECPerformance::SetActivePerformance(nullptr);
}

class GraphArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { LiveNote::s_alive = 0; m_dataAlive = TEData::s_alive; }
    void TearDown() override
    {
        EXPECT_EQ(LiveNote::s_alive, 0) << "elements outlived their graph";
        EXPECT_EQ(TEData::s_alive, m_dataAlive) << "components outlived their elements";
    }

    ModelStateGuard m_guard;
    int m_dataAlive = 0;
};

TEST_F(GraphArchiveTest, AGraphLoadsBackEqualAndStoresTheSameBytes)
{
    std::string original;
    std::vector<uint8_t> bytes;
    {
        Piece piece(4, 25, 4);  // about 600 elements
        ASSERT_EQ(LiveNote::s_alive, 400);
        original = describe(&piece.performance);
        bytes = storeDocument(piece.performance);
        EXPECT_EQ(piece.notes[0]->GetRefCount(), 2u) << "measure and beam";
    }
    EXPECT_EQ(LiveNote::s_alive, 0);

    ECPerformance loaded;
    loadDocument(loaded, bytes, 3);
    EXPECT_EQ(LiveNote::s_alive, 400) << "notes under two parents load once";
    EXPECT_EQ(describe(&loaded), original);
    EXPECT_EQ(storeDocument(loaded), bytes);
    ECBase* conductor = loaded.FindConductor();
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(conductor->GetParents()->GetHead(), &loaded);

    // Each note is held by its measure and its beam (if any); each holds a reference on them.
    ECBase* note = loaded.GetDescendant(EventId::Note, -1);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetParents()->GetCount(), 2);
    EXPECT_EQ(note->GetRefCount(), 2u);
}

TEST_F(GraphArchiveTest, RemovingTheWholeGraphFreesEveryElement)
{
    Piece piece(2, 10, 4);
    ECBase* conductor = piece.performance.FindConductor();
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(piece.performance.RemoveChildren(1), 1);
    EXPECT_EQ(LiveNote::s_alive, 0);
    EXPECT_EQ(piece.performance.GetRefCount(), 0u);
    EXPECT_EQ(piece.performance.FindConductor(), nullptr);
}

TEST_F(GraphArchiveTest, ElementsOfTheFirstFormatReadBareTimes)
{
    const auto bytes = storeWith([](plat::Archive& a) {
        a.writeU8(0);          // flags
        a.writeFloat(2.25f);   // time, no mode byte
        a.writeU16(0x0013);    // voice 3, track 1
    });
    ActiveVersion v0(0);
    TENote note;
    loadWith(bytes, [&note](plat::Archive& a) { note.Serialize(a); });
    EXPECT_EQ(note.GetTime()->GetSeconds(), 2.25f);
    EXPECT_EQ(note.GetVoice(), 3);
    EXPECT_EQ(note.GetTrack(), 1);
}

TEST_F(GraphArchiveTest, AStoredCycleIsRefused)
{
    // Cycles are built here through the API (which does not look for them) and stored; a
    // loaded cycle would hold references that nothing could ever free.
    {
        auto* a = new TEMeasure(0);
        auto* b = new TEMeasure(1);
        MCEventList owner;
        owner.AddTail(a);
        owner.AddTail(b);
        a->AddChild(b, 0);
        b->AddChild(a, 0);
        b->AddChild(new LiveNote, 0);
        const auto bytes = storeObject(a);
        b->RemoveChild(a, 0);
        EXPECT_THROW(loadObject(bytes), plat::ArchiveError);
        a->RemoveChildren(1);
    }
    {
        // Through the mapped root: its conductor names the performance as a child.
        ECPerformance root;
        auto* conductor = new TEConductor;
        root.AddChild(conductor, 0);
        conductor->AddChild(new LiveNote, 0);
        conductor->AddChild(&root, 0);
        const auto bytes = storeDocument(root);
        conductor->RemoveChild(&root, 0);

        ECPerformance loaded;
        EXPECT_THROW(loadDocument(loaded, bytes, 3), plat::ArchiveError);
        EXPECT_TRUE(loaded.GetChildren()->IsEmpty());
        EXPECT_EQ(loaded.GetRefCount(), 0u);
    }
}

TEST_F(GraphArchiveTest, TruncatedDocumentsFailCleanly)
{
    std::vector<uint8_t> bytes;
    {
        Piece piece(1, 3, 3);
        bytes = storeDocument(piece.performance);
    }
    for (size_t length = 0; length < bytes.size(); ++length) {
        ECPerformance loaded;
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
        EXPECT_THROW(loadDocument(loaded, cut, 3), plat::ArchiveError) << length;
    }
}

TEST_F(GraphArchiveTest, CorruptedDocumentsNeverCrash)
{
    std::vector<uint8_t> bytes;
    {
        Piece piece(2, 2, 3);
        bytes = storeDocument(piece.performance);
    }
    std::mt19937 random(20261209);
    int failures = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(bytes[at] ^ 0x01), uint8_t(bytes[at] ^ 0x80), uint8_t(0xFF), uint8_t(0x00),
                              static_cast<uint8_t>(random())}) {
            std::vector<uint8_t> damaged = bytes;
            damaged[at] = value;
            ECPerformance loaded;
            try {
                loadDocument(loaded, damaged, 3);
                describe(&loaded);
            } catch (const plat::ArchiveError&) {
                ++failures;
            }
        }
    }
    EXPECT_GT(failures, 0);
}

}  // namespace

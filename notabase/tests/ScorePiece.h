#pragma once

// A performance with a conductor for the score tests, the document layer's store and load of a
// piece (record pass and second pass), and a text that tells two pieces apart.

#include "notabase/actions/ACPostSerialize.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

class MCEventList;

// A note that counts the notes alive, so a test can show what a command freed or kept.
class CountedNote : public TENote {
    PLAT_DECLARE_SERIAL(CountedNote)
public:
    CountedNote() { ++s_alive; }
    explicit CountedNote(float time) : TENote(time) { ++s_alive; }
    ~CountedNote() override { --s_alive; }
    // As a note: under its measure first, then its beam.
    int GetParentTypes(std::vector<int>& types) const override
    {
        types.insert(types.end(), {EventId::Measure, EventId::Beam});
        return static_cast<int>(types.size());
    }
    static int s_alive;
};

// The piece's graph: each element once, depth first, with its class, flags, time, word and the
// numbers of its children (an element met again by the number it got first).
inline std::string describePiece(ECBase* root)
{
    std::map<const ECBase*, int> numbers{{root, 0}};
    std::ostringstream out;
    std::vector<ECBase*> pending{root};
    while (!pending.empty()) {
        ECBase* e = pending.back();
        pending.pop_back();
        out << numbers[e] << ' ' << e->runtimeClass()->name << " f" << e->GetFlags();
        if (const MCTime* t = e->GetTime())
            out << " t" << int(t->GetMode()) << ':' << t->GetSeconds();
        if (const MCVoiceTrack* vt = e->GetVoiceTrack())
            out << " w" << vt->GetValue();
        out << " [";
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

// Stores a piece as the document layer does: the performance mapped, its record, then the second
// pass over the graph.
inline std::vector<uint8_t> storePiece(ECPerformance& performance)
{
    return storeWith([&performance](plat::Archive& archive) {
        archive.mapObject(&performance);
        performance.Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(&performance);
    });
}

// Loads a piece into a new performance under a format version; null when the bytes are refused.
inline ECPerformance* loadPiece(const std::vector<uint8_t>& bytes, int version = 3)
{
    auto* performance = new ECPerformance;
    performance->Ref();
    performance->SetVersion(version);
    ECPerformance* previous = ECPerformance::SetActivePerformance(performance);
    try {
        loadWith(bytes, [performance](plat::Archive& archive) {
            archive.mapObject(performance);
            performance->Serialize(archive);
            ACPostSerialize second(archive);
            second.Apply(performance);
        });
    } catch (...) {
        ECPerformance::SetActivePerformance(previous);
        performance->RemoveChildren(1);
        performance->Unref(1);
        throw;
    }
    ECPerformance::SetActivePerformance(previous);
    return performance;
}

// Lets go of a performance made by loadPiece or ScoreTest: its history, then its graph.
inline void releasePiece(ECPerformance* performance)
{
    performance->ClearUndo();
    MCCommandMgr::OnIdle();
    performance->RemoveChildren(1);
    EXPECT_EQ(performance->GetRefCount(), 1u) << "something still holds the performance";
    performance->Unref(1);
}

class ScoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CountedNote::s_alive = 0;
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
    }
    void TearDown() override
    {
        releasePiece(m_performance);
        MCCommandMgr::OnIdle();
        EXPECT_EQ(CountedNote::s_alive, 0) << "notes outlived their piece";
    }

    ECConductorStaff& conductorStaff() { return *m_conductor->GetConductorStaff(); }
    // Appends staves through the track command, as the program does.
    void addStaves(int count);
    // Appends bars of 4/4 (or of the meter in force) up to the time.
    void addBarsUpTo(float time) { conductorStaff().GetConductorMeasureAtTime(MCTime(time - 0.001f), 1, 1); }
    // A note in the measure of a staff at a time.
    CountedNote* addNote(int staff, float time);
    // Deletes the elements as Edit > Delete does: the commands the selection makes, as one
    // undoable step. Fails the test when the selection makes none.
    void deleteSelection(MCEventList& selection);

    ModelStateGuard m_guard;
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
};

#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/ScorePiece.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

template <class Point>
Point* pointAt(float time, Point* point)
{
    MCTime t(time);
    point->SetTime(&t);
    return point;
}

// What a piece answers: its tracks, its bars on every staff and the time conversions.
std::string answers(ECPerformance& performance)
{
    ECConductor* conductor = performance.GetConductor();
    ECConductorStaff* cs = conductor->GetConductorStaff();
    std::ostringstream out;
    out << "staves " << cs->GetMaxStaffNumber() << " waves " << conductor->GetMaxTrackNumber(ECConductor::waveTrack)
        << " bars " << cs->GetMaxMeasureNumber() << " end " << cs->GetMaxMeasureEndTime().GetSeconds() << '\n';
    for (int s = 0; s <= cs->GetMaxStaffNumber(); ++s) {
        ECStaff* staff = cs->GetStaff(s, 0);
        out << "staff " << s << " track " << staff->GetTrack() << " type " << int(staff->GetStaffType()) << ':';
        for (int bar = 1; bar <= cs->GetMaxMeasureNumber(); ++bar) {
            ECMeasure* measure = cs->GetMeasure(s, bar);
            const bool own = s == 0 ? measure->GetParents()->Find(cs) != nullptr
                                    : measure->GetParents()->Find(staff) != nullptr;
            out << ' ' << measure->GetTime()->GetSeconds() << (own ? "" : "!") << '/'
                << measure->GetChildren()->GetCount();
        }
        out << '\n';
    }
    for (int w = 1; w <= conductor->GetMaxTrackNumber(ECConductor::waveTrack); ++w) {
        auto* wave = static_cast<ECWaveTrack*>(conductor->GetTrack(ECConductor::waveTrack, w, 0));
        out << "wave " << w << " track " << wave->GetTrack() << " refs " << (wave->GetConductor() == conductor)
            << (wave->GetPerformance() == &performance) << '\n';
    }
    for (float t = 0.0f; t < 30.0f; t += 1.75f) {
        MCTime clock(t);
        cs->GetTempoEnv()->GetClockTime(clock);
        MCTime position(t);
        cs->GetMeterEnv()->GetBarPulseTick(position, 480);
        const BPTTime* p = position.GetBarPulseTick();
        out << t << " -> " << clock.GetSeconds() << "s " << p->bar << ':' << p->pulse << ':' << p->tick << " bar "
            << conductor->GetMeasureNumberAtTime(MCTime(t)) << '\n';
    }
    return out.str();
}

class ScoreArchiveTest : public ScoreTest {
protected:
    // Three staves, two wave tracks, meters, tempo marks with a ramp and a pause, bars and notes.
    void buildPiece()
    {
        ECConductorStaff& cs = conductorStaff();
        ECMeterEnv* meters = cs.GetMeterEnv();
        meters->AddChild(pointAt(0.0f, new ECMeter(4, 4, 255)), 1);
        meters->AddChild(pointAt(8.0f, new ECMeter(3, 4, 255)), 1);
        meters->AddChild(pointAt(14.0f, new ECMeter(6, 8, 255)), 1);
        ECTempoEnv* tempo = cs.GetTempoEnv();
        ECTempo* start = pointAt(0.0f, new ECTempo);
        start->SetTempo(100.0f, 1.0f);
        start->SetStyle(ECEnvPoint::styleLinear);
        tempo->AddChild(start, 1);
        tempo->AddChild(pointAt(6.0f, new ECTempo(ECTempo::typeMetronome, MCTime(0.0f))), 1);
        ECTempo* pause = pointAt(10.0f, new ECTempo(ECTempo::typePause, MCTime(0.0f)));
        pause->SetAnchor(1);
        pause->SetAnchorHead(1);
        pause->SetPausePercent(50.0f);
        ECTempo* restore = pointAt(12.0f, new ECTempo(ECTempo::typePause, MCTime(0.0f)));
        restore->SetAnchor(1);
        tempo->AddChild(pause, 1);
        tempo->AddChild(restore, 1);
        MCEventList group;
        group.AddTail(pause);
        group.AddTail(restore);
        tempo->AddAnchorGroup(&group);
        tempo->RecalculateClockTimes();

        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 2);
        add->AddMidiTrack(1, 1);
        add->AddWaveTrack(2);
        add->SetSynchronous(1);
        add->Apply(m_performance);
        addBarsUpTo(26.0f);
        for (int s = 1; s <= 3; ++s) {
            for (float t : {0.5f, 4.0f * s + 1.0f, 15.5f, 20.0f + s})
                addNote(s, t);
        }
        auto* wave = m_conductor->GetTrack(ECConductor::waveTrack, 2, 0);
        wave->AddChild(new CountedNote(3.0f), 1);
    }
};

}  // namespace

TEST_F(ScoreArchiveTest, APieceStoredAndLoadedIsTheSamePiece)
{
    buildPiece();
    const std::string graph = describePiece(m_performance);
    const std::string answered = answers(*m_performance);
    const std::vector<uint8_t> bytes = storePiece(*m_performance);

    ECPerformance* loaded = loadPiece(bytes);
    EXPECT_EQ(describePiece(loaded), graph);
    EXPECT_EQ(answers(*loaded), answered);
    EXPECT_EQ(storePiece(*loaded), bytes);
    // The tables point at the loaded elements, and the maps are the loaded ones.
    ECConductorStaff* cs = loaded->GetConductor()->GetConductorStaff();
    EXPECT_EQ(cs->GetConductor(), loaded->GetConductor());
    EXPECT_EQ(cs->GetPerformance(), loaded);
    EXPECT_EQ(cs->GetTempoEnv()->GetPointCount(), 4);
    EXPECT_EQ(cs->GetMeterEnv()->GetPointCount(), 3);
    EXPECT_EQ(cs->GetChildren()->GetCount(), 2 + cs->GetMaxMeasureNumber()) << "no map was made anew";
    releasePiece(loaded);
}

TEST_F(ScoreArchiveTest, WaveTracksLoadInTheOrderOfTheirNumbers)
{
    buildPiece();
    auto* first = static_cast<ECWaveTrack*>(m_conductor->GetTrack(ECConductor::waveTrack, 1, 0));
    auto* second = static_cast<ECWaveTrack*>(m_conductor->GetTrack(ECConductor::waveTrack, 2, 0));
    // Stored with its numbers crossed and one word converted: the numbers decide the order, and
    // the tracks are numbered anew.
    first->SetVoiceTrack(14, 9);
    second->SetVoiceTrack(14, 4);
    ECWaveTrack* third = static_cast<ECWaveTrack*>(m_conductor->GetTrack(ECConductor::waveTrack, 3, 1));
    third->GetVoiceTrack()->SetDevice(2);
    ECPerformance* loaded = loadPiece(storePiece(*m_performance));
    ECConductor* conductor = loaded->GetConductor();
    ASSERT_EQ(conductor->GetMaxTrackNumber(ECConductor::waveTrack), 3);
    auto* loadedSecond = conductor->GetTrack(ECConductor::waveTrack, 1, 0);
    EXPECT_EQ(loadedSecond->GetChildren()->GetCount(), 1) << "the track that held the clip";
    for (int w = 1; w <= 3; ++w)
        EXPECT_EQ(conductor->GetTrack(ECConductor::waveTrack, w, 0)->GetTrack(), w);
    releasePiece(loaded);
}

TEST_F(ScoreArchiveTest, DamagedPiecesLoadOrFailWithoutHarm)
{
    addStaves(2);
    addBarsUpTo(8.0f);
    addNote(1, 1.0f);
    addNote(2, 5.0f);
    m_conductor->GetTrack(ECConductor::waveTrack, 1, 1);
    conductorStaff().GetTempoEnv()->AddChild(pointAt(0.0f, new ECTempo), 1);
    const std::vector<uint8_t> bytes = storePiece(*m_performance);
    std::mt19937 random(20261210);
    int refused = 0;
    int loadedCount = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(bytes[at] ^ 0x01), uint8_t(0xFF), static_cast<uint8_t>(random())}) {
            std::vector<uint8_t> damaged = bytes;
            damaged[at] = value;
            ECPerformance* loaded = nullptr;
            try {
                loaded = loadPiece(damaged);
            } catch (const plat::ArchiveError&) {
                ++refused;
                continue;
            }
            ++loadedCount;
            describePiece(loaded);
            releasePiece(loaded);
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loadedCount, 0);
}

// A field that refers to an object of the piece names one that the piece holds. A piece whose
// field names an object outside it (what a damaged or crafted file can hold) is stored with that
// object in full in the field; loading it must refuse it rather than make an object nothing
// owns, which would leak and be stored again with the piece.
TEST_F(ScoreArchiveTest, AReferenceToAnObjectThePieceDoesNotHoldIsRefused)
{
    const CPluginData data(&TEData::classObject, 0, EventId::Note);
    CPluginData::AddPlugin(&data);
    struct Case {
        const char* what;
        std::function<void(std::vector<plat::RefPtr<ECBase>>&)> craft;
    };
    const Case cases[] = {
        {"the owner of a data component",
         [this](std::vector<plat::RefPtr<ECBase>>& outside) {
             outside.emplace_back(new TENote(1.0f));
             addNote(1, 1.0f)->GetData(0, 1)->SetOwner(outside.back().get());
         }},
        {"the conductor of a wave track",
         [this](std::vector<plat::RefPtr<ECBase>>& outside) {
             outside.emplace_back(new ECConductor);
             m_conductor->AddChild(new ECWaveTrack(static_cast<ECConductor*>(outside.back().get()), m_performance), 1);
         }},
        {"the performance of a wave track",
         [this](std::vector<plat::RefPtr<ECBase>>& outside) {
             outside.emplace_back(new ECPerformance);
             m_conductor->AddChild(new ECWaveTrack(m_conductor, static_cast<ECPerformance*>(outside.back().get())), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        addStaves(1);
        addBarsUpTo(4.0f);
        const std::vector<uint8_t> sound = storePiece(*m_performance);
        ECPerformance* loaded = loadPiece(sound);
        releasePiece(loaded);

        std::vector<plat::RefPtr<ECBase>> outside;
        c.craft(outside);
        const int components = TEData::s_alive;
        const std::vector<uint8_t> crafted = storePiece(*m_performance);
        ECPerformance* accepted = nullptr;
        EXPECT_THROW(accepted = loadPiece(crafted), plat::ArchiveError);
        if (accepted)
            releasePiece(accepted);
        EXPECT_EQ(TEData::s_alive, components) << "nothing of the refused piece is left";
        m_performance->RemoveChildren(1);
        for (const auto& element : outside)
            element->RemoveChildren(1);
    }
}

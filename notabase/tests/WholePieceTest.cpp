#include "notabase/model/ECAccent.h"
#include "notabase/model/ECAccidental.h"
#include "notabase/model/ECArpeggio.h"
#include "notabase/model/ECBankLSB.h"
#include "notabase/model/ECBankMSB.h"
#include "notabase/model/ECBarline.h"
#include "notabase/model/ECBeam.h"
#include "notabase/model/ECBrac.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECFrame.h"
#include "notabase/model/ECGlissando.h"
#include "notabase/model/ECGraceNote.h"
#include "notabase/model/ECGroup.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECLyricBlock.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECMirror.h"
#include "notabase/model/ECMordent.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECOrnament.h"
#include "notabase/model/ECPan.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/ECRPNPoint.h"
#include "notabase/model/ECRepeat.h"
#include "notabase/model/ECRest.h"
#include "notabase/model/ECSlur.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECTie.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/model/ECTremolo.h"
#include "notabase/model/ECTrill.h"
#include "notabase/model/ECTurn.h"
#include "notabase/model/ECWave.h"
#include "notabase/model/MCEmbeddedItem.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/ScorePiece.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

template <class T>
T* at(float time, T* element)
{
    MCTime t(time);
    element->SetTime(&t);
    return element;
}

template <class Point>
Point* point(float time, float value, Point* p)
{
    at(time, p)->SetValue(value);
    return p;
}

ECNote* note(float time, float duration, int staff)
{
    auto* n = new ECNote(MCTime(time), MCTime(duration));
    n->SetVoiceTrack(0, staff);
    return n;
}

// The classes of every element below a root, by name.
std::set<std::string> classesBelow(ECBase* root)
{
    std::set<std::string> names;
    std::set<ECBase*> seen;
    std::vector<ECBase*> pending{root};
    while (!pending.empty()) {
        ECBase* e = pending.back();
        pending.pop_back();
        if (!seen.insert(e).second)
            continue;
        names.insert(e->runtimeClass()->name);
        if (MCEventList* children = e->GetChildren()) {
            for (ECBase* child : *children)
                pending.push_back(child);
        }
    }
    return names;
}

class WholePieceTest : public ScoreTest {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-piece-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        ScoreTest::SetUp();
    }
    void TearDown() override
    {
        ScoreTest::TearDown();
        std::filesystem::remove_all(m_folder);
    }

    // Two staves and a wave track over two bars of 4/4, holding one element of every class
    // that a piece holds, each with values other than its defaults.
    void buildPiece()
    {
        ECConductorStaff& cs = conductorStaff();
        cs.GetMeterEnv()->AddChild(at(0.0f, new ECMeter(4, 4, 255)), 1);
        ECTempo* tempo = at(0.0f, new ECTempo(14, MCTime(0.0f)));
        tempo->SetText("Allegro con brio");
        cs.GetTempoEnv()->AddChild(tempo, 1);
        addStaves(2);
        m_conductor->GetTrack(ECConductor::waveTrack, 1, 1);
        addBarsUpTo(8.0f);

        // The conductor staff: a system message, a flow control mark and a title.
        auto* message = at(-1.0f, new ECSystemMessage(1));
        message->SetMessageName("GM On");
        cs.AddChild(message, 1);
        auto* ending = at(4.0f, new ECFlowControl(ECFlowControl::typeEnding));
        ending->SetEndingNumber(2);
        ending->SetText("2.");
        cs.AddChild(ending, 1);
        cs.AddChild(at(0.0f, new ECText(ECText::typeTitle, "Sonatina")), 1);

        ECConductorMeasure* bar = cs.GetConductorMeasureAtTime(MCTime(0.0f), 0, 0);
        auto* barline = new ECBarline;
        barline->SetBarlineType(4);
        barline->SetBarlinePos(1);
        bar->AddChild(barline, 0);
        auto* brac = new ECBrac(3);
        brac->SetGroupID(1, 1);
        bar->AddChild(brac, 0);

        ECStaff* staff = cs.GetStaff(1, 0);
        ECMeasure* measure = cs.GetMeasure(1, 1);
        ECMeasure* second = cs.GetMeasure(2, 1);

        // Notes with their marks.
        ECNote* first = note(0.0f, 1.0f, 1);
        first->AddChild(new ECDot(1), 0);
        first->AddChild(new ECAccent(6), 0);
        first->AddChild(new ECAccidental(2), 0);
        first->AddChild(new ECOrnament(1), 0);
        first->AddChild(new ECMordent(2), 0);
        first->AddChild(new ECTurn(1), 0);
        first->AddChild(at(0.0f, new ECTremolo(3)), 0);
        first->AddChild(at(0.0f, new ECTrill(2)), 0);
        first->AddChild(new ECGraceNote(MCTime(-0.125f), MCTime(0.125f)), 0);
        measure->AddChild(first, 1);
        ECNote* next = note(1.0f, 1.0f, 1);
        measure->AddChild(next, 1);
        auto* chord = at(2.0f, new ECChord);
        chord->AddChild(note(2.0f, 1.0f, 1), 0);
        chord->AddChild(note(2.0f, 1.0f, 1), 0);
        chord->AddChild(new ECArpeggio(1), 0);
        measure->AddChild(chord, 1);
        auto* rest = at(3.0f, new ECRest(11));
        rest->AddChild(new ECDot(0), 0);
        measure->AddChild(rest, 1);
        auto* tuplet = at(3.5f, new ECTuplet(3, 2, 11));
        tuplet->AddChild(note(3.5f, 0.1666f, 1), 0);
        measure->AddChild(tuplet, 1);
        auto* beam = new ECBeam;
        beam->AddChild(first, 0);
        beam->AddChild(next, 0);
        measure->AddChild(beam, 0);

        // Words and marks of the measure.
        auto* symbol = at(0.0f, new ECChordSymbol(1, 0, 5, 1));
        symbol->SetChordQuality("m7");
        measure->AddChild(symbol, 1);
        auto* lyric = at(0.0f, new ECLyric("Ky-"));
        lyric->SetVerse(2);
        measure->AddChild(lyric, 1);
        measure->AddChild(at(0.0f, new ECRepeat(1)), 1);
        auto* key = at(0.0f, new ECKey(2, 0, 0));
        measure->AddChild(key, 1);
        measure->AddChild(at(0.0f, new ECClef(1)), 1);
        auto* mirror = at(0.0f, new ECMirror);
        mirror->SetMirrorEvent(key, 1);
        second->AddChild(mirror, 1);

        // Spanners and groups of the staff.
        addGroups(staff, first, next, rest);

        // The staff's performance data.
        auto* controller = new ECControllerEnv;
        controller->SetControllerType(64);
        controller->AddChild(point(0.0f, 0.0f, new ECControlChange(64)), 1);
        controller->AddChild(point(0.5f, 30.0f, new ECPan), 1);
        auto* dynamic = point(1.0f, 80.0f, new ECDynamic(ECDynamic::typeCrescendo, MCTime(2.0f)));
        dynamic->SetText("cresc. poco a poco");
        controller->AddChild(dynamic, 1);
        controller->AddChild(point(2.0f, 127.0f, new ECPedal(1, MCTime(1.0f))), 1);
        controller->AddChild(point(3.0f, 0.0f, new ECTranspose(12, MCTime(4.0f))), 1);
        staff->AddChild(controller, 0);
        auto* pressure = new ECChanPressureEnv;
        pressure->AddChild(point(0.0f, 40.0f, new ECChannelPressure), 1);
        staff->AddChild(pressure, 0);
        auto* bend = new ECPitchBendEnv;
        auto* bendPoint = point(0.0f, 9000.0f, new ECPitchBend);
        bendPoint->SetStyle(ECEnvPoint::styleLinear);
        bend->AddChild(bendPoint, 1);
        bend->AddChild(point(1.0f, 8192.0f, new ECPitchBend), 1);
        staff->AddChild(bend, 0);
        auto* poly = new ECPolyPressureEnv;
        poly->SetKey(64);
        poly->AddChild(point(0.0f, 20.0f, new ECPolyPressure(64)), 1);
        staff->AddChild(poly, 0);
        auto* patch = new ECPatchEnv;
        patch->SetPatch(MCTime(0.0f), 1, 0, 24);
        staff->AddChild(patch, 0);
        auto* rpn = new ECRPNEnv;
        rpn->SetRPNType(0, 0);
        rpn->AddChild(point(0.0f, 2.0f, new ECRPNPoint(0, 0)), 1);
        staff->AddChild(rpn, 0);
        auto* nrpn = new ECNRPNEnv;
        nrpn->SetNRPNType(1, 8);
        nrpn->AddChild(point(0.0f, 64.0f, new ECNRPNPoint(1, 8)), 1);
        staff->AddChild(nrpn, 0);
        auto* plain = new ECEnvelope;
        plain->AddChild(point(0.0f, 1.0f, new ECEnvPoint), 1);
        staff->AddChild(plain, 0);
        staff->AddChild(point(0.0f, 1.0f, new ECBankMSB), 1);
        staff->AddChild(point(0.0f, 0.0f, new ECBankLSB), 1);
        auto* mode = point(0.0f, 0.0f, new ECChannelMode);
        mode->SetChannelModeType(ECChannelMode::omniOffPoly);
        staff->AddChild(mode, 1);
        staff->AddChild(at(0.0f, new ECText(ECText::typePlain, "dolce")), 1);

        // A clip on the wave track, and a frame and a lyric block of the performance.
        auto* clip = new ECWave(MCTime(1.0f), "intro.wav");
        MCTime length(3.5f);
        clip->SetDuration(&length);
        m_conductor->GetTrack(ECConductor::waveTrack, 1, 0)->AddChild(clip, 1);
        auto* frame = new ECFrame(2);
        frame->SetClientItem(new MCEmbeddedItem({1, 2, 3}));
        m_performance->AddChild(frame, 0);
        auto* block = at(0.0f, new ECLyricBlock("Kyrie eleison,\nChriste eleison."));
        block->SetVerse(1);
        MCTime whole(8.0f);
        block->SetDuration(&whole);
        m_performance->AddChild(block, 0);
    }

    void addGroups(ECStaff* staff, ECNote* first, ECNote* next, ECRest* rest)
    {
        auto* slur = new ECSlur;
        slur->AddChild(first, 0);
        slur->AddChild(next, 0);
        staff->AddChild(slur, 0);
        auto* tie = new ECTie;
        tie->AddChild(next, 0);
        staff->AddChild(tie, 0);
        auto* glissando = new ECGlissando;
        glissando->AddChild(first, 0);
        staff->AddChild(glissando, 0);
        auto* group = new ECGroup(0x05);
        group->AddChild(rest, 0);
        staff->AddChild(group, 0);
    }

    std::string m_folder;
};

TEST_F(WholePieceTest, APieceOfEveryClassIsStoredAndLoadedEqual)
{
    buildPiece();
    const std::set<std::string> classes = classesBelow(m_performance);
    for (int id = 0; id < EventId::Count; ++id) {
        // Plain bases of the element classes stand in no piece.
        if (id == EventId::Track || id == EventId::WithChild || id == EventId::WithTime
            || id == EventId::WithTimeChild) {
            continue;
        }
        if (ECBase* made = CreateEvent(id)) {
            if (id != EventId::Base) {
                EXPECT_TRUE(classes.count(made->runtimeClass()->name)) << made->runtimeClass()->name << " is missing";
            }
            delete made;
        }
    }
    for (const char* notMadeById : {"ECBankLSB", "ECBankMSB", "ECChanPressureEnv", "ECControllerEnv", "ECEnvelope",
                                    "ECEnvPoint", "ECGlissando", "ECMeterEnv", "ECNRPNEnv", "ECNRPNPoint",
                                    "ECPatchEnv", "ECPitchBendEnv", "ECPolyPressureEnv", "ECRPNEnv", "ECRPNPoint",
                                    "ECTempoEnv"}) {
        EXPECT_TRUE(classes.count(notMadeById)) << notMadeById << " is missing";
    }

    const std::string graph = describePiece(m_performance);
    const std::vector<uint8_t> bytes = storePiece(*m_performance);
    // Documents are written in the current format, version 4.
    ECPerformance* loaded = loadPiece(bytes, 4);
    EXPECT_EQ(classesBelow(loaded), classes);
    EXPECT_EQ(describePiece(loaded), graph);
    EXPECT_EQ(storePiece(*loaded), bytes) << "every field of every element came back";

    // A few answers that rest on more than one record.
    ECConductorStaff* cs = loaded->GetConductor()->GetConductorStaff();
    ECMeasure* second = cs->GetMeasure(2, 1);
    auto* mirror = plat::dynamicDowncast<ECMirror>(second->GetChildren()->GetHead());
    ASSERT_TRUE(mirror);
    EXPECT_EQ(mirror->GetMirrorEvent()->GetParents()->GetHead(), cs->GetMeasure(1, 1));
    unsigned long msb = 0;
    unsigned long lsb = 0;
    unsigned long program = 0;
    ECStaff* staff = cs->GetStaff(1, 0);
    for (ECBase* child : *staff->GetChildren()) {
        if (auto* patch = plat::dynamicDowncast<ECPatchEnv>(child))
            patch->GetPatch(MCTime(0.0f), msb, lsb, program);
    }
    EXPECT_EQ(msb, 1u);
    EXPECT_EQ(program, 24u);
    releasePiece(loaded);
}

TEST_F(WholePieceTest, DamagedPiecesLoadOrFailWithoutHarm)
{
    // A damaged group type may lock a group; it still lets go of its children when the piece
    // is taken apart.
    buildPiece();
    const std::vector<uint8_t> bytes = storePiece(*m_performance);
    int refused = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(bytes[at] ^ 0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> damaged = bytes;
            damaged[at] = value;
            ECPerformance* loaded = nullptr;
            try {
                loaded = loadPiece(damaged, 4);
            } catch (const plat::ArchiveError&) {
                ++refused;
                continue;
            }
            describePiece(loaded);
            releasePiece(loaded);
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace

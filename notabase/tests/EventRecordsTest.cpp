#include "notabase/model/ECAccent.h"
#include "notabase/model/ECAccidental.h"
#include "notabase/model/ECArpeggio.h"
#include "notabase/model/ECBankLSB.h"
#include "notabase/model/ECBankMSB.h"
#include "notabase/model/ECBarline.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECLyricBlock.h"
#include "notabase/model/ECMordent.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECNRPNPoint.h"
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
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/model/ECTremolo.h"
#include "notabase/model/ECTrill.h"
#include "notabase/model/ECTurn.h"
#include "notabase/model/ECWave.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class EventRecordsTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

template <class Point>
Point* valued(Point* point, float value, int style = ECEnvPoint::styleStep)
{
    point->SetValue(value);
    point->SetStyle(style);
    point->SetAnchor(1);
    return point;
}

template <class Envelope>
Envelope* withPoint(Envelope* envelope, ECEnvPoint* point)
{
    MCTime t(1.25f);
    point->SetTime(&t);
    envelope->AddChild(point, 1);
    envelope->SetEnvelopeName("curve");
    return envelope;
}

struct ClassCase {
    int id;
    // An element with values other than its class's defaults, so that a field left out of a
    // record shows.
    std::function<ECBase*()> make;
    // The last format version that changed the record; records of every version from it on
    // read alike.
    int lastGate;
};

std::vector<ClassCase> everyClass()
{
    return {
        {EventId::Accent, [] { return new ECAccent(14); }, 0},
        {EventId::Accidental, [] { return new ECAccidental(3); }, 0},
        {EventId::Arpeggio, [] { return new ECArpeggio(2); }, 1},
        {EventId::BankLSB, [] { return valued(new ECBankLSB, 4.0f); }, 3},
        {EventId::BankMSB, [] { return valued(new ECBankMSB, 1.0f); }, 3},
        {EventId::Barline, [] {
             auto* b = new ECBarline;
             b->SetBarlineType(33);
             b->SetBarlinePos(3);
             return b;
         }, 3},
        {EventId::ChannelMode, [] {
             auto* m = valued(new ECChannelMode, 0.0f);
             m->SetChannelModeType(7);
             m->SetControllerNum(126);
             return m;
         }, 4},
        {EventId::ChannelPressure, [] { return valued(new ECChannelPressure, 77.0f, 1); }, 3},
        {EventId::ChanPressureEnv, [] { return withPoint(new ECChanPressureEnv, valued(new ECChannelPressure, 3.0f)); }, 3},
        {EventId::ChordSymbol, [] {
             auto* c = new ECChordSymbol(4, 0, 22, 2);
             c->SetChordQuality("add 9");
             return c;
         }, 3},
        {EventId::ControlChange, [] { return valued(new ECControlChange(91), 40.0f); }, 3},
        {EventId::ControllerEnv, [] {
             auto* e = withPoint(new ECControllerEnv, valued(new ECControlChange(7), 100.0f));
             e->SetControllerType(7);
             e->Set14Bit(1);
             return e;
         }, 3},
        {EventId::Dynamic, [] {
             auto* d = valued(new ECDynamic(ECDynamic::typeDecrescendo, MCTime(2.5f)), 60.0f);
             d->SetText("morendo");
             return d;
         }, 3},
        {EventId::FlowControl, [] {
             auto* f = new ECFlowControl(ECFlowControl::typeEnding);
             f->SetEndingNumber(2);
             f->SetText("2nd ending");
             return f;
         }, 1},
        {EventId::Lyric, [] {
             auto* l = new ECLyric("glo-");
             l->SetVerse(3);
             l->SetAuxType(1);
             l->SetItalic(1);
             MCTime d(0.75f);
             l->SetDuration(&d);
             return l;
         }, 3},
        {EventId::LyricBlock, [] {
             auto* l = new ECLyricBlock("Gloria in excelsis Deo");
             l->SetVerse(2);
             l->SetAuxType(3);
             l->SetPointSize(14);
             MCTime d(16.0f);
             l->SetDuration(&d);
             return l;
         }, 3},
        {EventId::Mordent, [] { return new ECMordent(1); }, 1},
        {EventId::NRPNEnv, [] {
             auto* e = withPoint(new ECNRPNEnv, valued(new ECNRPNPoint(1, 9), 30.0f));
             e->SetNRPNType(1, 9);
             e->Set14Bit(0);
             return e;
         }, 3},
        {EventId::NRPNPoint, [] { return valued(new ECNRPNPoint(20, 36), 12.0f); }, 3},
        {EventId::Ornament, [] { return new ECOrnament(5); }, 1},
        {EventId::Pan, [] { return valued(new ECPan, 20.0f); }, 3},
        {EventId::PatchEnv, [] {
             return withPoint(new ECPatchEnv, valued(new ECProgramChange, ECPatchEnv::MakePatchValue(0, 2, 48)));
         }, 3},
        {EventId::Pedal, [] { return valued(new ECPedal(3, MCTime(1.5f)), 127.0f); }, 3},
        {EventId::PitchBend, [] { return valued(new ECPitchBend, 12000.0f, 1); }, 3},
        {EventId::PitchBendEnv, [] { return withPoint(new ECPitchBendEnv, valued(new ECPitchBend, 0.0f)); }, 3},
        {EventId::PolyPressure, [] { return valued(new ECPolyPressure(72), 50.0f); }, 3},
        {EventId::PolyPressureEnv, [] {
             auto* e = withPoint(new ECPolyPressureEnv, valued(new ECPolyPressure(72), 1.0f));
             e->SetKey(72);
             return e;
         }, 3},
        {EventId::ProgramChange, [] { return valued(new ECProgramChange, 19.0f); }, 3},
        {EventId::Repeat, [] { return new ECRepeat(2); }, 1},
        {EventId::RPNEnv, [] {
             auto* e = withPoint(new ECRPNEnv, valued(new ECRPNPoint(0, 2), 64.0f));
             e->SetRPNType(0, 2);
             return e;
         }, 3},
        {EventId::RPNPoint, [] { return valued(new ECRPNPoint(0, 0), 2.0f); }, 3},
        {EventId::SystemMessage, [] {
             auto* m = new ECSystemMessage(2);
             m->SetMessageName("GS Reset");
             return m;
         }, 3},
        {EventId::Text, [] {
             auto* t = new ECText(10, "J. Doe\r\narr. R. Roe");
             t->SetBold(1);
             t->SetUnderline(1);
             t->SetPointSize(16);
             return t;
         }, 1},
        {EventId::Transpose, [] { return valued(new ECTranspose(254, MCTime(8.0f)), 0.0f); }, 3},
        {EventId::Tremolo, [] { return new ECTremolo(3); }, 1},
        {EventId::Trill, [] { return new ECTrill(1); }, 1},
        {EventId::Turn, [] { return new ECTurn(2); }, 1},
        {EventId::Wave, [] {
             auto* w = new ECWave(MCTime(3.0f), "take 2.wav");
             MCTime d(9.5f);
             w->SetDuration(&d);
             return w;
         }, 1},
    };
}

// Loads bytes written by storeObject under a format version.
ECBase* loadUnder(const std::vector<uint8_t>& bytes, int version)
{
    plat::Object* loaded = nullptr;
    loadWith(bytes, [&loaded, version](plat::Archive& archive) {
        const MCLoadVersion attached(archive, version);
        loaded = archive.readObject();
        EXPECT_EQ(archive.stream().remaining(), 0u);
    });
    return static_cast<ECBase*>(loaded);
}

TEST_F(EventRecordsTest, EveryClassComesBackAsStored)
{
    for (const ClassCase& c : everyClass()) {
        std::unique_ptr<ECBase> element(c.make());
        SCOPED_TRACE(element->runtimeClass()->name);
        EXPECT_EQ(element->GetEventId(), c.id);
        if (const plat::RuntimeClass* cls = GetEventRuntimeClass(c.id)) {
            EXPECT_EQ(cls, element->runtimeClass()) << "made by its id";
            std::unique_ptr<ECBase> made(CreateEvent(c.id));
            EXPECT_EQ(made->runtimeClass(), cls);
        }
        MCTime t(6.5f);
        element->SetTime(&t);
        element->SetVoiceTrack(3, 12);
        element->SetSelected(1);

        const auto bytes = storeObject(element.get());
        std::unique_ptr<ECBase> loaded(static_cast<ECBase*>(loadObject(bytes)));
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->runtimeClass(), element->runtimeClass());
        EXPECT_EQ(loaded->IsSelected(), 0);
        if (MCTime* time = loaded->GetTime()) {
            EXPECT_EQ(time->GetSeconds(), 6.5f);
        }
        loaded->SetSelected(1);
        EXPECT_EQ(storeObject(loaded.get()), bytes) << "every stored field is read back";
    }
}

TEST_F(EventRecordsTest, RecordsOfEveryVersionFromTheLastGateOnReadAlike)
{
    for (const ClassCase& c : everyClass()) {
        std::unique_ptr<ECBase> element(c.make());
        SCOPED_TRACE(element->runtimeClass()->name);
        const auto bytes = storeObject(element.get());
        for (int version : {c.lastGate, c.lastGate + 1, 7, ECPerformanceBase::newestVersion}) {
            std::unique_ptr<ECBase> loaded(loadUnder(bytes, version));
            ASSERT_TRUE(loaded) << version;
            EXPECT_EQ(storeObject(loaded.get()), bytes) << version;
        }
    }
}

TEST_F(EventRecordsTest, PointsOfOldDocumentsAreTheirTimesAlone)
{
    // Before version 3 a point's record is the timed element's: the point part is not there,
    // and the fields of the point classes follow at once.
    const struct {
        std::function<std::unique_ptr<ECBase>(OldRecord&)> load;
        std::function<void(OldRecord&)> ownFields;
    } cases[] = {
        {[](OldRecord& r) { return loadOldRecord<ECChannelPressure>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECPitchBend>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECProgramChange>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECPan>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECBankMSB>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECBankLSB>(r); }, [](OldRecord&) {}},
        {[](OldRecord& r) { return loadOldRecord<ECPolyPressure>(r); }, [](OldRecord& r) { r.u8(60); }},
        {[](OldRecord& r) { return loadOldRecord<ECRPNPoint>(r); }, [](OldRecord& r) { r.u8(0).u8(1); }},
        {[](OldRecord& r) { return loadOldRecord<ECNRPNPoint>(r); }, [](OldRecord& r) { r.u8(1).u8(8); }},
    };
    for (int version : {0, 2}) {
        for (const auto& c : cases) {
            OldRecord record(version);
            record.timedHead(2.0f, 0x0021);
            c.ownFields(record);
            const auto point = c.load(record);
            SCOPED_TRACE(point->runtimeClass()->name);
            auto* loaded = static_cast<ECEnvPoint*>(point.get());
            EXPECT_EQ(loaded->GetTime()->GetSeconds(), 2.0f);
            EXPECT_EQ(loaded->GetVoiceTrack()->GetValue(), 0x0021);
            EXPECT_EQ(loaded->IsAnchorHead(), 1);
            EXPECT_EQ(loaded->GetStyle(), ECEnvPoint::styleLinear);
        }
    }
}

TEST_F(EventRecordsTest, EnvelopesOfTheFirstLayoutLoseNoOtherField)
{
    ECNRPNEnv nrpn;
    nrpn.SetNRPNType(1, 99);
    nrpn.Set14Bit(0);
    nrpn.SetDefaultValue(5.0f);
    nrpn.SetEnvelopeComment("attack");
    auto bytes = storeObject(&nrpn);
    bytes.resize(bytes.size() - 2);
    setStoredSchema(bytes, "ECNRPNEnv", 2);
    std::unique_ptr<ECNRPNEnv> old(static_cast<ECNRPNEnv*>(loadObject(bytes)));
    ASSERT_TRUE(old);
    int msb = 9;
    int lsb = 9;
    old->GetNRPNType(msb, lsb);
    EXPECT_EQ(msb, 0);
    EXPECT_EQ(lsb, 0);
    EXPECT_EQ(old->Is14Bit(), 0);
    EXPECT_EQ(old->GetDefaultValue(), 5.0f);
    EXPECT_EQ(old->GetEnvelopeComment(), "attack");
    EXPECT_EQ(old->GetUpperLimit(), 127.0f);
}

}  // namespace

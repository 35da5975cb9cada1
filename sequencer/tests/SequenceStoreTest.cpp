// The sequence and its data stored with the piece and loaded again: the same bytes when stored
// once more, the same music when played, and damaged records refused with an archive error.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/actions/ACPostSerialize.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/layers/LCMidiTranspose.h"
#include "sequencer/layers/LCMidiVelocity.h"
#include "sequencer/layers/LCMidiVoiceMap.h"
#include "sequencer/layers/LCMidiVolume.h"
#include "sequencer/layers/LCsqAccent.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/layers/LCsqTranspose.h"
#include "sequencer/layers/LCsqVelocity.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A loaded piece and its sequence; the piece is taken apart when it goes.
struct Loaded {
    Loaded()
    {
        performance = new ECPerformance;
        performance->Ref();
    }
    ~Loaded()
    {
        sequence.reset();
        performance->RemoveChildren(1);
        performance->Unref(1);
    }
    ECPerformance* performance;
    std::unique_ptr<CSequence> sequence = std::make_unique<CSequence>();
};

// The document's order: the performance mapped and stored, the second pass over the graph,
// then the sequence mapped and stored. graphEnd gets where the sequence record begins.
Bytes Store(ECPerformance* performance, CSequence& sequence, size_t* graphEnd = nullptr)
{
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        archive.mapObject(performance);
        performance->Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(performance);
        archive.flush();
        if (graphEnd)
            *graphEnd = out.position();
        archive.mapObject(&sequence);
        sequence.Serialize(archive);
        archive.flush();
    }
    return out.takeData();
}

// Loads into the loaded piece; throws what the archive throws.
void Load(const Bytes& bytes, Loaded& into, int version = 4)
{
    into.performance->SetVersion(version);
    ECPerformance* active = ECPerformance::SetActivePerformance(into.performance);
    try {
        plat::MemoryStream in(bytes);
        plat::Archive archive(in, plat::Archive::Mode::load);
        archive.mapObject(into.performance);
        archive.loadInto(*into.performance);
        ACPostSerialize second(archive);
        second.Apply(into.performance);
        archive.mapObject(into.sequence.get());
        archive.loadInto(*into.sequence);
    } catch (...) {
        ECPerformance::SetActivePerformance(active);
        throw;
    }
    ECPerformance::SetActivePerformance(active);
}

class SequenceStoreTest : public PlayerFixture {
protected:
    SequenceStoreTest() : PlayerFixture(2) {}

    DCsqStaff* Staff(int number)
    {
        return plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, number, 0)->GetData(0, 1));
    }

    // A piece with data of every kind, mixer settings, voice maps, filters, envelopes and
    // regions.
    void BuildPiece()
    {
        SetTempo(0.0f, 120.0f);
        SetTempo(4.0f, 90.0f);
        for (int i = 0; i < 8; ++i)
            Note(1 + i % 2, static_cast<float>(i) * 0.5f, 0.5f, 60 + i);
        ECNote* accented = Note(1, 4.0f, 1.0f, 72);
        accented->AddChild(new ECAccent(1), 1);
        AddMessage(2, 1.0f, 0x5007B1);

        DCsqStaff* first = Staff(1);
        first->SetTrackGain(0.8f);
        first->SetTrackPan(-0.25f);
        first->SetTrackReverb(0.5f);
        first->SetTrackTransposition(2.0f);
        first->GetVoiceMap(3)->SetDevice(1);
        first->GetVoiceMap(3)->SetChannel(7);
        first->AddVoiceFilter(new LCsqVelocity, DCsqTrack::allVoices);
        auto* accent = new LCsqAccent;
        accent->SetVelocityOnChange(1.2f);
        first->AddTrackFilter(accent);
        auto* volume = plat::dynamicDowncast<ECControllerEnv>(first->GetEnvelope(DCsqStaff::envController, DCsqStaff::envCreate, 0, 7, 0));
        ASSERT_NE(volume, nullptr);
        auto* point = new ECEnvPoint;
        const MCTime at(2.0f);
        point->SetTime(&at);
        point->SetValue(90.0f);
        volume->AddChild(point, 1);
        ASSERT_NE(first->GetTranspositionEnv(1), nullptr);
        Staff(2)->UpdateMuteState(2, 1);

        auto* wave = new CCAddTrack;
        wave->AddWaveTrack(1);
        wave->SetSynchronous(1);
        wave->Apply(m_piece.Performance());
        auto* waveData = plat::dynamicDowncast<DCsqWaveTrack>(m_piece.Conductor()->GetTrack(2, 1, 0)->GetData(0, 1));
        ASSERT_NE(waveData, nullptr);
        waveData->SetTrackFrequency(0.5f);

        auto* message = new ECSystemMessage;
        message->SetVoiceTrack(0, 0);
        const MCTime zero(0.0f);
        message->SetTime(&zero);
        ASSERT_EQ(m_piece.ConductorStaff()->AddChild(message, 1), 1);
        uint8_t bytes[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
        plat::dynamicDowncast<DCsqSysMsg>(message->GetData(0, 1))->SetSysExData(FCMidiSysEx(bytes, sizeof bytes));
        auto* mode = new ECChannelMode;
        mode->SetChannelModeType(8);
        mode->SetVoiceTrack(0, 1);
        mode->SetTime(&zero);
        ASSERT_EQ(m_piece.Conductor()->GetTrack(1, 1, 0)->AddChild(mode, 1), 1);
        auto* modeData = plat::dynamicDowncast<DCsqChannelMode>(mode->GetData(0, 1));
        modeData->SetBasicChannel(1);
        modeData->SetMode4Channels(4);

        CSequence& seq = Sequence();
        seq.EnableRecordRegion(1);
        seq.EnableLoopRecordSameTrack(1);
        seq.SetPlayRegion(MCTime(1.0f), MCTime(3.0f));
        seq.SetRecordRegion(MCTime(2.0f), MCTime(3.5f));
        seq.SetNumLeadInMeasures(3);
        seq.SetUserSpeed(1.25f);
        m_inputFilter.SetPrimaryDivision(8);
        seq.AddInputFilter(&m_inputFilter);
        seq.AddOutputFilter(&m_outputFilter);
    }

    // What the output played from t0 on. The volume envelope's state is left out: an envelope
    // sends it only when it changed since its last evaluation, which the mixer's sends of the
    // stored piece made and those of the loaded one did not.
    std::vector<Heard> Played(uint32_t t0)
    {
        std::vector<Heard> heard = Take();
        std::erase_if(heard, [](const Heard& h) { return h.bytes.size() == 3 && (h.bytes[0] & 0xF0) == 0xB0 && h.bytes[1] == 7; });
        for (Heard& h : heard)
            h.ms -= t0;
        return heard;
    }

    LCsqQuantize m_inputFilter;
    LCsqTranspose m_outputFilter;
};

TEST_F(SequenceStoreTest, StoredLoadedAndStoredAgainGivesTheSameBytes)
{
    BuildPiece();
    const Bytes stored = Store(m_piece.Performance(), *m_sequence);
    Loaded loaded;
    Load(stored, loaded);
    CSequence& seq = *loaded.sequence;
    EXPECT_EQ(seq.LoadedFromFile(), 1);
    EXPECT_EQ(seq.GetPerformance(), loaded.performance);
    EXPECT_EQ(seq.GetNumLeadInMeasures(), 3);
    EXPECT_FLOAT_EQ(seq.GetUserSpeed(), 1.25f);
    EXPECT_EQ(seq.RecordRegionEnabled(), 1);
    EXPECT_EQ(seq.LoopRecordSameTrackEnabled(), 1);
    EXPECT_EQ(seq.GetLoopStartData(), nullptr);
    EXPECT_EQ(seq.GetPlayPosition(), seq.GetHead());
    MCTime start;
    MCTime end;
    seq.GetRecordRegion(start, end);
    EXPECT_FLOAT_EQ(end.GetSeconds(), 3.5f);
    auto* quantize = plat::dynamicDowncast<LCsqQuantize>(seq.GetInputFilter(FilterQuantize));
    ASSERT_NE(quantize, nullptr);
    EXPECT_NE(quantize, &m_inputFilter);
    ASSERT_NE(seq.GetOutputFilter(FilterTranspose), nullptr);

    // The staff's data came back with its settings, its filters and its envelopes.
    auto* staff = plat::dynamicDowncast<DCsqStaff>(loaded.performance->GetConductor()->GetTrack(1, 1, 0)->GetData(0, 0));
    ASSERT_NE(staff, nullptr);
    EXPECT_FLOAT_EQ(staff->GetTrackPan(), -0.25f);
    EXPECT_EQ(staff->GetVoiceMap(3)->GetChannel(), 7u);
    std::vector<LCBase*> filters;
    staff->GetFilterList(filters, 5, DCsqTrack::voiceFilters);
    ASSERT_EQ(filters.size(), 1u);
    std::vector<LCBase*> others;
    staff->GetFilterList(others, 2, DCsqTrack::voiceFilters);
    EXPECT_EQ(others, filters) << "one filter for every voice";
    CMidiEnvelopeMgr* manager = staff->GetMidiEnvelopeMgr(0, 0);
    ASSERT_NE(manager, nullptr);
    EXPECT_NE(manager->GetControllerEnv(7, 0), nullptr);
    ECEnvelope* transposition = staff->GetTranspositionEnv(0);
    ASSERT_NE(transposition, nullptr);
    EXPECT_EQ(plat::dynamicDowncast<LCsqTranspose>(staff->GetFilter(FilterTranspose, 0))->GetEnvelope(), transposition);
    auto* muted = plat::dynamicDowncast<DCsqStaff>(loaded.performance->GetConductor()->GetTrack(1, 2, 0)->GetData(0, 0));
    EXPECT_EQ(muted->IsMuted(), 1);

    const Bytes again = Store(loaded.performance, seq);
    EXPECT_EQ(again, stored);
}

TEST_F(SequenceStoreTest, ALoadedPiecePlaysAsTheOneStored)
{
    BuildPiece();
    StartDevices();
    Take();
    m_sequence->SetUserSpeed(1.0f);
    m_sequence->SetLocation(MCTime(0.0f));
    uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    PlayToTheEnd();
    std::vector<Heard> original = Played(t0);
    ASSERT_FALSE(original.empty());

    const Bytes stored = Store(m_piece.Performance(), *m_sequence);
    m_sequence.reset();
    Loaded loaded;
    Load(stored, loaded);
    CSequence& seq = *loaded.sequence;
    // What the document does with a loaded sequence before it plays: its list rebuilt from the
    // loaded graph, which also finds where the last note ends.
    seq.CheckDataIntegrity();
    seq.Attach(loaded.performance);
    seq.EnableAutoStop(1);
    seq.EnableAutoRewind(0);
    seq.SetLocation(MCTime(0.0f));
    Take();
    t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    for (uint32_t ms = 0; ms < 60000 && (seq.GetState() & CSequence::kPlayStates) != CSequence::stateStopped; ms += 100)
        m_devices.Step(100);
    m_devices.Step(1000);
    std::vector<Heard> replayed = Played(t0);
    ASSERT_EQ(replayed.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i)
        EXPECT_EQ(replayed[i], original[i]) << Describe(replayed[i]) << " against " << Describe(original[i]);
}

TEST_F(SequenceStoreTest, StoringWhilePlayingLeavesThePlayWhereItIs)
{
    BuildPiece();
    StartDevices();
    m_sequence->Play();
    m_devices.Step(1500);
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    DCsqBase* position = m_sequence->GetPlayPosition();
    ASSERT_NE(position, m_sequence->GetHead());
    Store(m_piece.Performance(), *m_sequence);
    EXPECT_EQ(m_sequence->GetPlayPosition(), position);
    m_sequence->Stop(0);
    m_devices.Step(500);
    ASSERT_EQ(PlayState(), CSequence::stateStopped);
    Store(m_piece.Performance(), *m_sequence);
    EXPECT_EQ(m_sequence->GetPlayPosition(), m_sequence->GetHead());
}

TEST_F(SequenceStoreTest, TheRegionFlagsByteCarriesItsFourSwitches)
{
    // With no piece the record begins with four null references and the speed.
    plat::MemoryStream probe;
    {
        plat::Archive archive(probe, plat::Archive::Mode::store);
        archive.writeObject(nullptr);
        archive.flush();
    }
    const size_t flagsAt = 4 * probe.takeData().size() + 4;
    struct Case {
        void (*set)(CSequence&);
        uint8_t flags;
    };
    const Case cases[] = {
        {[](CSequence& s) { s.EnableLoopRegion(1); }, 0x03},
        {[](CSequence& s) { s.EnableRecordRegion(1); }, 0x04},
        {[](CSequence& s) { s.EnableLoopRecordSameTrack(1); }, 0x08},
        {[](CSequence&) {}, 0x00},
    };
    for (const Case& c : cases) {
        CSequence sequence;
        c.set(sequence);
        plat::MemoryStream out;
        {
            plat::Archive archive(out, plat::Archive::Mode::store);
            sequence.Serialize(archive);
            archive.flush();
        }
        const Bytes bytes = out.takeData();
        ASSERT_GT(bytes.size(), flagsAt);
        EXPECT_EQ(bytes[flagsAt], c.flags);

        CSequence loaded;
        plat::MemoryStream in(bytes);
        plat::Archive archive(in, plat::Archive::Mode::load);
        archive.loadInto(loaded);
        EXPECT_EQ(loaded.GetOptions() & 0x238u, sequence.GetOptions() & 0x238u);
        EXPECT_EQ(loaded.GetNumLeadInMeasures(), 2);
    }
}

TEST_F(SequenceStoreTest, AnOldRecordHoldsOnlyTheReferencesAndTheSpeed)
{
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        for (int i = 0; i < 4; ++i)
            archive.writeObject(nullptr);
        archive.writeDouble(1.5);
        archive.flush();
    }
    CSequence sequence;
    plat::MemoryStream in(out.takeData());
    plat::Archive archive(in, plat::Archive::Mode::load);
    {
        MCLoadVersion version(archive, 2);
        archive.loadInto(sequence);
    }
    EXPECT_FLOAT_EQ(sequence.GetUserSpeed(), 1.5f);
    EXPECT_EQ(sequence.GetNumLeadInMeasures(), 2);
    EXPECT_EQ(sequence.LoadedFromFile(), 1);
    EXPECT_EQ(sequence.GetHead(), nullptr);
    EXPECT_FALSE(in.remaining() && *in.remaining() != 0);
}

TEST_F(SequenceStoreTest, ADataListThatLoopsIsRefused)
{
    BuildPiece();
    DCsqBase* head = m_sequence->GetHead();
    DCsqBase* second = head->GetNext();
    DCsqBase* tail = m_sequence->GetTail();
    ASSERT_TRUE(head && second && tail);
    struct Damage {
        DCsqBase* node;
        DCsqBase* next;
        const char* why;
    };
    const Damage damages[] = {{tail, head, "runs in a circle"},
                              {second, second, "runs in a circle"},
                              {tail, second, "runs in a circle"},
                              {head, nullptr, "does not end at its tail"}};
    for (const Damage& damage : damages) {
        DCsqBase* was = damage.node->GetNext();
        damage.node->SetNext(damage.next);
        const Bytes stored = Store(m_piece.Performance(), *m_sequence);
        damage.node->SetNext(was);
        Loaded loaded;
        try {
            Load(stored, loaded);
            ADD_FAILURE() << "loaded a list that " << damage.why;
        } catch (const plat::ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(damage.why), std::string::npos) << e.what();
        }
        EXPECT_EQ(loaded.sequence->GetHead(), nullptr);
        EXPECT_EQ(loaded.sequence->GetPerformance(), nullptr);
    }
}

TEST_F(SequenceStoreTest, AFilterStoredForTwoTracksIsRefused)
{
    BuildPiece();
    LCBase* shared = Staff(1)->GetFilter(FilterAccent, 0);
    ASSERT_NE(shared, nullptr);
    Staff(2)->AddTrackFilter(shared);
    const Bytes stored = Store(m_piece.Performance(), *m_sequence);
    Staff(2)->RemoveTrackFilter(shared);
    Loaded loaded;
    EXPECT_THROW(Load(stored, loaded), plat::ArchiveError);
}

TEST_F(SequenceStoreTest, EveryTruncatedDocumentFailsWithAnArchiveError)
{
    BuildPiece();
    size_t graphEnd = 0;
    const Bytes stored = Store(m_piece.Performance(), *m_sequence, &graphEnd);
    // Every cut inside the sequence record, and cuts all through the graph.
    std::vector<size_t> cuts;
    for (size_t cut = graphEnd; cut < stored.size(); ++cut)
        cuts.push_back(cut);
    const size_t step = std::max<size_t>(1, graphEnd / 150);
    for (size_t cut = 0; cut < graphEnd; cut += step)
        cuts.push_back(cut);
    for (size_t cut : cuts) {
        Loaded loaded;
        const Bytes part(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(Load(part, loaded), plat::ArchiveError) << "cut at " << cut << " of " << stored.size();
    }
}

TEST_F(SequenceStoreTest, AnOldStaffTakesItsVoiceMapsFromItsOldLayers)
{
    // A staff of a version-2 document: the old base block, an empty old filter list, gain, pan
    // and a word, the integer transposition, a word and a byte, then the four old layers.
    for (int version : {2, 0}) {
        plat::MemoryStream out;
        {
            plat::Archive archive(out, plat::Archive::Mode::store);
            archive.writeU32(0);
            archive.writeU32(DCsqTrack::flagActive);
            archive.writeI32(0);
            archive.writeObject(nullptr);
            archive.writeCount(0);
            if (version == 2) {
                archive.writeFloat(0.5f);
                archive.writeFloat(0.25f);
                archive.writeU32(77);
            }
            archive.writeI32(-5);
            archive.writeU16(1);
            archive.writeU8(2);
            if (version == 0)
                archive.writeFloat(0.75f);
            LCMidiVelocity velocity;
            LCMidiVolume volume;
            LCMidiTranspose transpose;
            LCMidiVoiceMap map;
            for (unsigned voice = 0; voice < 8; ++voice)
                map.SetVoiceDevChan(voice, voice == 2 ? 7 : 1, static_cast<int>(voice) + 3);
            for (const LCBase* layer : std::initializer_list<const LCBase*>{&velocity, &volume, &transpose, &map})
                archive.writeObject(layer);
            archive.flush();
        }
        DCsqStaff staff;
        plat::MemoryStream in(out.takeData());
        plat::Archive archive(in, plat::Archive::Mode::load);
        {
            MCLoadVersion loadVersion(archive, version);
            archive.loadInto(staff);
        }
        // Two MIDI outputs: device 7 is not there and becomes the default.
        EXPECT_EQ(staff.GetVoiceMap(2)->GetDevice(), 0u) << version;
        EXPECT_EQ(staff.GetVoiceMap(0)->GetDevice(), 1u);
        EXPECT_EQ(staff.GetVoiceMap(5)->GetChannel(), 8u);
        EXPECT_FLOAT_EQ(staff.GetTrackTransposition(), -5.0f);
        EXPECT_FLOAT_EQ(staff.GetTrackGain(), version == 2 ? 0.5f : 0.75f);
        EXPECT_NE(staff.GetFilter(FilterTranspose, 0), nullptr);
    }
}

}  // namespace

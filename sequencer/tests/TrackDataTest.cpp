#include "sequencer/tests/TrackTestSupport.h"

#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/Strings.h"
#include "sequencer/layers/LCsqBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

// What a track state told the views.
struct TrackState {
    int code;
    int track;
    int type;
    int value;
    std::vector<int> on;
    std::vector<int> off;
    bool operator==(const TrackState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TrackState& state)
{
    out << "{" << state.code << " track " << state.track << " type " << state.type << " value " << state.value << " on";
    for (int track : state.on)
        out << " " << track;
    out << " off";
    for (int track : state.off)
        out << " " << track;
    return out << "}";
}

class TrackStateLog {
public:
    explicit TrackStateLog(ECPerformance* performance) : m_performance(performance)
    {
        performance->AddStateHandler(&TrackStateLog::Handler, this);
    }
    ~TrackStateLog() { m_performance->RemoveStateHandlers(); }
    TrackStateLog(const TrackStateLog&) = delete;
    TrackStateLog& operator=(const TrackStateLog&) = delete;

    std::vector<TrackState> Take()
    {
        plat::MessageLoop::current().pump();
        return std::exchange(m_states, {});
    }
    std::vector<int> TakeCodes()
    {
        std::vector<int> codes;
        for (const TrackState& state : Take())
            codes.push_back(state.code);
        return codes;
    }

private:
    static int Handler(ECBase*, int, void* state, void* user)
    {
        if (auto* track = dynamic_cast<SCTrack*>(static_cast<SCBase*>(state))) {
            static_cast<TrackStateLog*>(user)->m_states.push_back(
                {track->GetCode(), track->GetTrack(), track->GetTrackType(), track->GetValue(), track->GetOnList(), track->GetOffList()});
        }
        return 0;
    }
    ECPerformance* m_performance;
    std::vector<TrackState> m_states;
};

// Three staves and one wave track.
class TrackDataTest : public TrackFixture {
protected:
    void SetUp() override { Build(3, 1); }
};

// One step of mute and solo: on a staff (kind 1) or the wave track (kind 2).
struct Step {
    int kind;
    int track;
    bool solo;  // else mute
    int on;
};

TEST_F(TrackDataTest, MutingASoloedTrackClearsItsSoloAndTellsTheViewsInOrder)
{
    TrackStateLog log(m_piece.Performance());
    Staff(2)->UpdateSoloState(2, 1);
    log.Take();

    Staff(2)->UpdateMuteState(2, 1);

    const std::vector<TrackState> expected{
        {SCTrack::codeActive, 0, 1, 0, {1, 3}, {2}},
        {SCTrack::codeActive, 0, 2, 0, {1}, {}},
        {SCTrack::codeSolo, 2, 1, 0, {}, {}},
        {SCTrack::codeActive, 0, 1, 0, {1, 3}, {2}},
        {SCTrack::codeActive, 0, 2, 0, {1}, {}},
        {SCTrack::codeMute, 2, 1, 1, {}, {}},
    };
    EXPECT_EQ(log.Take(), expected);
    EXPECT_EQ(Staff(2)->IsSoloed(), 0);
    EXPECT_EQ(Staff(2)->IsMuted(), 1);

    // Soloing the muted track clears its mute the same way round.
    Staff(2)->UpdateSoloState(2, 1);
    EXPECT_EQ(log.TakeCodes(), (std::vector<int>{3403, 3403, 3400, 3403, 3403, 3401}));
    EXPECT_EQ(Staff(2)->IsMuted(), 0);

    // A state that is already so changes nothing and tells nobody.
    Staff(2)->UpdateSoloState(2, 1);
    Staff(1)->UpdateMuteState(1, 0);
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(TrackDataTest, WhichTracksPlayFollowsMuteAndSolo)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        // Active: staves 1-3, then the wave track.
        std::vector<int> active;
    };
    const std::vector<Case> cases{
        {"nothing", {}, {1, 1, 1, 1}},
        {"a muted staff is silent", {{1, 2, false, 1}}, {1, 0, 1, 1}},
        {"a muted wave track is silent", {{2, 1, false, 1}}, {1, 1, 1, 0}},
        {"one solo silences every other track of both kinds", {{1, 1, true, 1}}, {1, 0, 0, 0}},
        {"a soloed wave track silences the staves", {{2, 1, true, 1}}, {0, 0, 0, 1}},
        {"a solo outweighs mutes", {{1, 2, false, 1}, {1, 3, true, 1}}, {0, 0, 1, 0}},
        {"two solos", {{1, 1, true, 1}, {1, 3, true, 1}}, {1, 0, 1, 0}},
        {"the last solo undone brings the mutes back", {{1, 2, false, 1}, {1, 1, true, 1}, {1, 1, true, 0}}, {1, 0, 1, 1}},
        {"muting the soloed track ends the solo", {{1, 1, true, 1}, {1, 1, false, 1}}, {0, 1, 1, 1}},
        {"soloing a muted track ends its mute", {{1, 1, false, 1}, {1, 1, true, 1}}, {1, 0, 0, 0}},
        {"unmuting", {{1, 1, false, 1}, {1, 1, false, 0}}, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int track = 1; track <= 3; ++track) {
            Staff(track)->UpdateSoloState(track, 0);
            Staff(track)->UpdateMuteState(track, 0);
        }
        Wave(1)->UpdateSoloState(1, 0);
        Wave(1)->UpdateMuteState(1, 0);
        for (const Step& step : c.steps) {
            DCsqTrack* data = Data(step.kind, step.track);
            if (step.solo)
                data->UpdateSoloState(step.track, step.on);
            else
                data->UpdateMuteState(step.track, step.on);
        }
        const std::vector<int> active{Staff(1)->IsActive(), Staff(2)->IsActive(), Staff(3)->IsActive(), Wave(1)->IsActive()};
        EXPECT_EQ(active, c.active);
        EXPECT_EQ(DCsqTrack::AnyTracksSoloed(m_sequence.get()), Staff(1)->IsSoloed() | Staff(2)->IsSoloed() | Staff(3)->IsSoloed() | Wave(1)->IsSoloed());
        // The conductor staff always plays.
        EXPECT_EQ(Data(ECConductor::conductorTrack, 0)->IsActive(), 1);
    }
    plat::MessageLoop::current().pump();
}

TEST_F(TrackDataTest, ParametersAreHeldToTheirRanges)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        void (DCsqTrack::*set)(float);
        float (DCsqTrack::*get)() const;
        float given;
        float stored;
    };
    const std::vector<Case> cases{
        {&DCsqTrack::SetTrackGain, &DCsqTrack::GetTrackGain, -0.5f, 0.0f},
        {&DCsqTrack::SetTrackGain, &DCsqTrack::GetTrackGain, 0.0f, 0.0f},
        {&DCsqTrack::SetTrackGain, &DCsqTrack::GetTrackGain, 2.5f, 2.5f},
        {&DCsqTrack::SetTrackGain, &DCsqTrack::GetTrackGain, nan, 0.0f},
        {&DCsqTrack::SetTrackPan, &DCsqTrack::GetTrackPan, 2.0f, 1.0f},
        {&DCsqTrack::SetTrackPan, &DCsqTrack::GetTrackPan, -3.0f, -1.0f},
        {&DCsqTrack::SetTrackPan, &DCsqTrack::GetTrackPan, -0.25f, -0.25f},
        {&DCsqTrack::SetTrackPan, &DCsqTrack::GetTrackPan, nan, 0.0f},
        {&DCsqTrack::SetTrackReverb, &DCsqTrack::GetTrackReverb, -1.0f, 0.0f},
        {&DCsqTrack::SetTrackReverb, &DCsqTrack::GetTrackReverb, 0.5f, 0.5f},
        {&DCsqTrack::SetTrackChorus, &DCsqTrack::GetTrackChorus, 1.5f, 1.0f},
        {&DCsqTrack::SetTrackModulation, &DCsqTrack::GetTrackModulation, nan, 0.0f},
        {&DCsqTrack::SetTrackTransposition, &DCsqTrack::GetTrackTransposition, -14.0f, -14.0f},
    };
    DCsqTrack* datas[] = {Staff(1), Wave(1)};
    for (DCsqTrack* data : datas) {
        for (size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "type " << data->GetTrackType() << " case " << i);
            (data->*cases[i].set)(cases[i].given);
            EXPECT_EQ((data->*cases[i].get)(), cases[i].stored);
        }
    }
}

// The short messages that reached the outputs at once, as "device: status data1 data2".
std::vector<std::string> Sent(MemoryDevices& devices, int outputs)
{
    std::vector<std::string> sent;
    for (int device = 0; device < outputs; ++device) {
        for (const auto& played : devices.Out(device).takePlayed()) {
            if (!played.immediate)
                continue;
            std::string line = std::to_string(device) + ":";
            for (uint8_t byte : played.bytes)
                line += plat::format(" %02X", byte);
            sent.push_back(line);
        }
    }
    return sent;
}

TEST_F(TrackDataTest, MixerChangesReachTheOutputsAtOnceOncePerDeviceAndChannel)
{
    m_devices.Start();
    DCsqStaff* staff = Staff(1);
    // Voices 0 and 1 share device 0, channel 2; voice 2 plays on device 1, channel 3; the rest
    // keep device 0, channel 0.
    staff->GetVoiceMap(0)->SetChannel(2);
    staff->GetVoiceMap(1)->SetChannel(2);
    staff->GetVoiceMap(2)->SetDevice(1);
    staff->GetVoiceMap(2)->SetChannel(3);
    Sent(m_devices, 2);

    struct Case {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> sent;
    };
    const std::vector<Case> cases{
        {"half gain", [&] { staff->SetTrackGain(0.5f); }, {"0: B2 07 40", "0: B0 07 40", "1: B3 07 40"}},
        {"full gain", [&] { staff->SetTrackGain(1.0f); }, {"0: B2 07 7F", "0: B0 07 7F", "1: B3 07 7F"}},
        {"gain beyond full is held to 127", [&] { staff->SetTrackGain(3.0f); }, {"0: B2 07 7F", "0: B0 07 7F", "1: B3 07 7F"}},
        {"no gain", [&] { staff->SetTrackGain(-1.0f); }, {"0: B2 07 00", "0: B0 07 00", "1: B3 07 00"}},
        {"pan left", [&] { staff->SetTrackPan(-1.0f); }, {"0: B2 0A 00", "0: B0 0A 00", "1: B3 0A 00"}},
        {"pan right is held to 127", [&] { staff->SetTrackPan(1.0f); }, {"0: B2 0A 7F", "0: B0 0A 7F", "1: B3 0A 7F"}},
        {"pan half right", [&] { staff->SetTrackPan(0.5f); }, {"0: B2 0A 60", "0: B0 0A 60", "1: B3 0A 60"}},
        {"chorus", [&] { staff->SetTrackChorus(1.0f); }, {"0: B2 5D 7F", "0: B0 5D 7F", "1: B3 5D 7F"}},
        {"reverb rounds to nearest", [&] { staff->SetTrackReverb(0.25f); }, {"0: B2 5B 20", "0: B0 5B 20", "1: B3 5B 20"}},
        {"modulation", [&] { staff->SetTrackModulation(0.1f); }, {"0: B2 01 0D", "0: B0 01 0D", "1: B3 01 0D"}},
        {"expression", [&] { staff->SetTrackExpression(); }, {"0: B2 0B 7F", "0: B0 0B 7F", "1: B3 0B 7F"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        EXPECT_EQ(Sent(m_devices, 2), c.sent);
    }
    EXPECT_FLOAT_EQ(staff->GetTrackGainFactor(), 1.0f * staff->GetTrackGain());
}

TEST_F(TrackDataTest, AVoiceOnAMissingDeviceSendsNothingAndStopsNoOther)
{
    m_devices.Start();
    DCsqStaff* staff = Staff(2);
    staff->GetVoiceMap(0)->SetDevice(7);
    staff->SetTrackGain(0.5f);
    EXPECT_EQ(Sent(m_devices, 2), (std::vector<std::string>{"0: B0 07 40"}));
}

TEST_F(TrackDataTest, EveryStaffSendsItsSettingsAgainWhenAsked)
{
    m_devices.Start();
    for (int track = 1; track <= 3; ++track) {
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
            Staff(track)->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(track));
    }
    Staff(1)->SetTrackGain(0.5f);
    Staff(3)->SetTrackPan(-0.5f);
    Sent(m_devices, 2);

    DCsqTrack::ReapplyMixerSettings(m_sequence.get(), 1);
    EXPECT_EQ(Sent(m_devices, 2), (std::vector<std::string>{"0: B1 07 40", "0: B2 07 7F", "0: B3 07 7F"}));

    DCsqTrack::ReapplyMixerSettings(m_sequence.get(), 0);
    const std::vector<std::string> sent = Sent(m_devices, 2);
    ASSERT_EQ(sent.size(), 18u);
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 6),
              (std::vector<std::string>{"0: B1 07 40", "0: B1 0A 40", "0: B1 5D 00", "0: B1 5B 00", "0: B1 01 00", "0: B1 0B 7F"}));
    EXPECT_EQ(sent[13], "0: B3 0A 20");
}

TEST_F(TrackDataTest, WaveTrackParametersBecomePlayerWords)
{
    DCsqWaveTrack* wave = Wave(1);
    wave->SetTrackGain(1.0f);
    EXPECT_EQ(wave->GetDSParams().volume, 0);
    wave->SetTrackGain(0.5f);
    EXPECT_EQ(wave->GetDSParams().volume, -2500);
    wave->SetTrackGain(1e30f);
    EXPECT_EQ(wave->GetDSParams().volume, 10000);
    wave->SetTrackPan(-0.5f);
    EXPECT_EQ(wave->GetDSParams().pan, -5000);
    wave->SetTrackFrequency(2.0f);
    EXPECT_EQ(wave->GetTrackFrequency(), 1.0f);
    EXPECT_EQ(wave->GetDSParams().frequency, 10000);

    // A track that does not play is silent, and gets its volume back when it plays again.
    wave->SetTrackGain(0.5f);
    Staff(1)->UpdateSoloState(1, 1);
    EXPECT_EQ(wave->IsActive(), 0);
    EXPECT_EQ(wave->GetDSParams().volume, DCsqWaveTrack::kSilent);
    wave->SetTrackGain(0.8f);
    EXPECT_EQ(wave->GetDSParams().volume, DCsqWaveTrack::kSilent);
    Staff(1)->UpdateSoloState(1, 0);
    EXPECT_EQ(wave->GetDSParams().volume, -1000);
    plat::MessageLoop::current().pump();
}

TEST_F(TrackDataTest, CopiesTakeStateParametersAndVoiceMapsButNoFilters)
{
    DCsqStaff* staff = Staff(1);
    staff->UpdateMuteState(1, 1);
    staff->SetTrackGain(0.5f);
    staff->SetTrackPan(0.25f);
    staff->SetTrackTransposition(3.0f);
    staff->SetTrackReverb(0.75f);
    staff->GetVoiceMap(5)->SetChannel(9);
    auto* filter = new LCsqBase;
    staff->AddTrackFilter(filter);

    DCsqStaff copy(*staff);
    EXPECT_EQ(copy.IsMuted(), 1);
    EXPECT_EQ(copy.IsActive(), 0);
    EXPECT_EQ(copy.GetTrackReverb(), 0.75f);
    EXPECT_EQ(copy.GetVoiceMap(5)->GetChannel(), 9u);
    EXPECT_EQ(copy.GetSequence(), m_sequence.get());
    EXPECT_EQ(copy.GetFilter(FilterBase, 0), nullptr);
    EXPECT_TRUE(copy == *staff);
    copy.SetTrackChorus(1.0f);
    EXPECT_TRUE(copy == *staff) << "only gain, pan and transposition count";
    copy.SetTrackTransposition(0.0f);
    EXPECT_TRUE(copy != *staff);

    DCsqStaff other;
    other.Copy(staff);
    EXPECT_EQ(other.IsMuted(), 1);
    EXPECT_EQ(other.GetTrackGain(), 0.5f);

    // A copy of a wave track keeps its frequency along with the player words made from it.
    Wave(1)->SetTrackFrequency(-0.5f);
    DCsqWaveTrack waveCopy(*Wave(1));
    EXPECT_EQ(waveCopy.GetTrackFrequency(), -0.5f);
    EXPECT_EQ(waveCopy.GetDSParams().frequency, -5000);
    EXPECT_FALSE(waveCopy == *Wave(1));
    plat::MessageLoop::current().pump();
}

TEST_F(TrackDataTest, DetachedTracksNoLongerPointToTheSequence)
{
    DCsqTrack::DetachTracks(m_sequence.get());
    for (DCsqTrack* data : {Data(ECConductor::conductorTrack, 0), Data(ECConductor::staffTrack, 3), Data(ECConductor::waveTrack, 1)})
        EXPECT_EQ(data->GetSequence(), nullptr);
    TrackStateLog log(m_piece.Performance());
    Staff(3)->UpdateMuteState(3, 1);
    EXPECT_EQ(Staff(3)->IsActive(), 0);
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(TrackDataTest, TheSequenceFollowsItsTracksFromAttachToDetach)
{
    EXPECT_EQ(Data(ECConductor::staffTrack, 3)->GetSequence(), m_sequence.get());
    EXPECT_EQ(Data(ECConductor::conductorTrack, 0)->GetSequence(), m_sequence.get());
    m_piece.AddStaves(1);
    auto* add = new CCAddTrack;
    add->AddWaveTrack(1);
    add->SetSynchronous(1);
    add->Apply(m_piece.Performance());
    DCsqTrack* addedStaff = Data(ECConductor::staffTrack, 4);
    DCsqTrack* addedWave = Data(ECConductor::waveTrack, 2);
    ASSERT_NE(addedStaff, nullptr);
    ASSERT_NE(addedWave, nullptr);
    EXPECT_EQ(addedStaff->GetSequence(), m_sequence.get());
    EXPECT_EQ(addedWave->GetSequence(), m_sequence.get());

    DCsqTrack* firstStaff = Data(ECConductor::staffTrack, 3);
    m_sequence->Detach();
    for (DCsqTrack* data : {addedStaff, addedWave, firstStaff})
        EXPECT_EQ(data->GetSequence(), nullptr);
}

// A filter that counts its instances, so that a test sees each deleted exactly once.
class CountedFilter : public LCsqBase {
public:
    explicit CountedFilter(int type = FilterBase) : m_type(type) { ++s_alive; }
    ~CountedFilter() override { --s_alive; }
    int GetClassType() const override { return m_type; }
    static int s_alive;

private:
    int m_type;
};
int CountedFilter::s_alive = 0;

TEST(TrackFilters, AFilterForEveryVoiceStandsInEachListAndIsDeletedOnce)
{
    {
        // The lists of a plain track: a staff's track list also holds its transposition filter.
        DCsqTrack staff;
        auto* everyVoice = new CountedFilter(FilterTranspose);
        auto* voiceThree = new CountedFilter(FilterTranspose);
        auto* track = new CountedFilter(FilterAccent);
        staff.AddVoiceFilter(everyVoice, DCsqTrack::allVoices);
        staff.AddVoiceFilter(voiceThree, 3);
        staff.AddTrackFilter(track);
        staff.AddVoiceFilter(nullptr, 2);
        staff.AddVoiceFilter(track, 9);

        for (unsigned voice = 0; voice < 8; ++voice) {
            std::vector<LCBase*> list;
            staff.GetFilterList(list, voice, DCsqTrack::voiceFilters | DCsqTrack::trackFilters);
            std::vector<LCBase*> expected{everyVoice};
            if (voice == 3)
                expected.push_back(voiceThree);
            expected.push_back(track);
            EXPECT_EQ(list, expected) << "voice " << voice;
        }
        std::vector<LCBase*> list;
        staff.GetFilterList(list, 8, DCsqTrack::voiceFilters);
        EXPECT_TRUE(list.empty());
        staff.GetFilterList(list, 3, DCsqTrack::trackFilters);
        EXPECT_EQ(list, std::vector<LCBase*>{track});

        // The voice's list is searched before the track's.
        EXPECT_EQ(staff.GetFilter(FilterTranspose, 3), everyVoice);
        EXPECT_EQ(staff.GetFilter(FilterAccent, 3), track);
        EXPECT_EQ(staff.GetFilter(FilterQuantize, 3), nullptr);
        staff.RemoveVoiceFilter(everyVoice, 3);
        EXPECT_EQ(staff.GetFilter(FilterTranspose, 3), voiceThree);
        EXPECT_EQ(staff.GetFilter(FilterTranspose, 4), everyVoice);

        // Taken out of every list, a filter is its caller's again.
        auto* taken = new CountedFilter;
        staff.AddVoiceFilter(taken, DCsqTrack::allVoices);
        staff.RemoveVoiceFilter(taken, DCsqTrack::allVoices);
        std::unique_ptr<CountedFilter> owned(taken);
        EXPECT_EQ(CountedFilter::s_alive, 4);
    }
    EXPECT_EQ(CountedFilter::s_alive, 0);
}

TEST_F(TrackDataTest, TheTrackNameIsTheFirstNamingText)
{
    ECStaff* element = plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(ECConductor::staffTrack, 1, 0));
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(Staff(1)->GetTrackName(), nullptr);
    m_piece.AddBarsUpTo(4.0f);
    ECMeasure* measure = m_piece.Conductor()->GetMeasure(1, MCTime(0.0f), 0, 0);
    ASSERT_NE(measure, nullptr);
    auto* lyricLike = new ECText(1, "words");
    measure->AddChild(lyricLike, 1);
    EXPECT_EQ(Staff(1)->GetTrackName(), nullptr);
    auto* name = new ECText(3, "Flute");
    measure->AddChild(name, 1);
    EXPECT_EQ(Staff(1)->GetTrackName(), name);
}

TEST_F(TrackDataTest, TheConductorStaffAnswersWithItsTempoAndMeterMaps)
{
    auto* conductor = plat::dynamicDowncast<DCsqConductorStaff>(Data(ECConductor::conductorTrack, 0));
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(conductor->GetEnvelope(DCsqConductorStaff::envelopeTempo, 0, 0, 0, 0), m_piece.ConductorStaff()->GetTempoEnv());
    EXPECT_EQ(conductor->GetEnvelope(DCsqConductorStaff::envelopeMeter, 0, 0, 0, 0), m_piece.ConductorStaff()->GetMeterEnv());
    EXPECT_EQ(conductor->GetEnvelope(19, 1, 0, 7, 0), nullptr);
    MCEventList list;
    EXPECT_EQ(conductor->GetEnvelopes(list, DCsqConductorStaff::envelopeTempo, 0, 0), 1);
    EXPECT_EQ(conductor->GetEnvelopes(list, 19, 0, 0), 0);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead(), m_piece.ConductorStaff()->GetTempoEnv());
}

TEST(TrackKinds, EachTrackClassAnswersItsKindAndStartsPlaying)
{
    DCsqTrack track;
    DCsqStaff staff;
    DCsqConductorStaff conductor;
    DCsqWaveTrack wave;
    EXPECT_EQ(track.GetTrackType(), -1);
    EXPECT_EQ(conductor.GetTrackType(), 0);
    EXPECT_EQ(staff.GetTrackType(), 1);
    EXPECT_EQ(wave.GetTrackType(), 2);
    for (DCsqTrack* data : {&track, static_cast<DCsqTrack*>(&staff), static_cast<DCsqTrack*>(&conductor), static_cast<DCsqTrack*>(&wave)}) {
        EXPECT_EQ(data->IsActive(), 1);
        EXPECT_EQ(data->IsMuted(), 0);
        EXPECT_EQ(data->IsSoloed(), 0);
        EXPECT_EQ(data->GetTrackGain(), 1.0f);
        EXPECT_EQ(data->GetVoiceMap(8), nullptr);
        EXPECT_EQ(data->GetVoiceMap(-1), nullptr);
    }
    // Alone, without a sequence, mute and solo still decide whether the track plays.
    staff.UpdateMuteState(1, 1);
    EXPECT_EQ(staff.IsActive(), 0);
    staff.UpdateSoloState(1, 1);
    EXPECT_EQ(staff.IsActive(), 1);
    EXPECT_EQ(staff.IsMuted(), 0);
}

}  // namespace

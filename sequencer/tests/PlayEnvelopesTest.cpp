// A staff's controller envelopes played through the sequence and the device manager into a
// memory MIDI output on the manual clock: a locate brings the program and controllers in force
// there before anything else, the points of the music come at their millisecond, and a stop
// while the sustain pedal is down lifts it.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class PlayEnvelopesTest : public PlayerFixture {
protected:
    PlayEnvelopesTest() : PlayerFixture(1) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        // 4/4 at 120: a bar lasts 2 seconds, bar n begins at 4 (n - 1) quarters.
        SetTempo(0.0f, 120.0f);
        SetMeter(0.0f, 4, 4);
    }

    // Notes put straight into the bars do not tell the staff it has music, as adding them by
    // a command does; empty staves are left out while they are muted automatically.
    void NotEmpty() { plat::dynamicDowncast<ECStaff>(m_piece.Conductor()->GetTrack(1, 1, 0))->SetStaffEmpty(0); }

    CMidiEnvelopeMgr& Manager()
    {
        auto* staff = plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1));
        return *staff->GetMidiEnvelopeMgr(0, 1);
    }

    void Program(float time, int program)
    {
        auto* point = new ECProgramChange;
        const MCTime at(time);
        point->SetTime(&at);
        point->SetValue(ECPatchEnv::MakePatchValue(0, 0, static_cast<unsigned char>(program)));
        Manager().GetPatchEnv(1)->AddChild(point, 1);
    }

    void Controller(float time, int controller, int value)
    {
        auto* point = new ECControlChange(static_cast<unsigned char>(controller));
        const MCTime at(time);
        point->SetTime(&at);
        point->SetValue(static_cast<float>(value));
        Manager().GetControllerEnv(controller, 1)->AddChild(point, 1);
    }

    // Everything output 0 played, immediate messages included, without the mixer settings
    // that have no envelope (modulation, pan, reverb, chorus), which a chase sends too.
    std::vector<Heard> Played()
    {
        std::vector<Heard> heard;
        for (const auto& played : m_devices.Out(0).takePlayed()) {
            const auto& b = played.bytes;
            if (b.size() == 3 && (b[0] & 0xF0) == 0xB0 && (b[1] == 1 || b[1] == 10 || b[1] == 91 || b[1] == 93))
                continue;
            heard.push_back({0, played.streamMs, played.bytes});
        }
        return heard;
    }

    static std::vector<std::vector<uint8_t>> BytesOf(const std::vector<Heard>& heard)
    {
        std::vector<std::vector<uint8_t>> bytes;
        for (const Heard& h : heard)
            bytes.push_back(h.bytes);
        return bytes;
    }
};

TEST_F(PlayEnvelopesTest, ALocateChasesTheProgramAndControllersInForceThere)
{
    Program(0.0f, 10);
    Controller(0.0f, 7, 100);
    Program(8.0f, 20);      // bar 3
    Controller(8.0f, 7, 60);
    Controller(15.0f, 7, 90);   // half a second after the locate
    Note(1, 14.0f, 1.0f, 60);
    Note(1, 16.0f, 1.0f, 62);

    NotEmpty();
    Sequence();
    StartDevices();
    Played();
    m_sequence->SetLocation(MCTime(14.0f));   // the middle of bar 4
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    PlayToTheEnd();
    const std::vector<Heard> heard = Played();
    ASSERT_GE(heard.size(), 5u);

    // First the state: the bank select and program of bar 3 and its volume; nothing of bar 1.
    std::vector<std::vector<uint8_t>> state = BytesOf(heard);
    state.resize(4);
    EXPECT_EQ(state, (std::vector<std::vector<uint8_t>>{{0xB0, 0, 0}, {0xB0, 32, 0}, {0xC0, 20}, {0xB0, 7, 60}}));
    // Then the music from the locate on: the note, the volume point at its millisecond.
    const std::vector<Heard> music(heard.begin() + 4, heard.end());
    auto at = [&](std::vector<uint8_t> bytes) {
        auto found = std::find_if(music.begin(), music.end(), [&](const Heard& h) { return h.bytes == bytes; });
        return found == music.end() ? UINT32_MAX : found->ms;
    };
    EXPECT_EQ(at({0x90, 60, 100}), t0);
    EXPECT_EQ(at({0xB0, 7, 90}), t0 + 500);
    EXPECT_EQ(at({0x90, 62, 100}), t0 + 1000);
    for (const Heard& h : music) {
        EXPECT_NE(h.bytes[0], 0xC0) << "no program change after the locate: " << Describe(h);
        EXPECT_GE(h.ms, t0) << Describe(h);
    }
}

TEST_F(PlayEnvelopesTest, PlayingFromTheStartSendsTheFirstStateThenEachPointAtItsTime)
{
    Program(0.0f, 10);
    Controller(0.0f, 7, 100);
    Program(8.0f, 20);
    Controller(8.0f, 7, 60);
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 10.0f, 1.0f, 62);
    NotEmpty();
    Sequence();
    StartDevices();
    Played();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    PlayToTheEnd();
    const std::vector<Heard> heard = Played();

    // The program and volume of the start come before the first note; those of bar 3 at 4 s.
    auto first = [&](std::vector<uint8_t> bytes) {
        return std::find_if(heard.begin(), heard.end(), [&](const Heard& h) { return h.bytes == bytes; });
    };
    ASSERT_NE(first({0xC0, 10}), heard.end());
    ASSERT_NE(first({0xB0, 7, 100}), heard.end());
    ASSERT_NE(first({0x90, 60, 100}), heard.end());
    EXPECT_LT(first({0xC0, 10}), first({0x90, 60, 100}));
    EXPECT_LT(first({0xB0, 7, 100}), first({0x90, 60, 100}));
    ASSERT_NE(first({0xC0, 20}), heard.end());
    EXPECT_EQ(first({0xC0, 20})->ms, t0 + 4000);
    ASSERT_NE(first({0xB0, 7, 60}), heard.end());
    EXPECT_EQ(first({0xB0, 7, 60})->ms, t0 + 4000);
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(), [](const Heard& h) { return h.bytes[0] == 0xC0 && h.bytes[1] == 20; }), 1);
}

TEST_F(PlayEnvelopesTest, AStopWhileTheSustainPedalIsDownLiftsIt)
{
    Controller(0.0f, 64, 127);
    Controller(6.0f, 64, 0);
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 8.0f, 1.0f, 62);
    NotEmpty();
    Sequence();
    StartDevices();
    Played();
    m_sequence->Play();
    m_devices.Step(1000);
    m_sequence->Stop(0);
    const uint32_t stopped = m_devices.Wavegate().GetBufferTime();
    PlayToTheEnd();
    const std::vector<Heard> heard = Played();

    auto down = std::find_if(heard.begin(), heard.end(), [](const Heard& h) { return h.bytes == std::vector<uint8_t>{0xB0, 64, 127}; });
    auto up = std::find_if(heard.begin(), heard.end(), [](const Heard& h) { return h.bytes == std::vector<uint8_t>{0xB0, 64, 0}; });
    ASSERT_NE(down, heard.end());
    ASSERT_NE(up, heard.end()) << "the pedal is lifted at the stop";
    EXPECT_LT(down, up);
    EXPECT_LE(up->ms, stopped) << "at once, not when the music would lift it";
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(), [](const Heard& h) { return h.bytes == std::vector<uint8_t>{0xB0, 64, 0}; }), 1);
}

TEST_F(PlayEnvelopesTest, AStaffWithoutASustainEnvelopeGetsNoPedalOff)
{
    Controller(0.0f, 7, 100);
    Note(1, 0.0f, 4.0f, 60);
    NotEmpty();
    Sequence();
    StartDevices();
    Played();
    m_sequence->Play();
    m_devices.Step(1000);
    m_sequence->Stop(0);
    PlayToTheEnd();
    for (const Heard& h : Played())
        EXPECT_FALSE(h.bytes.size() == 3 && h.bytes[0] == 0xB0 && h.bytes[1] == 64) << Describe(h);
}

// A 14-bit volume and pan keep their whole value through the staff's mixer settings, which
// count in steps of 128 for them: the high half goes out on the controller, the low half on
// the one 32 above it.
TEST_F(PlayEnvelopesTest, AFourteenBitControllerIsSplitAfterTheMixerSettingsFoldIn)
{
    auto* staff = plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1));
    staff->SetTrackGain(0.5f);
    staff->SetTrackPan(0.25f);
    for (const int controller : {7, 10})
        Manager().GetControllerEnv(controller, 1)->Set14Bit(1);
    Controller(0.0f, 7, 12000);   // halved: 6000 = 46 * 128 + 112
    Controller(4.0f, 7, 16383);   // halved: 8191 = 63 * 128 + 127
    Controller(0.0f, 10, 8192);   // + 0.25 * 64 * 128: 10240 = 80 * 128 + 0
    Controller(4.0f, 10, 15000);  // + 2048, held to 16383 = 127 * 128 + 127
    Note(1, 0.0f, 1.0f, 60);
    Note(1, 6.0f, 1.0f, 62);
    NotEmpty();
    Sequence();
    StartDevices();
    Played();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    m_sequence->Play();
    PlayToTheEnd();
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> pairs;
    for (const auto& played : m_devices.Out(0).takePlayed()) {
        const auto& b = played.bytes;
        if (b.size() == 3 && b[0] == 0xB0 && (b[1] == 7 || b[1] == 39 || b[1] == 10 || b[1] == 42))
            pairs.push_back({played.streamMs >= t0 ? played.streamMs - t0 : 0, b});
    }
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>> expected = {
        {0, {0xB0, 7, 46}},     {0, {0xB0, 39, 112}},   {0, {0xB0, 10, 80}},    {0, {0xB0, 42, 0}},
        {2000, {0xB0, 7, 63}},  {2000, {0xB0, 39, 127}}, {2000, {0xB0, 10, 127}}, {2000, {0xB0, 42, 127}},
    };
    for (const auto& pair : expected)
        EXPECT_NE(std::find(pairs.begin(), pairs.end(), pair), pairs.end())
            << "not heard @" << pair.first << " " << Describe({0, 0, pair.second});
}

}  // namespace

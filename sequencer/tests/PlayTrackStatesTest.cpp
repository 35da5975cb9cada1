// What the track list changes while a piece plays, heard at the memory outputs: a muted staff
// and the staves a solo silences play nothing, and a track's own filters change its events
// before the notes are split into their on and off halves.

#include "sequencer/tests/PlayerTestSupport.h"

#include "sequencer/layers/LCsqBase.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

class PlayTrackStatesTest : public PlayerFixture {
protected:
    PlayTrackStatesTest() : PlayerFixture(3) {}

    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetTempo(0.0f, 120.0f);
        // Staff n plays key 60 + n on channel n - 1, twice.
        for (int staff = 1; staff <= 3; ++staff) {
            Note(staff, 0.0f, 0.5f, 60 + staff);
            Note(staff, 1.0f, 0.5f, 60 + staff);
        }
    }

    DCsqStaff* Staff(int staff)
    {
        return plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, staff, 0)->GetData(0, 0));
    }

    // Plays the piece from the start; the channels whose note-ons were heard, with how many.
    std::map<int, int> PlayedChannels()
    {
        CSequence& seq = *m_sequence;
        StartDevices();
        Take();
        seq.Play();
        PlayToTheEnd();
        std::map<int, int> channels;
        for (const Heard& h : Take()) {
            if (IsNoteOn(h.bytes))
                ++channels[h.bytes[0] & 0x0F];
        }
        return channels;
    }
};

TEST_F(PlayTrackStatesTest, AMutedStaffPlaysNothing)
{
    Sequence();
    Staff(2)->UpdateMuteState(2, 1);
    EXPECT_EQ(PlayedChannels(), (std::map<int, int>{{0, 2}, {2, 2}}));
}

TEST_F(PlayTrackStatesTest, ASoloSilencesEveryOtherStaff)
{
    Sequence();
    Staff(3)->UpdateSoloState(3, 1);
    EXPECT_EQ(PlayedChannels(), (std::map<int, int>{{2, 2}}));
}

// Raises the key of every note it sees by an octave.
class OctaveUp : public LCsqBase {
public:
    void ProcessEvent(CSeqEvent* event, CSeqEventList& /*list*/) override
    {
        if (event->GetDataType() == CSeqEvent::typeNote)
            event->GetMidiData().SetDataByte1(static_cast<uint8_t>(event->GetMidiData().GetDataByte1() + 12));
    }
};

TEST_F(PlayTrackStatesTest, ATrackFilterChangesTheNoteBeforeItsOffIsMade)
{
    Sequence();
    Staff(1)->AddTrackFilter(new OctaveUp);
    Staff(2)->AddVoiceFilter(new OctaveUp, 1);   // voice 1: the notes of voice 0 stay
    StartDevices();
    Take();
    m_sequence->Play();
    PlayToTheEnd();
    std::multiset<std::pair<int, int>> ons;
    std::multiset<std::pair<int, int>> offs;
    for (const Heard& h : Take()) {
        if (IsNoteOn(h.bytes))
            ons.insert({h.bytes[0] & 0x0F, h.bytes[1]});
        else if (IsNoteOff(h.bytes))
            offs.insert({h.bytes[0] & 0x0F, h.bytes[1]});
    }
    const std::multiset<std::pair<int, int>> expected{{0, 73}, {0, 73}, {1, 62}, {1, 62}, {2, 63}, {2, 63}};
    EXPECT_EQ(ons, expected);
    EXPECT_EQ(offs, expected) << "each off closes the key its on played";
}

}  // namespace

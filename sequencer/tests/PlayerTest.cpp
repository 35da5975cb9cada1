// The player's transport behaviour through the sequence and the device manager on the manual
// clock: a stop or a pause closes what sounds, a resume goes on later by the length of the
// pause, a locate plays from there, and as clock master the program sends the clock, its
// lead-in and the song position.

#include "sequencer/tests/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

class PlayerTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetTempo(0.0f, 120.0f);
    }

    // Every note-on heard has its note-off after it, per channel and key.
    static void ExpectNothingHangs(const std::vector<Heard>& heard)
    {
        std::map<std::pair<int, int>, int> sounding;
        for (const Heard& h : heard) {
            const std::pair<int, int> note{h.bytes[0] & 0x0F, h.bytes.size() > 1 ? h.bytes[1] : 0};
            if (IsNoteOn(h.bytes)) {
                ++sounding[note];
            } else if (IsNoteOff(h.bytes)) {
                EXPECT_GE(--sounding[note], 0) << "an off without an on: " << Describe(h);
            }
        }
        for (const auto& [note, count] : sounding)
            EXPECT_EQ(count, 0) << "channel " << note.first << " key " << note.second << " still sounds";
    }

    static std::vector<Heard> NoteOns(const std::vector<Heard>& heard)
    {
        std::vector<Heard> ons;
        for (const Heard& h : heard) {
            if (IsNoteOn(h.bytes))
                ons.push_back(h);
        }
        return ons;
    }

    // Each status byte among the messages, with how often it came.
    static std::map<uint8_t, int> Statuses(const std::vector<Heard>& heard)
    {
        std::map<uint8_t, int> counts;
        for (const Heard& h : heard)
            ++counts[h.bytes.at(0)];
        return counts;
    }
};

TEST_F(PlayerTest, AStopWhileNotesSoundClosesThemAtOnceAndPlaysNothingMore)
{
    // Long notes on two staves, and notes that would begin after the stop.
    Note(1, 0.0f, 4.0f, 60);
    Note(2, 0.5f, 3.0f, 64);
    Note(1, 1.0f, 0.25f, 67);
    Note(2, 3.0f, 1.0f, 71);
    CSequence& seq = Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    m_devices.Step(800);
    seq.Stop(0);
    const uint32_t stopped = m_devices.Wavegate().GetBufferTime();
    PlayToTheEnd();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    EXPECT_EQ(m_devices.Wavegate().IsActive(), 0);

    const std::vector<Heard> heard = Take();
    ExpectNothingHangs(heard);
    const std::vector<Heard> ons = NoteOns(heard);
    ASSERT_EQ(ons.size(), 3u) << "the notes begun before the stop";
    for (const Heard& h : heard) {
        if (IsNoteOff(h.bytes) && h.bytes[1] != 67) {
            EXPECT_LE(h.ms, stopped) << "the held note closes at the stop, not at its end: " << Describe(h);
        }
        EXPECT_NE(h.bytes[1], 71) << "a note after the stop never sounds";
    }
    EXPECT_EQ(ons[0].ms, t0);
}

TEST_F(PlayerTest, TheEventsOfPlayedNotesAreReusedNotMadeAnew)
{
    for (int i = 0; i < 40; ++i)
        Note(1 + i % 2, 0.25f * static_cast<float>(i), 0.2f, 60 + i % 12);
    CSequence& seq = Sequence();
    StartDevices();
    Take();
    seq.Play();
    PlayToTheEnd();
    const std::vector<Heard> heard = Take();
    ExpectNothingHangs(heard);
    EXPECT_EQ(NoteOns(heard).size(), 40u);
    // Each note's on and off went back to the pool once sent; a window's worth waits there.
    const size_t spare = seq.GetPlayer().GetEventPool().GetSpareCount();
    EXPECT_GT(spare, 0u);
    EXPECT_LT(spare, 80u) << "the windows after the first took their events from the pool";
}

TEST_F(PlayerTest, APauseClosesWhatSoundsAndTheResumeGoesOnLaterByThePause)
{
    // A note every half quarter, a long one across the pause.
    for (int i = 0; i < 12; ++i)
        Note(1, 0.5f * static_cast<float>(i), 0.25f, 60 + i);
    Note(2, 0.0f, 6.0f, 40);
    CSequence& seq = Sequence();
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    m_devices.Step(1000);
    seq.Pause();
    const uint32_t paused = m_devices.Wavegate().GetBufferTime();
    m_devices.Step(300);
    ASSERT_EQ(PlayState(), CSequence::statePaused);
    const std::vector<Heard> beforeResume = Take();
    ExpectNothingHangs(beforeResume);
    m_devices.Step(3000);
    const uint32_t resumed = m_devices.Wavegate().GetBufferTime();
    seq.Pause();
    ASSERT_EQ(PlayState(), CSequence::statePlaying);
    PlayToTheEnd();
    const std::vector<Heard> afterResume = Take();

    // Every note of staff 1 plays once; those of after the pause are later by its length.
    std::vector<Heard> ons = NoteOns(beforeResume);
    for (const Heard& h : NoteOns(afterResume))
        ons.push_back(h);
    ASSERT_EQ(ons.size(), 13u);
    const uint32_t pause = resumed - paused;
    EXPECT_GE(pause, 3000u);
    for (const Heard& h : ons) {
        if (h.bytes[1] == 40)
            continue;
        const uint32_t planned = t0 + 250u * static_cast<uint32_t>(h.bytes[1] - 60);
        // Within the millisecond: a record carries whole milliseconds cut from float seconds.
        const uint32_t expected = planned < paused ? planned : planned + pause;
        EXPECT_LE(expected - h.ms, 1u) << Describe(h) << " against " << expected;
    }
    ExpectNothingHangs(afterResume);
    EXPECT_EQ(NoteOns(afterResume).size() + NoteOns(beforeResume).size(), 13u) << "the long note is not begun again";
}

TEST_F(PlayerTest, ALocatePlaysFromThereOn)
{
    for (int i = 0; i < 8; ++i)
        Note(1, static_cast<float>(i), 0.5f, 60 + i);
    CSequence& seq = Sequence(4.0f);
    StartDevices();
    Take();
    const uint32_t t0 = m_devices.Wavegate().GetBufferTime();
    seq.Play();
    PlayToTheEnd();
    const std::vector<Heard> ons = NoteOns(Take());
    ASSERT_EQ(ons.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ons[i].bytes[1], 64 + i);
        EXPECT_EQ(ons[i].ms, t0 + 500 * i);
    }
}

TEST_F(PlayerTest, AsClockMasterItSendsTheSongPositionTheLeadInClocksAndStartOrContinue)
{
    SetMeter(0.0f, 4, 4);
    Note(1, 4.0f, 1.0f, 60);
    Note(1, 0.0f, 1.0f, 59);
    StartDevices();
    m_devices.Wavegate().SetSyncMode(1);
    Take(2);

    // Located at 4.0: the song position 16 goes to both outputs with the next slice written.
    CSequence& seq = Sequence(4.0f, 0);
    m_devices.Step(1000);
    std::vector<Heard> heard = Take(2);
    ASSERT_EQ(heard.size(), 2u);
    for (const Heard& h : heard)
        EXPECT_EQ(h.bytes, (std::vector<uint8_t>{0xF2, 16, 0}));

    // Play: a bar of lead-in clocks (a lead-in shorter than a quarter note becomes a bar), then
    // continue (away from 0), then the music with its clocks.
    seq.EnableRecordLeadIn(0);
    seq.Play();
    m_devices.Step(2600);
    seq.Stop(0);
    PlayToTheEnd();
    heard = Take(1);
    size_t clocks = 0;
    size_t at = 0;
    while (at < heard.size() && heard[at].bytes[0] == 0xF8)
        ++clocks, ++at;
    EXPECT_EQ(clocks, 96u) << "four quarter notes of 24 clocks";
    ASSERT_LT(at, heard.size());
    EXPECT_EQ(heard[at].bytes, std::vector<uint8_t>{0xFB});
    EXPECT_EQ(heard[at].ms, heard[at - 1].ms) << "with the last clock of the lead-in";
    const std::vector<Heard> ons = NoteOns(heard);
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0].bytes[1], 60);
    EXPECT_EQ(ons[0].ms, heard[0].ms + 2000) << "the music starts a bar after the lead-in's first clock";
    const std::map<uint8_t, int> statuses = Statuses(heard);
    EXPECT_EQ(statuses.count(0xFA), 0u);
    EXPECT_EQ(statuses.at(0xFC), 1) << "the stop";
    EXPECT_GT(statuses.at(0xF8), 96) << "clocks go on with the music";
    ExpectNothingHangs(heard);

    // From 0 the lead-in ends in a start.
    Sequence(0.0f, 0);
    m_devices.Step(1000);
    Take(2);
    m_sequence->EnableRecordLeadIn(0);
    m_sequence->Play();
    m_devices.Step(2400);
    m_sequence->Stop(0);
    PlayToTheEnd();
    const std::map<uint8_t, int> fromZero = Statuses(Take(1));
    EXPECT_EQ(fromZero.count(0xFB), 0u);
    EXPECT_EQ(fromZero.at(0xFA), 1);
    m_devices.Wavegate().SetSyncMode(0);
}

TEST_F(PlayerTest, ALeadInShorterThanThePieceStillPlaysItBeforeStoppingByItself)
{
    // One quarter note of music after a bar of lead-in clocks: the lead-in passes the last
    // note's time long before the music begins.
    SetMeter(0.0f, 4, 4);
    Note(1, 0.0f, 1.0f, 60);
    StartDevices();
    m_devices.Wavegate().SetSyncMode(1);
    Take(2);
    CSequence& seq = Sequence(0.0f, 1);
    m_devices.Step(1000);
    Take(2);
    seq.EnableRecordLeadIn(0);
    seq.Play();
    PlayToTheEnd();
    EXPECT_EQ(PlayState(), CSequence::stateStopped);
    const std::vector<Heard> heard = Take(1);
    const std::vector<Heard> ons = NoteOns(heard);
    ASSERT_EQ(ons.size(), 1u) << "the note after the lead-in";
    EXPECT_EQ(ons[0].ms, heard[0].ms + 2000);
    ExpectNothingHangs(heard);
    m_devices.Wavegate().SetSyncMode(0);
}

// The player's own choices at a stop, without the device manager.
class ExposedPlayer : public CSeqPlay {
public:
    using CSeqPlay::SortList;
    using CSeqPlay::TransferEvent;
};

TEST_F(PlayerTest, AtAStopOnlyTheOffOfANoteThatSoundsGoesOut)
{
    ExposedPlayer player;
    auto midi = [](uint32_t message, int voice, int track, float time) {
        auto event = std::make_unique<CSeqEvent>();
        event->SetMidiEvent(FCMidi(message), nullptr, nullptr, MCTime(time), MCVoiceTrack(voice, track));
        return event;
    };
    // Queued in time order: the on and off of a note not begun, the off of a sounding note, an
    // off of the same key on another voice, a controller.
    CSeqEventList queue;
    queue.push_back(midi(0x003C80, 0, 1, 2.0f));   // off of a sounding note
    queue.push_back(midi(0x643E90, 0, 1, 1.5f));   // on of a note not begun
    queue.push_back(midi(0x003E90, 0, 1, 2.5f));   // ...and its off (velocity 0)
    queue.push_back(midi(0x003E80, 1, 1, 2.6f));   // the same key on voice 1: that note sounds
    queue.push_back(midi(0x4007B0, 0, 1, 1.0f));
    ExposedPlayer::SortList(queue);
    std::vector<float> times;
    for (const auto& event : queue)
        times.push_back(event->GetTimeStamp().GetSeconds());
    EXPECT_EQ(times, (std::vector<float>{1.0f, 1.5f, 2.0f, 2.5f, 2.6f}));
    std::vector<int> answers;
    for (const auto& event : queue)
        answers.push_back(player.TransferEvent(*event));
    EXPECT_EQ(answers, (std::vector<int>{0, 0, 1, 0, 1}));

    // A finishing request with nothing queued is done at once.
    int done = 0;
    CSequence& seq = Sequence();
    seq.GetPlayer().GetOutputEvents(MCTime(0.0f), 1, done);
    EXPECT_EQ(done, 1);
}

}  // namespace

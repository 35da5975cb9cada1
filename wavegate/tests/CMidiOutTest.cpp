#include "WavegateTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Played = plat::media::MemoryMidiOut::Played;

std::vector<std::vector<uint8_t>> bytesOf(const std::vector<Played>& played)
{
    std::vector<std::vector<uint8_t>> out;
    for (const auto& p : played)
        out.push_back(p.bytes);
    return out;
}

class CMidiOutTest : public WavegateTest {
protected:
    // Moves the clock and lets the output's thread finish what came back.
    void Run(CMidiOut& out, uint32_t ms)
    {
        m_timers->advance(ms);
        out.Sync();
    }
};

}  // namespace

TEST_F(CMidiOutTest, SlicesAreRefusedUnlessPrimedOrRunning)
{
    CMidiOut out(1);
    CWGEventList list;
    list.push_back(MidiEvent(10, 0x403C90));
    EXPECT_EQ(out.PlayData(list, 0, 100), 0) << "closed";
    EXPECT_EQ(list.size(), 1u) << "the manager deletes what was turned back";

    ASSERT_EQ(out.Open(1), 1);
    EXPECT_EQ(out.GetFlags(), CMidiOut::WG_PRIMED);
    EXPECT_EQ(out.PlayData(list, 0, 100), 1);
    ASSERT_EQ(out.Start(), 1);
    EXPECT_EQ(out.GetFlags(), CMidiOut::WG_RUNNING);
    ASSERT_EQ(out.Pause(), 1);
    EXPECT_EQ(out.GetFlags(), 0);
    list.push_back(MidiEvent(110, 0x403C90));
    EXPECT_EQ(out.PlayData(list, 100, 200), 0);
}

TEST_F(CMidiOutTest, AnEventAtTheSliceEndWaitsForTheNextSlice)
{
    CMidiOut out(0);
    ASSERT_EQ(out.Open(0), 1);
    CWGEventList list;
    list.push_back(MidiEvent(99, 0x403C90));
    list.push_back(MidiEvent(100, 0x3E90));
    list.push_back(MidiEvent(150, 0x3C80));
    EXPECT_EQ(out.PlayData(list, 0, 100), 1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.front()->time, 100u);
    EXPECT_EQ(out.PlayData(list, 100, 200), 1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(out.GetBuffersOut(), 2);

    ASSERT_EQ(out.Start(), 1);
    Run(out, 200);
    const auto played = m_memory->midiOut(0).played();
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[0].streamMs, 99u);
    EXPECT_EQ(played[1].streamMs, 100u);
    EXPECT_EQ(played[2].streamMs, 150u);
    EXPECT_EQ(out.GetBuffersOut(), 0) << "every block came back and was freed";
}

TEST_F(CMidiOutTest, StopWaitsUntilEveryBlockIsBack)
{
    CMidiOut out(0);
    ASSERT_EQ(out.Open(0), 1);
    CWGEventList list;
    for (uint32_t from = 0; from < 500; from += 100)
        out.PlayData(list, from, from + 100);
    ASSERT_EQ(out.Start(), 1);
    Run(out, 150);
    EXPECT_EQ(out.GetBuffersOut(), 4);
    ASSERT_EQ(out.Stop(), 1);
    EXPECT_EQ(out.GetBuffersOut(), 0);
    EXPECT_EQ(m_memory->midiOut(0).queuedBlocks(), 0u);
}

TEST_F(CMidiOutTest, EachTimedNoteLastsItsWholeDuration)
{
    // Two auditions 100 ms apart: the second is not cut short when the first ends.
    CMidiOut out(0);
    ASSERT_EQ(out.Open(0), 1);
    const auto played = [&] { return bytesOf(m_memory->midiOut(0).played()); };
    using Bytes = std::vector<std::vector<uint8_t>>;
    EXPECT_EQ(out.PlayNote(0x00643C90, 250), 1);
    m_timers->advance(100);
    EXPECT_EQ(out.PlayNote(0x00644091, 250), 1);
    m_timers->advance(149);
    EXPECT_EQ(played().size(), 2u) << "both still sound";
    m_timers->advance(1);
    EXPECT_EQ(played(), (Bytes{{0x90, 0x3C, 0x64}, {0x91, 0x40, 0x64}, {0x90, 0x3C, 0}})) << "the first ends at 250 ms";
    m_timers->advance(99);
    EXPECT_EQ(played().size(), 3u) << "the second sounds on";
    m_timers->advance(1);
    EXPECT_EQ(played(), (Bytes{{0x90, 0x3C, 0x64}, {0x91, 0x40, 0x64}, {0x90, 0x3C, 0}, {0x91, 0x40, 0}}))
        << "the second ends 250 ms after it began";
    m_timers->advance(1000);
    EXPECT_EQ(played().size(), 4u) << "each note ends once";
}

TEST_F(CMidiOutTest, TimedNotesStillSoundingWhenTheOutputGoesAreForgotten)
{
    {
        CMidiOut out(0);
        ASSERT_EQ(out.Open(0), 1);
        EXPECT_EQ(out.PlayNote(0x00643C90, 250), 1);
        EXPECT_EQ(out.PlayNote(0x00644090, 500), 1);
    }
    const size_t sent = m_memory->midiOut(0).played().size();
    m_timers->advance(1000);
    EXPECT_EQ(m_memory->midiOut(0).played().size(), sent) << "no timer of a deleted output fires";
}

TEST_F(CMidiOutTest, ImmediateMessagesNeedAnOpenPort)
{
    CMidiOut out(0);
    const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(out.PlayMidi(0x403C90), 0);
    EXPECT_EQ(out.PlaySysEx(sysex, 6), 0);
    ASSERT_EQ(out.Open(0), 1);
    EXPECT_EQ(out.PlayMidi(0x403C90), 1);
    // A system-exclusive message sent at once really goes out.
    EXPECT_EQ(out.PlaySysEx(sysex, 6), 1);
    EXPECT_EQ(out.PlaySysEx(sysex, 0), 0);
    EXPECT_EQ(out.PlaySysEx(nullptr, 6), 0);
    const auto played = m_memory->midiOut(0).played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].bytes, std::vector<uint8_t>(sysex, sysex + 6));
    EXPECT_TRUE(played[1].immediate);
}

TEST_F(CMidiOutTest, CapsComeFromTheBackend)
{
    WG_DevCaps caps;
    ASSERT_EQ(CMidiOut::GetDeviceCaps(1, &caps), 1);
    EXPECT_STREQ(caps.name, "Memory MIDI Out 2");
    EXPECT_EQ(CMidiOut::GetDeviceCaps(2, &caps), 0);
    EXPECT_EQ(CMidiOut::GetDeviceCaps(0, nullptr), 0);
}

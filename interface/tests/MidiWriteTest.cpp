#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

using Bytes = std::vector<uint8_t>;

class MidiWriteTest : public ::testing::Test {
protected:
    MidiWriteTest()
    {
        ECPerformance* performance = m_doc.CreatePerformance(1);
        m_doc.GetSequence().Attach(performance);
        SaveIntPreference("Sequencer\\Midi\\Save", "Ignore Track State", 0);
    }
    void AddStaves(int count)
    {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        add->SetSynchronous(1);
        add->Apply(m_doc.GetPerformance());
    }
    int Save(int format, int division = 480)
    {
        m_file = MCMidiMemFile("out.mid");
        return MCMidiWrite().SaveMidiFile(m_file, m_doc, format, division);
    }
    // The chunks of what was written: the header's data, then each track's events.
    std::vector<Bytes> Chunks() const
    {
        std::vector<Bytes> chunks;
        const Bytes& bytes = m_file.GetBytes();
        size_t at = 0;
        while (at + 8 <= bytes.size()) {
            const size_t length = static_cast<size_t>(bytes[at + 4]) << 24 | static_cast<size_t>(bytes[at + 5]) << 16 |
                                  static_cast<size_t>(bytes[at + 6]) << 8 | bytes[at + 7];
            chunks.emplace_back(bytes.begin() + static_cast<long>(at + 8), bytes.begin() + static_cast<long>(std::min(bytes.size(), at + 8 + length)));
            at += 8 + length;
        }
        EXPECT_EQ(at, bytes.size()) << "the chunk lengths add up to the file";
        return chunks;
    }
    // A track's events without the end of track and its delta.
    Bytes Events(int chunk) const
    {
        Bytes events = Chunks().at(static_cast<size_t>(chunk));
        EXPECT_GE(events.size(), 4u);
        EXPECT_EQ(Bytes(events.end() - 3, events.end()), (Bytes{0xFF, 0x2F, 0x00}));
        events.resize(events.size() - 4);
        while (!events.empty() && (events.back() & 0x80))
            events.pop_back();
        return events;
    }

    SequencerEnvironment m_environment;
    MidiTestDocument m_doc;
    MCMidiMemFile m_file{"out.mid"};
};

TEST_F(MidiWriteTest, RefusesWhatItCannotWrite)
{
    for (auto [format, division] : {std::pair{2, 480}, {0, 0}, {1, 32768}, {-1, 96}}) {
        EXPECT_EQ(Save(format, division), 0);
        EXPECT_TRUE(m_file.GetBytes().empty());
    }
    EXPECT_FALSE(m_doc.GetSequence().TestState(CSequence::stateMidiWriting));
}

// A disk that fills after a number of bytes.
class FullFile : public MCMidiMemFile {
public:
    explicit FullFile(size_t room) : MCMidiMemFile("full.mid"), m_room(room) {}
    void Write(const void* data, size_t size) override
    {
        if (GetPosition() + size > m_room)
            throw std::runtime_error("disk full");
        MCMidiMemFile::Write(data, size);
    }

private:
    size_t m_room;
};

TEST_F(MidiWriteTest, AFailingFilePassesItsErrorOnAndReleasesThePiece)
{
    for (int i = 0; i < 50; ++i)
        m_doc.Midi(static_cast<uint32_t>(i * 100), 1, 0x403C90);
    FullFile file(64);
    EXPECT_THROW(MCMidiWrite().SaveMidiFile(file, m_doc, 0, 480), std::runtime_error);
    EXPECT_FALSE(m_doc.GetSequence().TestState(CSequence::stateMidiWriting));
    // The lock was given back: another thread takes it at once.
    std::thread other([this] {
        EXPECT_TRUE(m_doc.GetPerformance()->GetLock().try_lock());
        m_doc.GetPerformance()->GetLock().unlock();
    });
    other.join();
}

TEST_F(MidiWriteTest, HeaderCountsTheTracksWritten)
{
    AddStaves(3);
    DCsqTrack::GetTrackData(2, 1, &m_doc.GetSequence())->SetActive(0);
    ASSERT_EQ(Save(1, 96), 1);
    auto chunks = Chunks();
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0], (Bytes{0, 1, 0, 3, 0, 96})) << "tracks 0, 1 and 3";
    EXPECT_EQ(m_doc.FileType(), 2);

    SaveIntPreference("Sequencer\\Midi\\Save", "Ignore Track State", 1);
    ASSERT_EQ(Save(1, 96), 1);
    EXPECT_EQ(Chunks().size(), 5u);
    EXPECT_EQ(Chunks()[0], (Bytes{0, 1, 0, 4, 0, 96}));

    ASSERT_EQ(Save(0, 96), 1);
    EXPECT_EQ(Chunks().size(), 2u);
    EXPECT_EQ(Chunks()[0], (Bytes{0, 0, 0, 1, 0, 96}));
    EXPECT_FALSE(m_doc.GetSequence().TestState(CSequence::stateMidiWriting));
}

TEST_F(MidiWriteTest, ShortMessagesUseRunningStatusAndAbsoluteTicks)
{
    m_doc.Midi(0, 1, 0x403C90);
    m_doc.Midi(333, 1, 0x403E90);
    m_doc.Midi(666, 1, 0x05C0);
    m_doc.Midi(666, 1, 0x06C0);
    m_doc.Midi(1000, 1, 0xF8);
    m_doc.Midi(1000, 1, 0x403C90);
    ASSERT_EQ(Save(0), 1);
    // Deltas follow the absolute positions 0, 160, 320 (1/3 and 2/3 of 480 rounded); a program
    // change is two bytes, one under running status; a clock goes into an escape, after which
    // the next message has its status again.
    EXPECT_EQ(Events(1), (Bytes{0x00, 0x90, 0x3C, 0x40, 0x81, 0x20, 0x3E, 0x40, 0x81, 0x20, 0xC0, 0x05, 0x00, 0x06,
                                0x81, 0x20, 0xF7, 0x01, 0xF8, 0x00, 0x90, 0x3C, 0x40}));
}

TEST_F(MidiWriteTest, SystemCommonAndRealTimeMessagesGoIntoEscapes)
{
    // Each message with the bytes that stand for it in the track: F7, the length, the message.
    // F0 and F7 alone are no message and are left out.
    const std::vector<std::pair<uint32_t, Bytes>> cases = {
        {0x00000F1, {0xF7, 0x02, 0xF1, 0x00}}, {0x0000BF1, {0xF7, 0x02, 0xF1, 0x0B}},
        {0x0203F2, {0xF7, 0x03, 0xF2, 0x03, 0x02}}, {0x0005F3, {0xF7, 0x02, 0xF3, 0x05}},
        {0xF6, {0xF7, 0x01, 0xF6}}, {0xF8, {0xF7, 0x01, 0xF8}}, {0xFA, {0xF7, 0x01, 0xFA}},
        {0xFB, {0xF7, 0x01, 0xFB}}, {0xFC, {0xF7, 0x01, 0xFC}}, {0xFE, {0xF7, 0x01, 0xFE}},
        {0xF0, {}}, {0xF7, {}}};
    for (const auto& [message, bytes] : cases) {
        SCOPED_TRACE(message);
        MidiTestDocument doc;
        doc.GetSequence().Attach(doc.CreatePerformance(1));
        doc.Midi(0, 1, message);
        doc.Midi(0, 1, 0x403C90);
        MCMidiMemFile file("out.mid");
        ASSERT_EQ(MCMidiWrite().SaveMidiFile(file, doc, 0, 480), 1);
        Bytes expected = {0x4D, 0x54, 0x72, 0x6B};
        Bytes events;
        if (!bytes.empty()) {
            events.push_back(0x00);
            events.insert(events.end(), bytes.begin(), bytes.end());
        }
        events.insert(events.end(), {0x00, 0x90, 0x3C, 0x40});
        const Bytes& written = file.GetBytes();
        ASSERT_GE(written.size(), 22u + events.size());
        EXPECT_EQ(Bytes(written.begin() + 22, written.begin() + 22 + static_cast<long>(events.size())), events);
    }
}

TEST_F(MidiWriteTest, MetaEventsEncodeTempoMeterKeyAndTexts)
{
    AddStaves(1);
    auto* tempo = new ECTempo;
    tempo->SetTempo(120.0f, 1.0f);
    auto* slow = new ECTempo;
    slow->SetTempo(30.0f, 1.0f);
    auto* meter = new ECMeter(6, 8, 0);
    auto* again = new ECMeter(6, 8, 0);
    auto* key = new ECKey(0, 3, 1);
    auto* name = new ECText(3, "Piano");
    name->SetVoiceTrack(0, 1);
    auto* marker = new ECText(14, "A1");
    auto* lyric = new ECLyric("");
    m_doc.Meta(0, 1, tempo);
    m_doc.Meta(0, 1, meter);
    m_doc.Meta(0, 1, again);
    m_doc.Meta(0, 1, key);
    m_doc.Meta(0, 1, lyric);
    m_doc.Meta(0, 1, marker);
    m_doc.Meta(0, 1, name);
    m_doc.Midi(0, 1, 0x403C91);
    m_doc.Meta(0, 1, slow);
    m_doc.Midi(0, 1, 0x003C91);
    DCsqTrack::GetTrackData(1, 1, &m_doc.GetSequence())->GetVoiceMap(0)->SetChannel(1);
    ASSERT_EQ(Save(0), 1);
    const Bytes expected = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,                    // 120 beats per minute
        0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08,              // 6/8, once
        0x00, 0xFF, 0x59, 0x02, 0xFD, 0x01,                          // three flats, minor
        0x00, 0xFF, 0x06, 0x02, 'A', '1',                            // rehearsal mark as marker
        0x00, 0xFF, 0x20, 0x01, 0x01, 0x00, 0xFF, 0x04, 0x05, 'P', 'i', 'a', 'n', 'o',
        0x00, 0x91, 0x3C, 0x40,
        0x00, 0xFF, 0x51, 0x03, 0x1E, 0x84, 0x80,                    // 30 beats a minute
        0x00, 0x91, 0x3C, 0x00,                                      // a meta ends running status
    };
    EXPECT_EQ(Events(1), expected);
}

TEST_F(MidiWriteTest, ATrackNameInFormatOneIsASequenceOrTrackName)
{
    AddStaves(1);
    auto* name = new ECText(3, "Piano");
    name->SetVoiceTrack(0, 1);
    m_doc.Meta(0, 1, name);
    ASSERT_EQ(Save(1), 1);
    EXPECT_EQ(Events(2), (Bytes{0x00, 0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'}));
}

TEST_F(MidiWriteTest, SystemExclusiveMessagesAndTheirLeadIn)
{
    // Two messages before time zero become a 2/4 bar at 120 beats per minute; the music moves
    // two quarter notes later. An escape read from a file is written as an escape again.
    ECConductorStaff* staff = m_doc.Conductor()->GetConductorStaff();
    for (int i = 0; i < 2; ++i) {
        auto* message = new ECSystemMessage;
        MCTime before(-1.0f + 0.5f * i);
        message->SetTime(&before);
        staff->AddChild(message, 1);
        const Bytes bytes = {0xF0, 0x7E, static_cast<uint8_t>(i), 0xF7};
        plat::dynamicDowncast<DCsqSysMsg>(message->GetData(0, 1))->SetSysExData(FCMidiSysEx(bytes.data(), 4));
    }
    m_doc.SysEx(0, 1, {0xF3, 0x01});
    m_doc.Midi(1000, 1, 0x403C90);
    ASSERT_EQ(Save(0), 1);
    const Bytes expected = {
        0x00, 0xFF, 0x58, 0x04, 0x02, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
        0x00, 0xF0, 0x03, 0x7E, 0x00, 0xF7,
        0x83, 0x60, 0xF0, 0x03, 0x7E, 0x01, 0xF7,
        0x83, 0x60, 0xF7, 0x02, 0xF3, 0x01,
        0x83, 0x60, 0x90, 0x3C, 0x40,
    };
    EXPECT_EQ(Events(1), expected);
}

TEST_F(MidiWriteTest, ThirteenLeadInMessagesTakeABarOfTwelveAndOneOfOne)
{
    ECConductorStaff* staff = m_doc.Conductor()->GetConductorStaff();
    for (int i = 0; i < 13; ++i) {
        auto* message = new ECSystemMessage;
        MCTime before(-2.0f);
        message->SetTime(&before);
        staff->AddChild(message, 1);
        const Bytes bytes = {0xF0, 0x01, 0xF7};
        plat::dynamicDowncast<DCsqSysMsg>(message->GetData(0, 1))->SetSysExData(FCMidiSysEx(bytes.data(), 3));
    }
    ASSERT_EQ(Save(0), 1);
    const Bytes events = Events(1);
    const Bytes twelve = {0xFF, 0x58, 0x04, 0x0C, 0x02};
    const Bytes one = {0x83, 0x60, 0xFF, 0x58, 0x04, 0x01, 0x02};
    EXPECT_EQ(std::search(events.begin(), events.end(), twelve.begin(), twelve.end()), events.begin() + 1);
    EXPECT_NE(std::search(events.begin(), events.end(), one.begin(), one.end()), events.end());
}

TEST_F(MidiWriteTest, EndOfTrackStandsAfterTheLastEventAndTheLastBar)
{
    m_doc.Conductor()->GetMeasure(0, MCTime(15.0f), 1, 1);
    const float barsEnd = m_doc.Conductor()->GetMaxMeasureEndTime().GetSeconds();
    ASSERT_EQ(Save(0, 1), 1);
    const Bytes track = Chunks().at(1);
    // One delta from 0 to the end; at one tick a quarter it is the end time itself.
    ASSERT_GE(track.size(), 4u);
    EXPECT_GE(static_cast<float>(track[0]), barsEnd);
    EXPECT_EQ(Bytes(track.end() - 3, track.end()), (Bytes{0xFF, 0x2F, 0x00}));
}

}  // namespace

TEST(MidiMemFile, WritesOverwriteFromThePositionAndGrowTheFile)
{
    struct Case {
        const char* what;
        Bytes start;
        uint64_t position;
        Bytes written;
        Bytes expected;
    };
    const Case cases[] = {
        {"appended", {1, 2}, 2, {3, 4}, {1, 2, 3, 4}},
        {"inside", {1, 2, 3, 4}, 1, {9, 8}, {1, 9, 8, 4}},
        {"across the end", {1, 2, 3}, 2, {9, 8, 7}, {1, 2, 9, 8, 7}},
        {"past the end, the gap zeroed", {1}, 3, {5}, {1, 0, 0, 5}},
        {"into an empty file", {}, 0, {6, 7}, {6, 7}},
        {"nothing", {1, 2}, 1, {}, {1, 2}},
    };
    for (const Case& c : cases) {
        MCMidiMemFile file("f.mid", c.start);
        file.Seek(c.position);
        file.Write(c.written.data(), c.written.size());
        EXPECT_EQ(file.GetBytes(), c.expected) << c.what;
        EXPECT_EQ(file.GetPosition(), c.written.empty() ? c.position : c.position + c.written.size()) << c.what;
    }
}

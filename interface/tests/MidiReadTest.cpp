#include "interface/midifile/MCMidiBuf.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCRmiRead.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/score/ECMeasure.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>

namespace {

class MidiReadTest : public ::testing::Test {
protected:
    // Reads the bytes into the document; the file starts at offset `at` of a longer buffer so a
    // refused file can be seen to leave the position where it was.
    int Load(const std::vector<uint8_t>& bytes, uint64_t at = 0)
    {
        std::vector<uint8_t> padded(at, 0x55);
        padded.insert(padded.end(), bytes.begin(), bytes.end());
        m_file = std::make_unique<MCMidiMemFile>("song.mid", padded);
        m_file->Seek(at);
        m_reader = std::make_unique<MCMidiRead>();
        return m_reader->LoadMidiFile(*m_file, m_doc);
    }
    std::vector<MidiNote> Notes() { return PieceNotes(m_doc.GetSequence()); }

    SequencerEnvironment m_environment;
    MidiTestDocument m_doc;
    std::unique_ptr<MCMidiMemFile> m_file;
    std::unique_ptr<MCMidiRead> m_reader;
};

TEST(MidiBufTest, ReadsStayInsideTheChunk)
{
    MCMidiBuf buffer(6);
    const uint8_t bytes[6] = {0x81, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(bytes), std::end(bytes), buffer.GetData());
    EXPECT_EQ(buffer.ReadVariLength(), 128);
    // Four bytes with the top bit set: no fifth byte may follow, so nothing is read.
    EXPECT_EQ(buffer.ReadVariLength(), std::nullopt);
    EXPECT_EQ(buffer.GetOffset(), 2u);
    EXPECT_EQ(buffer.ReadByteArray(5), nullptr) << "more bytes than remain";
    EXPECT_EQ(buffer.GetOffset(), 2u);
    EXPECT_NE(buffer.ReadByteArray(4), nullptr);
    EXPECT_EQ(buffer.ReadByte(), std::nullopt);
    MCMidiBuf longest(4);
    const uint8_t max[4] = {0xFF, 0xFF, 0xFF, 0x7F};
    std::copy(std::begin(max), std::end(max), longest.GetData());
    EXPECT_EQ(longest.ReadVariLength(), 0x0FFFFFFF);
}

// Files the reader refuses: each gives 0 with the file where the reader found it, its result
// and a message naming the file.
TEST_F(MidiReadTest, RefusedFilesLeaveThePositionWhereItWas)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int result;
    };
    const std::vector<uint8_t> track = {0x00, 0xFF, 0x2F, 0x00};
    const std::vector<Case> cases = {
        {"not MIDI", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, MIDIFILE_NOT_MIDI},
        {"shorter than a chunk header", {'M', 'T', 'h'}, MIDIFILE_SHORT},
        {"format 3", SmfBytes().Header(3, 1, 96).Track(track).Bytes(), MIDIFILE_BAD_HEADER},
        {"division 0", SmfBytes().Header(0, 1, 0).Track(track).Bytes(), MIDIFILE_BAD_HEADER},
        {"time-code division", SmfBytes().Header(0, 1, 0xE728).Track(track).Bytes(), MIDIFILE_BAD_HEADER},
        {"no tracks", SmfBytes().Header(1, 0, 96).Bytes(), MIDIFILE_NO_TRACKS},
        {"header of 4 bytes", SmfBytes().Chunk("MThd", {0, 0, 0, 1}).Track(track).Bytes(), MIDIFILE_BAD_HEADER},
        {"header longer than the file", SmfBytes().Chunk("MThd", {0, 0, 0, 1, 0, 96}, 0x7FFFFFF0).Bytes(),
         MIDIFILE_BAD_HEADER},
        {"no track chunk", SmfBytes().Header(0, 1, 96).Bytes(), MIDIFILE_NO_TRACK_CHUNK},
        {"only alien chunks", SmfBytes().Header(0, 1, 96).Chunk("XFIH", {1, 2, 3}).Bytes(), MIDIFILE_NO_TRACK_CHUNK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.bytes, 7), 0);
        EXPECT_EQ(m_file->GetPosition(), 7u);
        EXPECT_EQ(m_reader->GetResult(), c.result);
        EXPECT_NE(m_reader->GetErrorText().find("\"song.mid\""), std::string::npos) << m_reader->GetErrorText();
    }
}

TEST_F(MidiReadTest, FormatOneChunksAreTracksAndChunkZeroIsTheConductor)
{
    // Chunk 0: a tempo, 6/8, a key (dropped: the conductor has no key), a sequence name and a
    // note (which goes to track 1). Chunk 1: a track name and a key. Chunk 2: a track name.
    const auto bytes = SmfBytes()
                           .Header(1, 3, 96)
                           .Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18,
                                   0x08, 0x00, 0xFF, 0x59, 0x02, 0x02, 0x00, 0x00, 0xFF, 0x03, 0x03, 'S', 'o', 'n',
                                   0x00, 0x90, 0x3C, 0x40, 0x30, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00})
                           .Track({0x00, 0xFF, 0x03, 0x02, 'P', 'f', 0x00, 0xFF, 0x59, 0x02, 0xFD, 0x01, 0x00, 0xFF,
                                   0x2F, 0x00})
                           .Track({0x00, 0xFF, 0x03, 0x02, 'V', 'n', 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1) << m_reader->GetErrorText();
    EXPECT_EQ(m_doc.FileType(), 2);
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].track, 1);
    EXPECT_FLOAT_EQ(notes[0].length, 0.5f) << "division 96, a delta of 48";

    const auto tempi = ConductorMarks(m_doc.Conductor(), true);
    ASSERT_EQ(tempi.size(), 1u);
    EXPECT_FLOAT_EQ(static_cast<ECTempo*>(tempi[0])->GetTempo(1.0f), 120.0f);
    const auto meters = ConductorMarks(m_doc.Conductor(), false);
    ASSERT_FALSE(meters.empty());
    EXPECT_EQ(static_cast<ECMeter*>(meters.back())->GetNumerator(), 6);
    EXPECT_EQ(static_cast<ECMeter*>(meters.back())->GetDenominator(), 8);

    const auto keys = ListedElements(m_doc.GetSequence(), EventId::Key);
    ASSERT_EQ(keys.size(), 1u) << "the key of chunk 0 is dropped";
    EXPECT_EQ(keys[0]->GetVoiceTrack()->GetTrack(), 1);
    EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetNumFlats(), 3);
    EXPECT_EQ(static_cast<ECKey*>(keys[0])->GetMode(), 1);

    std::vector<std::tuple<int, int, std::string>> texts;
    for (ECBase* text : ListedElements(m_doc.GetSequence(), EventId::Text))
        texts.emplace_back(text->GetVoiceTrack()->GetTrack(), static_cast<ECText*>(text)->GetTextType(),
                           static_cast<ECText*>(text)->GetText());
    std::sort(texts.begin(), texts.end());
    const std::vector<std::tuple<int, int, std::string>> expected = {{0, 8, "Son"}, {1, 3, "Pf"}, {2, 3, "Vn"}};
    EXPECT_EQ(texts, expected);
}

TEST_F(MidiReadTest, AFileWithoutATempoAtItsStartPlaysAtOneHundredAndTwentyUntilItSetsOne)
{
    const struct {
        const char* name;
        std::vector<uint8_t> track;
        std::vector<std::pair<float, float>> tempi;  // time in quarters, beats a minute
    } cases[] = {
        {"no tempo", {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}, {{0.0f, 120.0f}}},
        {"a tempo at the second beat",
         {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F,
          0x00},
         {{0.0f, 120.0f}, {1.0f, 60.0f}}},
        {"a tempo at the start", {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00}, {{0.0f, 60.0f}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MidiTestDocument doc;
        MCMidiMemFile file("song.mid", SmfBytes().Header(0, 1, 96).Track(c.track).Bytes());
        MCMidiRead reader;
        ASSERT_EQ(reader.LoadMidiFile(file, doc), 1) << reader.GetErrorText();
        std::vector<std::pair<float, float>> tempi;
        for (ECBase* mark : ConductorMarks(doc.Conductor(), true))
            tempi.emplace_back(mark->GetTime()->GetSeconds(), static_cast<ECTempo*>(mark)->GetTempo(1.0f));
        EXPECT_EQ(tempi, c.tempi);
    }
}

TEST_F(MidiReadTest, FormatZeroSpreadsChannelsOverTracksInTheOrderTheyAppear)
{
    // Channel 10 first, then channel 1; running status carries a second note on; under running
    // status 0xC0 one data byte completes a program change; a note on of velocity 0 ends a note.
    const auto bytes = SmfBytes()
                           .Header(0, 1, 96)
                           .Track({0x00, 0x99, 0x24, 0x64, 0x00, 0x90, 0x3C, 0x40, 0x18, 0x3E, 0x40, 0x00, 0xC0,
                                   0x05, 0x00, 0x06, 0x18, 0x90, 0x3C, 0x00, 0x00, 0x3E, 0x00, 0x00, 0x89, 0x24,
                                   0x00, 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1) << m_reader->GetErrorText();
    EXPECT_EQ(m_doc.FileType(), 1);
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].channel, 0);
    EXPECT_EQ(notes[0].track, 2);
    EXPECT_EQ(notes[1].channel, 9);
    EXPECT_EQ(notes[1].track, 1) << "channel 10 came first";
    EXPECT_FLOAT_EQ(notes[1].length, 0.5f);
    EXPECT_EQ(notes[2].key, 0x3E);
    EXPECT_FLOAT_EQ(notes[2].start, 0.25f);
    EXPECT_FLOAT_EQ(notes[2].length, 0.25f);
}

TEST_F(MidiReadTest, FormatTwoShiftsAChunkByTheLengthOfTheOneBefore)
{
    const auto bytes = SmfBytes()
                           .Header(2, 2, 96)
                           .Track({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x60, 0xFF, 0x2F, 0x00})
                           .Track({0x00, 0x90, 0x40, 0x40, 0x30, 0x80, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1) << m_reader->GetErrorText();
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_FLOAT_EQ(notes[1].start, 2.0f);
    EXPECT_FLOAT_EQ(notes[1].length, 0.5f);
}

TEST_F(MidiReadTest, SystemExclusiveEscapesSequenceNumbersAndTempoZero)
{
    const auto bytes = SmfBytes()
                           .Header(1, 1, 96)
                           .Track({0x00, 0xFF, 0x00, 0x02, 0x00, 0x07, 0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01,
                                   0xF7, 0x00, 0xF7, 0x02, 0xF3, 0x01, 0x10, 0xFF, 0x00, 0x02, 0x00, 0x08, 0x00,
                                   0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1) << m_reader->GetErrorText();
    std::vector<std::vector<uint8_t>> messages;
    for (ECBase* system : ListedElements(m_doc.GetSequence(), EventId::SystemMessage)) {
        const FCMidiSysEx& sysEx = plat::dynamicDowncast<DCsqSysMsg>(system->GetData(0, 0))->GetSysExData();
        messages.emplace_back(sysEx.GetSysExBuf(), sysEx.GetSysExBuf() + sysEx.GetSysExBufLength());
    }
    const std::vector<std::vector<uint8_t>> expected = {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xF3, 0x01}};
    EXPECT_EQ(messages, expected);
    const auto flows = ListedElements(m_doc.GetSequence(), EventId::FlowControl);
    ASSERT_EQ(flows.size(), 1u) << "a sequence number after a delta is ignored";
    EXPECT_EQ(static_cast<ECFlowControl*>(flows[0])->GetSequenceNumber(), 7);
    EXPECT_EQ(flows[0]->GetVoiceTrack()->GetVoice(), 14);
    const auto tempi = ConductorMarks(m_doc.Conductor(), true);
    ASSERT_EQ(tempi.size(), 2u) << "the file's default before its first tempo, then that tempo";
    EXPECT_FLOAT_EQ(static_cast<ECTempo*>(tempi[0])->GetTempo(1.0f), 120.0f);
    EXPECT_FLOAT_EQ(static_cast<ECTempo*>(tempi[1])->GetTempo(1.0f), 60000000.0f) << "0 microseconds read as 1";
}

// A file of many tempo changes, in the conductor chunk and between the notes of another chunk
// (so that marks also land between marks already read), imports to the clock times the tempo
// map gives when its marks are added one at a time, mark by mark, and to what the tempi say.
TEST_F(MidiReadTest, ManyTempoChangesImportToTheClockTimesOfTheirMarks)
{
    const auto varLength = [](std::vector<uint8_t>& out, uint32_t value) {
        std::vector<uint8_t> bytes{static_cast<uint8_t>(value & 0x7F)};
        while ((value >>= 7) > 0)
            bytes.insert(bytes.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    const auto tempoEvent = [&](std::vector<uint8_t>& out, uint32_t delta, uint32_t micro) {
        varLength(out, delta);
        out.insert(out.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(micro >> 16), static_cast<uint8_t>(micro >> 8),
                               static_cast<uint8_t>(micro)});
    };
    std::vector<uint8_t> conductor;
    std::vector<uint8_t> notes;
    for (uint32_t i = 0; i < 600; ++i)
        tempoEvent(conductor, i == 0 ? 0 : 37 + (i * 53) % 211, 250000 + (i * 7919) % 900000);
    conductor.insert(conductor.end(), {0x00, 0xFF, 0x2F, 0x00});
    for (uint32_t i = 0; i < 200; ++i) {
        notes.insert(notes.end(), {0x00, 0x90, static_cast<uint8_t>(40 + i % 40), 0x50});
        tempoEvent(notes, 101 + (i * 31) % 97, 300000 + (i * 104729) % 700000);
        notes.insert(notes.end(), {0x00, 0x80, static_cast<uint8_t>(40 + i % 40), 0x00});
    }
    notes.insert(notes.end(), {0x00, 0xFF, 0x2F, 0x00});
    ASSERT_EQ(Load(SmfBytes().Header(1, 2, 96).Track(conductor).Track(notes).Bytes()), 1) << m_reader->GetErrorText();

    const auto marks = ConductorMarks(m_doc.Conductor(), true);
    ASSERT_GT(marks.size(), 700u);
    ECTempoEnv reference;
    for (ECBase* mark : marks) {
        auto* tempo = static_cast<ECTempo*>(mark);
        auto* copy = new ECTempo;
        copy->SetTime(tempo->GetTime());
        copy->SetTempo(tempo->GetTempo(1.0f), 1.0f);
        copy->SetStyle(tempo->GetStyle());
        ASSERT_EQ(reference.AddChild(copy, 1), 1);
    }
    ASSERT_EQ(reference.GetPointCount(), static_cast<int>(marks.size()));
    double clock = 0.0;
    for (size_t i = 0; i < marks.size(); ++i) {
        auto* mark = static_cast<ECTempo*>(marks[i]);
        auto* expected = static_cast<ECTempo*>(reference.GetPointAtIndex(static_cast<int>(i)));
        ASSERT_EQ(mark->GetTime()->GetSeconds(), expected->GetTime()->GetSeconds()) << i;
        EXPECT_EQ(mark->GetClockTime().GetMode(), MCTime::clock) << i;
        EXPECT_EQ(mark->GetClockTime().GetSeconds(), expected->GetClockTime().GetSeconds()) << i;
        if (i > 0) {
            auto* previous = static_cast<ECTempo*>(marks[i - 1]);
            clock += (mark->GetTime()->GetSeconds() - previous->GetTime()->GetSeconds()) * 60.0 / previous->GetTempo(1.0f);
        }
        EXPECT_NEAR(mark->GetClockTime().GetSeconds(), clock, 1e-5 * std::max(1.0, clock)) << i;
    }
}

// Damaged tracks: the reader keeps what comes before the damage and says what it lost; files
// beyond the import limits are refused.
TEST_F(MidiReadTest, BoundsDecisions)
{
    const std::vector<uint8_t> note = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00};
    const auto with = [&](std::vector<uint8_t> tail) {
        std::vector<uint8_t> events = note;
        events.insert(events.end(), tail.begin(), tail.end());
        return events;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int loaded;
        size_t notes;
        const char* says;  // in the warning when loaded, in the error when refused
    };
    std::vector<uint8_t> manyChunks = SmfBytes().Header(2, 2046, 96).Bytes();
    for (int i = 0; i < 2046; ++i)
        manyChunks = SmfBytes().Raw(manyChunks).Track({0x00, 0xFF, 0x2F, 0x00}).Bytes();
    // Sixteen tracks, each in bars of an eighth note up to 19,999 quarter notes: 40,000 bars.
    std::vector<uint8_t> manyBars = {0x00, 0xFF, 0x58, 0x04, 0x01, 0x03, 0x18, 0x08};
    for (uint8_t channel = 0; channel < 16; ++channel)
        manyBars.insert(manyBars.end(), {0x00, static_cast<uint8_t>(0x90 | channel), 0x3C, 0x40});
    manyBars.insert(manyBars.end(), {0x81, 0x9C, 0x1F, 0x90, 0x3C, 0x00});
    const std::vector<Case> cases = {
        {"a variable-length number of five bytes", SmfBytes().Header(0, 1, 96).Track(with({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})).Bytes(), 1, 1, "damaged"},
        {"a meta length past the chunk", SmfBytes().Header(0, 1, 96).Track(with({0x00, 0xFF, 0x01, 0x7F, 'a'})).Bytes(), 1, 1, "damaged"},
        {"a system-exclusive length past the chunk", SmfBytes().Header(0, 1, 96).Track(with({0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01})).Bytes(), 1, 1, "damaged"},
        {"a chunk longer than the file", SmfBytes().Header(0, 1, 96).Track(note, 0x7FFFFFFF).Bytes(), 1, 1, "cut short"},
        {"an event cut at the chunk's end", SmfBytes().Header(0, 1, 96).Track(with({0x00, 0x90, 0x3C})).Bytes(), 1, 1, "damaged"},
        {"a data byte before any status", SmfBytes().Header(0, 1, 96).Track({0x00, 0x3C, 0x40}).Bytes(), 1, 0, "damaged"},
        {"a data byte with its top bit set", SmfBytes().Header(0, 1, 96).Track(with({0x00, 0x90, 0x3C, 0xC0})).Bytes(), 1, 1, "damaged"},
        {"fewer chunks than declared", SmfBytes().Header(1, 3, 96).Track({0x00, 0xFF, 0x2F, 0x00}).Track(note).Bytes(), 1, 1, "2 of the 3"},
        {"a channel prefix beyond channel 16, short tempo and meter", SmfBytes().Header(0, 1, 96).Track(with({0x00, 0xFF, 0x20, 0x01, 0xFF, 0x00, 0xFF, 0x51, 0x00, 0x00, 0xFF, 0x58, 0x01, 0x04, 0x00, 0xFF, 0x01, 0x01, 'x'})).Bytes(), 1, 1, ""},
        {"an alien chunk between tracks", SmfBytes().Header(1, 2, 96).Track({0x00, 0xFF, 0x2F, 0x00}).Chunk("XFKM", {1, 2, 3, 4}).Track(note).Bytes(), 1, 1, ""},
        {"an event far beyond the end of any piece", SmfBytes().Header(0, 1, 1).Track({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}).Bytes(), 0, 0, "quarter notes"},
        {"a bar of a 32nd note with a late event", SmfBytes().Header(0, 1, 1).Track({0x00, 0xFF, 0x58, 0x02, 0x01, 0x07, 0xBE, 0x40, 0x90, 0x3C, 0x40}).Bytes(), 0, 0, "bars"},
        {"more tracks than a piece holds", manyChunks, 0, 0, "tracks"},
        {"more bars over all tracks than a piece holds", SmfBytes().Header(0, 1, 1).Track(manyBars).Bytes(), 0, 16, "bars each"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.bytes), c.loaded) << m_reader->GetErrorText();
        EXPECT_EQ(Notes().size(), c.notes);
        const std::string& text = c.loaded ? m_reader->GetWarningText() : m_reader->GetErrorText();
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        if (c.loaded && *c.says) {
            EXPECT_NE(text.find("\"song.mid\""), std::string::npos) << text;
        }
    }
}

TEST_F(MidiReadTest, EachOfMoreThan255TracksIsAStaffOfItsOwnInTheStaffGroups)
{
    constexpr int tracks = 300;
    SmfBytes file;
    file.Header(1, tracks + 1, 96).Track({0x00, 0xFF, 0x2F, 0x00});
    for (int track = 1; track <= tracks; ++track) {
        const auto channel = static_cast<uint8_t>(track % 16);
        file.Track({0x00, static_cast<uint8_t>(0x90 | channel), 0x3C, 0x40, 0x60, static_cast<uint8_t>(0x80 | channel),
                    0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    }
    ASSERT_EQ(Load(file.Bytes()), 1) << m_reader->GetErrorText();
    ECConductorStaff* staff = m_doc.Conductor()->GetConductorStaff();
    ASSERT_EQ(staff->GetMaxStaffNumber(), tracks);
    const MCGroup& groups = staff->GetGroup();
    std::set<int> ids;
    for (const MCGroup::Table* table : {&groups.GetPrimaryGroup(), &groups.GetSecondaryGroup()}) {
        std::vector<int> staves;
        for (const MCGroup::tag_group& entry : *table) {
            if (!entry.inUse())
                continue;
            EXPECT_EQ(entry.first(), entry.last());
            EXPECT_TRUE(ids.insert(entry.id()).second) << "ID " << entry.id() << " held twice";
            staves.push_back(entry.first());
        }
        std::vector<int> expected(tracks);
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(staves, expected);
    }
}

TEST_F(MidiReadTest, ProgressIsAnnouncedPerHundredBytesOfATrack)
{
    std::vector<uint8_t> events;
    for (int i = 0; i < 100; ++i)
        events.insert(events.end(), {0x00, 0x90, 0x3C, 0x40, 0x00, 0x80, 0x3C, 0x00});
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    ASSERT_EQ(Load(SmfBytes().Header(0, 1, 96).Track(events).Bytes()), 1);
    std::vector<int> codes;
    for (int code : m_doc.States()) {
        if (code >= 1801 && code <= 1804)
            codes.push_back(code);
    }
    // 804 bytes: one step each time the reading passes another 100 bytes.
    std::vector<int> expected = {1801};
    expected.insert(expected.end(), 9, 1802);
    expected.push_back(1804);
    EXPECT_EQ(codes, expected);
}

TEST_F(MidiReadTest, ATimeSignatureAfterMessagesOfItsTimeRebarsTheBarsTheyMade)
{
    // Channel messages at time 0 make the first bar before the file's 6/8 arrives; the bar
    // takes the 6/8, and a 3/4 six quarter notes on stands on the bar line there.
    const std::vector<std::vector<uint8_t>> before = {
        {},
        {0x00, 0xC0, 0x05},
        {0x00, 0xC0, 0x05, 0x00, 0xC1, 0x05, 0x00, 0x92, 0x3C, 0x40},
        {0x00, 0xB0, 0x07, 0x05},
    };
    for (const auto& head : before) {
        SCOPED_TRACE(head.size());
        std::vector<uint8_t> events = head;
        const std::vector<uint8_t> meters = {0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08, 0x83, 0x60, 0xFF, 0x58,
                                             0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
        events.insert(events.end(), meters.begin(), meters.end());
        ASSERT_EQ(Load(SmfBytes().Header(0, 1, 80).Track(events).Bytes()), 1);
        std::vector<std::tuple<float, int, int>> found;
        for (ECBase* mark : ConductorMarks(m_doc.Conductor(), false))
            found.emplace_back(mark->GetTime()->GetSeconds(), static_cast<ECMeter*>(mark)->GetNumerator(),
                               static_cast<ECMeter*>(mark)->GetDenominator());
        EXPECT_EQ(found, (std::vector<std::tuple<float, int, int>>{{0.0f, 6, 8}, {6.0f, 3, 4}}));
        ECMeasure* second = m_doc.Conductor()->GetMeasure(0, 2);
        ASSERT_NE(second, nullptr);
        EXPECT_FLOAT_EQ(second->GetTime()->GetSeconds(), 3.0f);
    }
}

TEST_F(MidiReadTest, KeysAndMetersTheModelCannotHoldAreDropped)
{
    const auto bytes = SmfBytes()
                           .Header(1, 2, 96)
                           .Track({0x00, 0xFF, 0x58, 0x04, 0x06, 0x09, 0x18, 0x08, 0x00, 0xFF, 0x58, 0x04, 0x00,
                                   0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00})
                           .Track({0x00, 0xFF, 0x59, 0x02, 0x7F, 0x00, 0x00, 0xFF, 0x59, 0x02, 0x02, 0x05, 0x00,
                                   0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1) << m_reader->GetErrorText();
    for (ECBase* meter : ConductorMarks(m_doc.Conductor(), false))
        EXPECT_EQ(static_cast<ECMeter*>(meter)->GetNumerator(), 4) << "only the piece's own 4/4";
    EXPECT_TRUE(ListedElements(m_doc.GetSequence(), EventId::Key).empty());
}

TEST_F(MidiReadTest, TextsThatAreNotUtf8AreReadAsWindows1252)
{
    const auto bytes = SmfBytes()
                           .Header(1, 1, 96)
                           .Track({0x00, 0xFF, 0x01, 0x04, 'C', 'a', 'f', 0xE9, 0x00, 0xFF, 0x01, 0x03, 0xE2, 0x82,
                                   0xAC, 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_EQ(Load(bytes), 1);
    std::vector<std::string> texts;
    for (ECBase* text : ListedElements(m_doc.GetSequence(), EventId::Text))
        texts.push_back(static_cast<ECText*>(text)->GetText());
    EXPECT_EQ(texts, (std::vector<std::string>{"Caf\xC3\xA9", "\xE2\x82\xAC"}));
}

// RIFF MIDI: the embedded file is read, bounded by its "data" chunk.
class RmiReadTest : public MidiReadTest {
protected:
    static std::vector<uint8_t> Riff(const char* form, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks,
                                     int64_t formSize = -1)
    {
        std::vector<uint8_t> body = {static_cast<uint8_t>(form[0]), static_cast<uint8_t>(form[1]),
                                     static_cast<uint8_t>(form[2]), static_cast<uint8_t>(form[3])};
        for (const auto& [id, data] : chunks) {
            const uint32_t size = static_cast<uint32_t>(data.size());
            body.insert(body.end(), id.begin(), id.end());
            for (int i = 0; i < 4; ++i)
                body.push_back(static_cast<uint8_t>(size >> (8 * i)));
            body.insert(body.end(), data.begin(), data.end());
            if (size & 1)
                body.push_back(0);
        }
        const uint32_t size = static_cast<uint32_t>(formSize < 0 ? static_cast<int64_t>(body.size()) : formSize);
        std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<uint8_t>(size >> (8 * i)));
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }
    int LoadRmi(const std::vector<uint8_t>& bytes)
    {
        m_file = std::make_unique<MCMidiMemFile>("song.rmi", bytes);
        m_file->Seek(5);
        MCRmiRead reader;
        const int result = reader.LoadRmiFile(*m_file, m_doc);
        m_error = reader.GetErrorText();
        return result;
    }
    std::string m_error;
};

TEST_F(RmiReadTest, FindsTheDataChunkAndRestoresThePosition)
{
    const auto smf = SmfBytes().Header(0, 1, 96).Track({0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}).Bytes();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int loaded;
    };
    // The embedded file claims a second track; the chunk after "data" holds one, which the
    // reader must not see.
    auto twoTracks = SmfBytes().Header(1, 2, 96).Track({0x00, 0xFF, 0x2F, 0x00}).Bytes();
    const auto follower = SmfBytes().Track({0x00, 0x90, 0x3C, 0x40}).Bytes();
    const std::vector<Case> cases = {
        {"a plain MIDI file", smf, 0},
        {"a wave file", Riff("WAVE", {{"fmt ", {1, 0, 1, 0}}, {"data", {0, 0}}}), 0},
        {"a form without data", Riff("RMID", {{"LIST", {'I', 'N', 'F', 'O'}}}), 0},
        {"data after other chunks, one of odd length", Riff("RMID", {{"DISP", {1, 2, 3}}, {"data", smf}}), 1},
        {"a form claiming more than the file", Riff("RMID", {{"data", smf}}, 0xFFFFFFF0), 1},
        {"data that is no MIDI file", Riff("RMID", {{"data", {1, 2, 3, 4, 5, 6, 7, 8, 9}}}), 0},
        {"an embedded file that would run into the next chunk", Riff("RMID", {{"data", twoTracks}, {"MTrk", follower}}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LoadRmi(c.bytes), c.loaded) << m_error;
        EXPECT_EQ(m_file->GetPosition(), 5u);
    }
    EXPECT_TRUE(Notes().empty()) << "the chunk after \"data\" was not read";
}

// A RIFF MIDI file that cannot be read says why; a file of another kind says nothing, so the
// next reader may take it.
TEST_F(RmiReadTest, ARefusedRiffMidiFileSaysWhy)
{
    const auto smf = SmfBytes().Header(0, 1, 96).Track({0x00, 0xFF, 0x2F, 0x00}).Bytes();
    EXPECT_EQ(LoadRmi(smf), 0);
    EXPECT_EQ(m_error, "");
    EXPECT_EQ(LoadRmi(Riff("WAVE", {{"data", {0, 0}}})), 0);
    EXPECT_EQ(m_error, "");
    EXPECT_EQ(LoadRmi(Riff("RMID", {{"LIST", {'I', 'N', 'F', 'O'}}})), 0);
    EXPECT_EQ(m_error, "\"song.rmi\" cannot be read as a MIDI file: its RIFF MIDI form holds no \"data\" chunk.");
    EXPECT_EQ(LoadRmi(Riff("RMID", {{"data", {'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 0}}})), 0);
    EXPECT_NE(m_error.find("its header chunk is too short"), std::string::npos) << m_error;
    EXPECT_EQ(LoadRmi(Riff("RMID", {{"data", smf}})), 1);
    EXPECT_EQ(m_error, "");
}

}  // namespace

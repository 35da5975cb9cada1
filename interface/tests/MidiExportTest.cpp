// MIDI files written from a document's sequence: what a file read into a piece becomes when the
// piece is written again.

#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/midifile/MCOpusMidiDocument.h"
#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/states/SCFile.h"
#include "platform/core/MessageLoop.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

using Bytes = std::vector<uint8_t>;

// One event of a track as the file says it: its absolute tick and its bytes, with the status
// a running status left out.
struct FileEvent {
    long tick = 0;
    Bytes bytes;
    bool operator==(const FileEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FileEvent& e)
{
    out << e.tick << ":";
    for (uint8_t b : e.bytes)
        out << " " << std::hex << static_cast<int>(b) << std::dec;
    return out;
}

// The events of each track chunk of a well-formed file; a test fails where it is not one.
std::vector<std::vector<FileEvent>> TrackEvents(const Bytes& file)
{
    std::vector<std::vector<FileEvent>> tracks;
    const auto u32 = [&](size_t i) {
        return static_cast<uint32_t>(file[i]) << 24 | static_cast<uint32_t>(file[i + 1]) << 16 |
               static_cast<uint32_t>(file[i + 2]) << 8 | file[i + 3];
    };
    size_t at = 14;
    while (at + 8 <= file.size()) {
        const size_t end = at + 8 + u32(at + 4);
        EXPECT_LE(end, file.size());
        at += 8;
        std::vector<FileEvent>& events = tracks.emplace_back();
        long tick = 0;
        uint8_t running = 0;
        const auto varLength = [&] {
            long value = 0;
            while (at < end && (file[at] & 0x80))
                value = value << 7 | (file[at++] & 0x7F);
            return at < end ? value << 7 | file[at++] : value;
        };
        while (at < end) {
            tick += varLength();
            const size_t start = at;
            const uint8_t status = file[at];
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                at += status == 0xFF ? 2 : 1;
                at += static_cast<size_t>(varLength());
                running = 0;
            } else if (status & 0x80) {
                EXPECT_LT(status, 0xF0) << "a bare system message at byte " << at;
                running = status;
                at += (status & 0xE0) == 0xC0 ? 2 : 3;
            } else {
                EXPECT_NE(running, 0) << "a data byte without a status at byte " << at;
                at += (running & 0xE0) == 0xC0 ? 1 : 2;
            }
            EXPECT_LE(at, end);
            events.push_back({tick, Bytes(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(std::min(at, end)))});
        }
        at = end;
    }
    return tracks;
}

bool IsMeta(const FileEvent& e, uint8_t type)
{
    return e.bytes.size() >= 2 && e.bytes[0] == 0xFF && e.bytes[1] == type;
}

class MidiExportTest : public documenttest::DocumentTest {
protected:
    // Reads the file into the document as the program opens one.
    void Import(const Bytes& bytes)
    {
        MCOpusMidiDocument source(m_doc);
        MCMidiMemFile file("in.mid", bytes);
        MCMidiRead reader;
        ASSERT_EQ(reader.LoadMidiFile(file, source), 1) << reader.GetErrorText();
        (new SCFile(1301))->Apply(m_doc.GetBaseEvent());
    }
    Bytes Export(int format)
    {
        MCOpusMidiDocument source(m_doc);
        MCMidiMemFile file("out.mid");
        EXPECT_EQ(MCMidiWrite().SaveMidiFile(file, source, format, 480), 1);
        return file.GetBytes();
    }

    MCOpusDoc m_doc;
};

TEST_F(MidiExportTest, SystemMessagesOfAPieceAreWrittenAsEscapesAndTheFileReadsBackWhole)
{
    // A 3/4 conductor; a track whose notes have a song position, a song select, clocks, a
    // start, a tune request and an active sensing among them.
    const Bytes conductor = {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes track = {0x00, 0xF2, 0x10, 0x00, 0x00, 0xF3, 0x02, 0x00, 0xFA, 0x00, 0xF6,
                         0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0xF8, 0x00, 0x80, 0x3C, 0x00,
                         0x00, 0xFE, 0x00, 0xFC, 0x00, 0xFF, 0x2F, 0x00};
    Import(SmfBytes().Header(1, 2, 480).Track(conductor).Track(track).Bytes());

    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        const Bytes written = Export(format);
        std::vector<Bytes> escapes;
        for (const auto& events : TrackEvents(written)) {
            for (const FileEvent& e : events) {
                if (e.bytes[0] == 0xF7)
                    escapes.push_back(e.bytes);
            }
        }
        std::sort(escapes.begin(), escapes.end());
        EXPECT_EQ(escapes, (std::vector<Bytes>{{0xF7, 0x01, 0xF6}, {0xF7, 0x01, 0xF8}, {0xF7, 0x01, 0xFA}, {0xF7, 0x01, 0xFC},
                                               {0xF7, 0x01, 0xFE}, {0xF7, 0x02, 0xF3, 0x02}, {0xF7, 0x03, 0xF2, 0x10, 0x00}}));

        MidiTestDocument back;
        MCMidiMemFile file("out.mid", written);
        MCMidiRead reader;
        ASSERT_EQ(reader.LoadMidiFile(file, back), 1) << reader.GetErrorText();
        EXPECT_EQ(reader.GetWarningText(), "");
        const std::vector<ECBase*> meters = ConductorMarks(back.Conductor(), false);
        ASSERT_EQ(meters.size(), 1u);
        EXPECT_EQ(static_cast<ECMeter*>(meters[0])->GetNumerator(), 3);
        const std::vector<MidiNote> notes = PieceNotes(back.GetSequence());
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].key, 0x3C);
        EXPECT_FLOAT_EQ(notes[0].length, 1.0f);
    }
}

TEST_F(MidiExportTest, ATrackEndsAtTheEndOfThePiece)
{
    // Two bars of 4/4: the last note ends on the eighth quarter.
    const Bytes conductor = {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes track = {0x00, 0x90, 0x3C, 0x64, 0x8E, 0x00, 0x80, 0x3C, 0x00,   // 0 to 4
                         0x00, 0x90, 0x40, 0x64, 0x8E, 0x00, 0x80, 0x40, 0x00,   // 4 to 8
                         0x00, 0xFF, 0x2F, 0x00};
    Import(SmfBytes().Header(1, 2, 480).Track(conductor).Track(track).Bytes());
    ASSERT_FLOAT_EQ(m_doc.GetBaseEvent()->GetConductor()->GetMaxMeasureEndTime().GetSeconds(), 8.0f);
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        for (const auto& events : TrackEvents(Export(format))) {
            ASSERT_FALSE(events.empty());
            EXPECT_TRUE(IsMeta(events.back(), 0x2F)) << events.back();
            EXPECT_EQ(events.back().tick, 8 * 480) << events.back();
        }
    }
}

TEST_F(MidiExportTest, AFileWithASequenceNumberIsWrittenWithItsTempi)
{
    // A sequence number and a tempo of 100 at the start, 140 from the third quarter.
    const Bytes conductor = {0x00, 0xFF, 0x00, 0x02, 0x00, 0x07,
                             0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,
                             0x87, 0x40, 0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B,
                             0x00, 0xFF, 0x2F, 0x00};
    const Bytes track = {0x00, 0x90, 0x3C, 0x64, 0x8F, 0x00, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    Import(SmfBytes().Header(1, 2, 480).Track(conductor).Track(track).Bytes());
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        // The sanitizer build fails here where the marks are freed before they are written.
        const std::vector<std::vector<FileEvent>> tracks = TrackEvents(Export(format));
        ASSERT_FALSE(tracks.empty());
        std::vector<FileEvent> tempi;
        for (const FileEvent& e : tracks[0]) {
            if (IsMeta(e, 0x51))
                tempi.push_back(e);
        }
        EXPECT_EQ(tempi, (std::vector<FileEvent>{{0, {0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0}},
                                                 {960, {0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B}}}));
        // The staff's settings at the start come once.
        long programs = 0;
        for (const auto& events : tracks)
            programs += std::count_if(events.begin(), events.end(), [](const FileEvent& e) { return (e.bytes[0] & 0xF0) == 0xC0; });
        EXPECT_EQ(programs, 1);
    }
}

TEST_F(MidiExportTest, ARepeatToTheStartWritesTheTempiOfBothPasses)
{
    // A tempo of 100, 140 from the second quarter; a repeat back to the start at the third.
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,
                             0x83, 0x60, 0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B,
                             0x00, 0xFF, 0x2F, 0x00};
    const Bytes track = {0x00, 0x90, 0x3C, 0x64, 0x8F, 0x00, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    Import(SmfBytes().Header(1, 2, 480).Track(conductor).Track(track).Bytes());
    auto* repeat = new ECFlowControl(1);
    const MCTime at(2.0f);
    repeat->SetTime(&at);
    auto* add = new CCAdd(repeat, m_doc.GetBaseEvent()->GetConductor()->GetConductorStaff(), FCMidi::MidiNull());
    add->SetSynchronous(1);
    // As an edit does: the sequence learns of the commands when the bracket closes.
    MCCommandMgr::BeginNotify(m_doc.GetBaseEvent());
    add->Apply(m_doc.GetBaseEvent());
    MCCommandMgr::EndNotify(m_doc.GetBaseEvent());
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        // The sanitizer build fails here where the marks of the first pass are freed before
        // they are written.
        const std::vector<std::vector<FileEvent>> tracks = TrackEvents(Export(format));
        ASSERT_FALSE(tracks.empty());
        std::vector<FileEvent> tempi;
        for (const FileEvent& e : tracks[0]) {
            if (IsMeta(e, 0x51))
                tempi.push_back(e);
        }
        EXPECT_EQ(tempi, (std::vector<FileEvent>{{0, {0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0}},
                                                 {480, {0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B}},
                                                 {960, {0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0}},
                                                 {1440, {0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B}}}));
    }
}

// 64-bit FNV-1a: a file's bytes in one word, to compare with what was written before.
uint64_t Fingerprint(const Bytes& bytes)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint8_t b : bytes)
        hash = (hash ^ b) * 0x100000001B3ull;
    return hash;
}

void PutVarLength(Bytes& out, uint32_t value)
{
    Bytes bytes{static_cast<uint8_t>(value & 0x7F)};
    while ((value >>= 7) > 0)
        bytes.insert(bytes.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A piece with a little of everything a file carries: tempo changes, two meters and a key on
// the conductor; programs, controllers, bends, pressure, a system-exclusive message, texts,
// a lyric, overlapping and held notes on three channels over two tracks.
Bytes MixedPiece()
{
    Bytes conductor = {0x00, 0xFF, 0x03, 0x04, 'M', 'i', 'x', 'd', 0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,
                       0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    for (uint32_t i = 1; i <= 24; ++i) {
        PutVarLength(conductor, 240 + (i * 37) % 200);
        const uint32_t micro = 400000 + (i * 7919) % 300000;
        conductor.insert(conductor.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(micro >> 16), static_cast<uint8_t>(micro >> 8),
                                           static_cast<uint8_t>(micro)});
        if (i == 12)
            conductor.insert(conductor.end(), {0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08});
    }
    conductor.insert(conductor.end(), {0x00, 0xFF, 0x2F, 0x00});

    Bytes melody = {0x00, 0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o', 0x00, 0xFF, 0x59, 0x02, 0x02, 0x00,
                    0x00, 0xC0, 0x05, 0x00, 0xB0, 0x07, 0x64, 0x00, 0xB0, 0x0A, 0x20,
                    0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    Bytes bass = {0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's', 0x00, 0xC1, 0x21, 0x00, 0xC9, 0x00};
    for (uint32_t i = 0; i < 300; ++i) {
        const uint8_t key = static_cast<uint8_t>(48 + (i * 5) % 30);
        melody.insert(melody.end(), {0x00, 0x90, key, static_cast<uint8_t>(40 + i % 80)});
        if (i % 25 == 0)
            melody.insert(melody.end(), {0x00, 0xFF, 0x05, 0x02, 'l', 'a'});
        if (i % 7 == 0)
            melody.insert(melody.end(), {0x3C, 0xE0, static_cast<uint8_t>(i % 128), 0x40});
        PutVarLength(melody, i % 7 == 0 ? 180 : 240);
        melody.insert(melody.end(), {0x80, key, 0x40});
        bass.insert(bass.end(), {0x00, 0x91, static_cast<uint8_t>(36 + i % 12), 0x60, 0x00, 0x99, 0x24, 0x70});
        PutVarLength(bass, 120);
        bass.insert(bass.end(), {0xD1, static_cast<uint8_t>(i % 100), 0x00, 0xA1, static_cast<uint8_t>(36 + i % 12), 0x30});
        PutVarLength(bass, 240 + (i % 3) * 120);
        bass.insert(bass.end(), {0x81, static_cast<uint8_t>(36 + i % 12), 0x00, 0x00, 0x89, 0x24, 0x00});
    }
    // A note held past the end.
    melody.insert(melody.end(), {0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x03, 'E', 'n', 'd', 0x00, 0xFF, 0x2F, 0x00});
    bass.insert(bass.end(), {0x00, 0xFF, 0x2F, 0x00});
    return SmfBytes().Header(1, 3, 96).Track(conductor).Track(melody).Track(bass).Bytes();
}

// Sixteen channels of notes a sixteenth long, one after another, in one chunk.
Bytes DensePiece(int events)
{
    Bytes track;
    for (uint8_t channel = 0; channel < 16; ++channel)
        track.insert(track.end(), {0x00, static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(channel * 7)});
    for (int i = 0; i < events / 32; ++i) {
        const auto key = static_cast<uint8_t>(36 + (i * 7) % 48);
        for (uint8_t channel = 0; channel < 16; ++channel)
            track.insert(track.end(), {0x00, static_cast<uint8_t>(0x90 | channel), key, 0x64});
        PutVarLength(track, 120);
        for (uint8_t channel = 0; channel < 16; ++channel)
            track.insert(track.end(), {static_cast<uint8_t>(0x80 | channel), key, 0x00, 0x00});
        track.pop_back();
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    return SmfBytes().Header(0, 1, 480).Track(track).Bytes();
}

// Pieces written as types 0 and 1 at two divisions give the very bytes they always have: their
// length and fingerprint, and so do files of the shared test folder where this checkout has it.
TEST_F(MidiExportTest, PiecesAreWrittenToTheBytesTheyAlwaysWere)
{
    struct Case {
        std::string name;
        Bytes bytes;
        bool repeat;
        std::vector<std::pair<size_t, uint64_t>> written;  // types 0 and 1 at 480, then at 96
    };
    std::vector<Case> cases = {
        {"mixed", MixedPiece(), false,
         {{8362, 0x030F7E633601F988ull}, {8212, 0x83ADF3DD485A03AAull}, {7856, 0x6A60979AE7E90168ull}, {7869, 0xDD10D850F9DA39CFull}}},
        {"mixed with a repeat", MixedPiece(), true,
         {{8552, 0x1EA124AAE7382BA7ull}, {8404, 0x4AD953DC1F16D02Dull}, {8041, 0x26E475CD44F4188Bull}, {8055, 0x39C37F8739448EE4ull}}},
        {"dense", DensePiece(6000), false,
         {{24021, 0x712B573C5FED0BEFull}, {18635, 0x7B5674BCC9BE0E69ull}, {24020, 0x2F6523C9EC95832Bull}, {18618, 0x011FABC6FF05C16Aull}}},
    };
    const std::filesystem::path corpus = MidiCorpusFolder();
    const std::vector<std::pair<const char*, std::vector<std::pair<size_t, uint64_t>>>> shared = {
        {"test-all-gs-sounds.mid",
         {{88859, 0xA5C4951B0FDF6764ull}, {88874, 0xFA757E9735671CF6ull}, {85075, 0xCEB65E5E1003249Eull}, {85089, 0x606A6F0A55F88C1Full}}},
        {"test-2-tracks-type-1.mid",
         {{319, 0x699D75DC21FCEF82ull}, {332, 0x6D4469EB112DD5DDull}, {310, 0x35E339989ACDA9D2ull}, {323, 0x8A67673E826CC86Dull}}},
        {"test-control-40-damper.mid",
         {{316, 0xBB690D7099B1DF89ull}, {329, 0x1CC1150EC0AD70A2ull}, {307, 0xE1644B35D939F8AFull}, {320, 0xA99D423DDF1CEC14ull}}},
        {"../bench/dense16.mid",
         {{61148, 0x2ADCE792EAE27A75ull}, {46877, 0x130EA0B209BEA860ull}, {61148, 0x52D19C58EE21D9C4ull}, {46876, 0x8E0AE37AEC50D1B9ull}}},
    };
    for (const auto& [name, written] : shared) {
        if (!corpus.empty() && std::filesystem::is_regular_file(corpus / name))
            cases.push_back({name, ReadWholeFile(corpus / name), false, written});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MCOpusDoc doc;
        MCOpusMidiDocument source(doc);
        MCMidiMemFile in("in.mid", c.bytes);
        MCMidiRead reader;
        ASSERT_EQ(reader.LoadMidiFile(in, source), 1) << reader.GetErrorText();
        (new SCFile(1301))->Apply(doc.GetBaseEvent());
        if (c.repeat) {
            auto* repeat = new ECFlowControl(1);
            const MCTime at(6.0f);
            repeat->SetTime(&at);
            auto* add = new CCAdd(repeat, doc.GetBaseEvent()->GetConductor()->GetConductorStaff(), FCMidi::MidiNull());
            add->SetSynchronous(1);
            MCCommandMgr::BeginNotify(doc.GetBaseEvent());
            add->Apply(doc.GetBaseEvent());
            MCCommandMgr::EndNotify(doc.GetBaseEvent());
        }
        std::vector<std::pair<size_t, uint64_t>> written;
        for (int division : {480, 96}) {
            for (int format : {0, 1}) {
                MCMidiMemFile out("out.mid");
                ASSERT_EQ(MCMidiWrite().SaveMidiFile(out, source, format, division), 1);
                written.emplace_back(out.GetBytes().size(), Fingerprint(out.GetBytes()));
            }
        }
        EXPECT_EQ(written, c.written);
        plat::MessageLoop::current().pump();
    }
}

// A save hands each window's records back to the sequence and the next window fills them
// again, so a save keeps no more records than a window holds; the next save reuses them and
// writes the same file.
TEST_F(MidiExportTest, EachWindowsRecordsAreFilledAgainByTheNext)
{
    Import(DensePiece(6000));
    const Bytes first = Export(1);
    const CWGEventList& spare = m_doc.GetSequence()->GetPlayer().GetEventPool().GetSpareRecords();
    EXPECT_GT(spare.size(), 0u);
    EXPECT_LT(spare.size(), 400u) << "a piece of 6,000 events in windows of a few hundred";
    for (const auto& record : spare)
        EXPECT_EQ(record->type, CWGEventData::WG_EVENT_NONE);
    EXPECT_EQ(Export(1), first);
}

}  // namespace

// MIDI files opened and saved through the document, with the readers and the writer the
// program registers: what a file holds survives a native save and a MIDI save after it.

#include "DocumentTestSupport.h"

#include "interface/document/DocumentStrings.h"
#include "interface/midifile/MCMidiFormats.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/score/ECKey.h"
#include "notabase/states/SCFile.h"

#include <cstring>
#include <tuple>

namespace {

using namespace documenttest;
using Answer = plat::UserPrompt::Answer;

// What a piece holds of a MIDI file: its notes, tempi, meters and keys, each with its time.
struct Summary {
    std::vector<std::tuple<float, float, int, int, int>> notes;  // start, length, key, channel, track
    std::vector<std::pair<float, float>> tempi;                   // time, beats a minute
    std::vector<std::tuple<float, int, int>> meters;              // time, numerator, denominator
    std::vector<std::tuple<float, int, int, int, int>> keys;      // time, track, sharps, flats, mode

    static Summary Of(MCOpusDoc& doc)
    {
        Summary s;
        for (const MidiNote& n : PieceNotes(*doc.GetSequence()))
            s.notes.emplace_back(n.start, n.length, n.key, n.channel, n.track);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        for (ECBase* mark : ConductorMarks(conductor, true))
            s.tempi.emplace_back(mark->GetTime()->GetSeconds(), static_cast<ECTempo*>(mark)->GetTempo(1.0f));
        for (ECBase* mark : ConductorMarks(conductor, false)) {
            auto* meter = static_cast<ECMeter*>(mark);
            s.meters.emplace_back(mark->GetTime()->GetSeconds(), meter->GetNumerator(), meter->GetDenominator());
        }
        for (ECBase* mark : ListedElements(*doc.GetSequence(), EventId::Key)) {
            auto* key = static_cast<ECKey*>(mark);
            s.keys.emplace_back(mark->GetTime()->GetSeconds(), mark->GetVoiceTrack()->GetTrack(), key->GetNumSharps(),
                                key->GetNumFlats(), key->GetMode());
        }
        std::sort(s.keys.begin(), s.keys.end());
        return s;
    }
    bool operator==(const Summary&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Summary& s)
{
    out << s.notes.size() << " notes:";
    for (const auto& [start, length, key, channel, track] : s.notes)
        out << " (" << start << " " << length << " k" << key << " c" << channel << " t" << track << ")";
    out << "; tempi:";
    for (const auto& [time, bpm] : s.tempi)
        out << " " << time << "=" << bpm;
    out << "; meters:";
    for (const auto& [time, n, d] : s.meters)
        out << " " << time << "=" << n << "/" << d;
    out << "; keys:";
    for (const auto& [time, track, sharps, flats, mode] : s.keys)
        out << " " << time << " t" << track << " " << sharps << "#" << flats << "b m" << mode;
    return out;
}

class DocumentMidiTest : public DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        m_previous = MCOpusDoc::SetMidiFormats({});
        MCMidiFormats::Install();
    }
    void TearDown() override
    {
        MCOpusDoc::SetMidiFormats(m_previous);
        DocumentTest::TearDown();
    }

    // A type 1 file at 480 ticks a quarter: a conductor track with tempi and meters, and two
    // tracks of notes on channels 1 and 2, each named and then given a key. (A key that comes
    // before anything else of its track is dropped: the transcription gives a key only to a
    // staff that is there already.)
    static std::vector<uint8_t> Song()
    {
        const std::vector<uint8_t> conductor = {
            0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0,        // 0: 100 beats a minute
            0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // 0: 3/4
            0x8B, 0x20, 0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B,  // 3 quarters: 140 beats a minute
            0x8B, 0x20, 0xFF, 0x58, 0x04, 0x02, 0x02, 0x18, 0x08,  // 6 quarters: 2/4
            0x00, 0xFF, 0x2F, 0x00};
        const std::vector<uint8_t> first = {
            0x00, 0xFF, 0x03, 0x02, 'P', 'f',
            0x00, 0xFF, 0x59, 0x02, 0x02, 0x00,  // D major
            0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0,     // a quarter
            0x00, 0x90, 64, 90, 0x87, 0x40, 0x80, 64, 0,      // a half
            0x83, 0x60, 0x90, 67, 80, 0x81, 0x70, 0x80, 67, 0,  // after a rest, an eighth
            0x00, 0xFF, 0x2F, 0x00};
        const std::vector<uint8_t> second = {
            0x00, 0xFF, 0x03, 0x02, 'B', 's',
            0x00, 0xFF, 0x59, 0x02, 0xFD, 0x01,  // C minor
            0x00, 0x91, 48, 100, 0x8B, 0x20, 0x81, 48, 0,  // a dotted half
            0x00, 0x91, 43, 100, 0x83, 0x60, 0x81, 43, 0,  // a quarter
            0x00, 0xFF, 0x2F, 0x00};
        return SmfBytes().Header(1, 3, 480).Track(conductor).Track(first).Track(second).Bytes();
    }

    // Opens the file as the program does: the open, then the state that tells the sequence
    // and the views a document was opened.
    int Open(MCOpusDoc& doc, const std::string& path)
    {
        if (!doc.OnOpenDocument(path))
            return 0;
        (new SCFile(1301))->Apply(doc.GetBaseEvent());
        return 1;
    }

    MCOpusDoc::MidiFormats m_previous;
};

TEST_F(DocumentMidiTest, AMidiFileSavedNativelyAndAsMidiAgainKeepsItsNotesMetersTempiAndKeys)
{
    const std::string midi = File("song.mid");
    writeFile(midi, Song());
    SaveIntPreference("Settings\\Save", "PromptKVD", 0);

    MCOpusDoc opened;
    ASSERT_EQ(Open(opened, midi), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_EQ(opened.GetHeader()->GetFormat(), MCOpusHeader::formatMidi1);
    EXPECT_EQ(readFile(midi), Song()) << "opening changes nothing in the file";
    const Summary original = Summary::Of(opened);
    using Note = std::tuple<float, float, int, int, int>;
    EXPECT_EQ(original.notes, (std::vector<Note>{{0.0f, 1.0f, 60, 0, 1}, {0.0f, 3.0f, 48, 1, 2}, {1.0f, 2.0f, 64, 0, 1},
                                                 {3.0f, 1.0f, 43, 1, 2}, {4.0f, 0.5f, 67, 0, 1}}))
        << original;
    ASSERT_EQ(original.tempi.size(), 2u) << original;
    EXPECT_NEAR(original.tempi[0].second, 100.0f, 0.01f);
    EXPECT_EQ(original.tempi[1].first, 3.0f);
    EXPECT_NEAR(original.tempi[1].second, 140.0f, 0.01f);
    EXPECT_EQ(original.meters, (std::vector<std::tuple<float, int, int>>{{0.0f, 3, 4}, {6.0f, 2, 4}})) << original;
    EXPECT_EQ(original.keys, (std::vector<std::tuple<float, int, int, int, int>>{{0.0f, 1, 2, 0, 0}, {0.0f, 2, 0, 3, 1}}))
        << original;

    // Saved natively (the header names the native format), and opened again.
    const std::string native = File("song.kvd");
    opened.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    ASSERT_EQ(opened.DoSave(native, 1), 1);
    EXPECT_TRUE(plat::Storage::isStorageFile(native));
    // The document holds its file (locked) while it is open: let go of it.
    opened.ReleaseRootStorage();
    MCOpusDoc reopened;
    ASSERT_EQ(Open(reopened, native), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts().back());
    EXPECT_EQ(Summary::Of(reopened), original);

    // Saved as a type 1 MIDI file, and that file opened once more.
    const std::string again = File("again.mid");
    reopened.GetHeader()->SetFormat(MCOpusHeader::formatMidi1);
    ASSERT_EQ(reopened.DoSave(again, 1), 1);
    const std::vector<uint8_t> written = readFile(again);
    ASSERT_GE(written.size(), 14u);
    EXPECT_EQ(std::memcmp(written.data(), "MThd", 4), 0);
    EXPECT_FALSE(plat::Storage::isStorageFile(again));
    reopened.ReleaseRootStorage();
    MCOpusDoc last;
    ASSERT_EQ(Open(last, again), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_EQ(last.GetHeader()->GetFormat(), MCOpusHeader::formatMidi1);
    EXPECT_EQ(Summary::Of(last), original);
    EXPECT_TRUE(m_prompts.Texts().empty()) << m_prompts.Texts()[0];
}

TEST_F(DocumentMidiTest, ARiffMidiFileOpensAndADamagedMidiFileSaysWhy)
{
    // The same song inside a RIFF MIDI form.
    const std::vector<uint8_t> song = Song();
    std::vector<uint8_t> rmi = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const uint32_t dataSize = static_cast<uint32_t>(song.size());
    for (int i = 0; i < 4; ++i)
        rmi.push_back(static_cast<uint8_t>(dataSize >> (8 * i)));
    rmi.insert(rmi.end(), song.begin(), song.end());
    if (rmi.size() % 2)
        rmi.push_back(0);
    const uint32_t formSize = static_cast<uint32_t>(rmi.size() - 8);
    for (int i = 0; i < 4; ++i)
        rmi[4 + i] = static_cast<uint8_t>(formSize >> (8 * i));
    const std::string rmiPath = File("song.rmi");
    writeFile(rmiPath, rmi);
    writeFile(File("song.mid"), song);
    MCOpusDoc fromMidi;
    ASSERT_EQ(fromMidi.OnOpenDocument(File("song.mid")), 1);
    MCOpusDoc fromRiff;
    ASSERT_EQ(fromRiff.OnOpenDocument(rmiPath), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_EQ(Summary::Of(fromRiff), Summary::Of(fromMidi));
    EXPECT_TRUE(m_prompts.Texts().empty());

    // A file that is a Standard MIDI File but cannot be read: one message with the cause, no
    // piece.
    std::vector<uint8_t> damaged = song;
    damaged[12] = 0;  // division 0
    damaged[13] = 0;
    writeFile(File("damaged.mid"), damaged);
    MCOpusDoc refused;
    EXPECT_EQ(refused.OnOpenDocument(File("damaged.mid")), 0);
    EXPECT_EQ(refused.GetBaseEvent(), nullptr);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    const std::string& said = m_prompts.Texts()[0];
    EXPECT_EQ(said.rfind(DocumentStrings::text(DocumentStrings::unableToOpenMidi), 0), 0u) << said;
    EXPECT_NE(said.find("damaged.mid"), std::string::npos) << said;

    // So does a RIFF MIDI file whose form holds no MIDI file, or a damaged one.
    for (const char* name : {"empty.rmi", "damaged.rmi"}) {
        SCOPED_TRACE(name);
        m_prompts.Clear();
        std::vector<uint8_t> form = rmi;
        if (std::string(name) == "empty.rmi")
            form[12] = 'D';  // the chunk is no "data" chunk
        else
            form[20 + 12] = form[20 + 13] = 0;  // the embedded file's division 0
        writeFile(File(name), form);
        MCOpusDoc riffRefused;
        EXPECT_EQ(riffRefused.OnOpenDocument(File(name)), 0);
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        const std::string& riffSaid = m_prompts.Texts()[0];
        EXPECT_NE(riffSaid.find(name), std::string::npos) << riffSaid;
        if (std::string(name) == "empty.rmi")
            EXPECT_NE(riffSaid.find("holds no \"data\" chunk"), std::string::npos) << riffSaid;
        else
            EXPECT_EQ(riffSaid.rfind(DocumentStrings::text(DocumentStrings::unableToOpenMidi), 0), 0u) << riffSaid;
    }

    // A file whose last track is cut short opens with what it holds, and says so.
    m_prompts.Clear();
    std::vector<uint8_t> cut(song.begin(), song.end() - 12);
    writeFile(File("cut.mid"), cut);
    MCOpusDoc partial;
    ASSERT_EQ(partial.OnOpenDocument(File("cut.mid")), 1);
    EXPECT_FALSE(Summary::Of(partial).notes.empty());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find("cut.mid"), std::string::npos) << m_prompts.Texts()[0];
}

}  // namespace

#include "interface/document/MCOpusHeader.h"
#include "interface/midifile/MCMidiFormats.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/MidiTestSupport.h"

#include <gtest/gtest.h>

namespace {

using documenttest::readFile;
using documenttest::writeFile;

// A document opens and saves MIDI files through the readers and the writer it was given.
class MidiDocumentTest : public documenttest::DocumentTest {
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

    MCOpusDoc::MidiFormats m_previous;
};

TEST_F(MidiDocumentTest, OpensMidiFilesAndSaysWhatItCouldNotRead)
{
    const std::vector<uint8_t> note = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00};
    const std::string whole = File("whole.mid");
    writeFile(whole, SmfBytes().Header(1, 2, 96).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00}).Track(note).Bytes());
    MCOpusDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(whole), 1);
    EXPECT_EQ(doc.GetHeader()->GetFormat(), MCOpusHeader::formatMidi1);
    const auto notes = PieceNotes(*doc.GetSequence());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_FLOAT_EQ(notes[0].length, 1.0f);
    EXPECT_TRUE(m_prompts.Texts().empty());

    // A track cut short: what it holds is opened, and the user is told.
    const std::string cut = File("cut.mid");
    writeFile(cut, SmfBytes().Header(0, 1, 96).Track(note, 400).Bytes());
    MCOpusDoc partial;
    ASSERT_EQ(partial.OnOpenDocument(cut), 1);
    EXPECT_EQ(PieceNotes(*partial.GetSequence()).size(), 1u);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find("cut short"), std::string::npos) << m_prompts.Texts()[0];
    EXPECT_NE(m_prompts.Texts()[0].find("cut.mid"), std::string::npos);

    // A RIFF MIDI file.
    const std::vector<uint8_t> smf = SmfBytes().Header(0, 1, 96).Track(note).Bytes();
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i)
        riff.push_back(static_cast<uint8_t>(smf.size() >> (8 * i)));
    riff.insert(riff.end(), smf.begin(), smf.end());
    riff[4] = static_cast<uint8_t>(riff.size() - 8);
    const std::string rmi = File("song.rmi");
    writeFile(rmi, riff);
    MCOpusDoc wrapped;
    ASSERT_EQ(wrapped.OnOpenDocument(rmi), 1);
    EXPECT_EQ(PieceNotes(*wrapped.GetSequence()).size(), 1u);
    EXPECT_EQ(wrapped.GetHeader()->GetFormat(), MCOpusHeader::formatMidi0);
}

TEST_F(MidiDocumentTest, AMidiFileItCannotReadIsRefusedWithOneMessage)
{
    const std::string bad = File("bad.mid");
    writeFile(bad, SmfBytes().Header(0, 1, 0).Track({0x00, 0xFF, 0x2F, 0x00}).Bytes());
    m_prompts.Clear();
    MCOpusDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(bad), 0);
    // One message, which names the file and the cause.
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_TRUE(m_prompts.Texts()[0].starts_with("Unable to open MIDI file")) << m_prompts.Texts()[0];
    EXPECT_NE(m_prompts.Texts()[0].find("bad.mid"), std::string::npos) << m_prompts.Texts()[0];
    EXPECT_NE(m_prompts.Texts()[0].find("division is 0"), std::string::npos) << m_prompts.Texts()[0];
    EXPECT_EQ(doc.GetBaseEvent(), nullptr);
}

TEST_F(MidiDocumentTest, SavesTheSequencesEventsAsAMidiFile)
{
    // Saved as MIDI without the question whether to save in the native format instead.
    SaveIntPreference("Settings\\Save", "PromptKVD", 0);
    MCOpusDoc doc;
    FillPiece(doc, 2, 8);
    const std::vector<MidiNote> piece = PieceNotes(*doc.GetSequence());
    ASSERT_EQ(piece.size(), 16u);
    for (const int format : {MCOpusHeader::formatMidi0, MCOpusHeader::formatMidi1}) {
        SCOPED_TRACE(format);
        doc.GetHeader()->SetFormat(format);
        const std::string path = File(format == MCOpusHeader::formatMidi0 ? "out0.mid" : "out1.mid");
        ASSERT_EQ(doc.OnSaveDocument(path), 1);
        MCMidiMemFile file(path, readFile(path));
        MidiTestDocument target;
        MCMidiRead reader;
        ASSERT_EQ(reader.LoadMidiFile(file, target), 1) << reader.GetErrorText();
        EXPECT_EQ(reader.GetWarningText(), "");
        EXPECT_EQ(target.FileType(), format);
        // The file's channels are those the staves play on, not the notes' own.
        const auto withoutChannels = [](std::vector<MidiNote> list) {
            for (MidiNote& note : list)
                note.channel = 0;
            SortNotes(list);
            return list;
        };
        const std::vector<MidiNote> notes = withoutChannels(PieceNotes(target.GetSequence()));
        const std::vector<MidiNote> expected = withoutChannels(piece);
        ASSERT_EQ(notes.size(), expected.size());
        for (size_t i = 0; i < notes.size(); ++i)
            EXPECT_TRUE(SameNote(notes[i], expected[i], 1.0f / 480)) << i;
    }
}

}  // namespace

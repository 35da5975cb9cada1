#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/midifile/MCOpusMidiDocument.h"
#include "interface/midifile/MCRmiRead.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/states/SCFile.h"
#include "platform/core/MessageLoop.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

namespace {

// A parser of its own, kept as small as a reader can be: the notes a well-formed file holds,
// or nothing when the file is not one it can read to the end.
std::optional<std::vector<MidiNote>> ParseNotes(const std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    const auto u32 = [&](size_t i) {
        return static_cast<uint32_t>(bytes[i]) << 24 | static_cast<uint32_t>(bytes[i + 1]) << 16 |
               static_cast<uint32_t>(bytes[i + 2]) << 8 | bytes[i + 3];
    };
    if (bytes.size() < 14 || std::string(bytes.begin(), bytes.begin() + 4) != "MThd")
        return std::nullopt;
    const uint32_t headerLength = u32(4);
    const int format = bytes[8] << 8 | bytes[9];
    const int tracks = bytes[10] << 8 | bytes[11];
    const int division = bytes[12] << 8 | bytes[13];
    if (headerLength < 6 || division == 0 || (division & 0x8000) || format > 2)
        return std::nullopt;
    at = 8 + headerLength;
    std::vector<MidiNote> notes;
    double offset = 0.0;
    for (int track = 0; track < tracks;) {
        if (at + 8 > bytes.size())
            return std::nullopt;
        const uint32_t length = u32(at + 4);
        const bool isTrack = std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4) == "MTrk";
        at += 8;
        if (length > bytes.size() - at)
            return std::nullopt;
        const size_t end = at + length;
        if (!isTrack) {
            at = end;
            continue;
        }
        ++track;
        long ticks = 0;
        int running = 0;
        std::map<int, size_t> sounding;  // channel << 8 | key -> note
        const auto varLength = [&]() -> std::optional<long> {
            long value = 0;
            for (int i = 0; i < 4 && at < end; ++i) {
                const uint8_t byte = bytes[at++];
                value = value << 7 | (byte & 0x7F);
                if (!(byte & 0x80))
                    return value;
            }
            return std::nullopt;
        };
        while (at < end) {
            const auto delta = varLength();
            if (!delta || at >= end)
                return std::nullopt;
            ticks += *delta;
            const double time = offset * (format == 2) + static_cast<double>(ticks) / division;
            uint8_t status = bytes[at];
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                ++at;
                if (status == 0xFF && at++ >= end)
                    return std::nullopt;
                const auto size = varLength();
                if (!size || static_cast<size_t>(*size) > end - at)
                    return std::nullopt;
                at += static_cast<size_t>(*size);
                continue;
            }
            if (status >= 0xF0) {
                ++at;
                at += status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
                continue;
            }
            if (status & 0x80) {
                running = status;
                ++at;
            } else if (!running) {
                return std::nullopt;
            }
            const int kind = running & 0xF0;
            const size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            if (dataBytes > end - at)
                return std::nullopt;
            const int key = bytes[at];
            const int velocity = dataBytes == 2 ? bytes[at + 1] : 0;
            if (key & 0x80 || velocity & 0x80)
                return std::nullopt;
            at += dataBytes;
            const int channel = running & 0x0F;
            const int slot = channel << 8 | key;
            const bool on = kind == 0x90 && velocity > 0;
            const bool off = kind == 0x80 || (kind == 0x90 && velocity == 0);
            if (on || off) {
                if (auto found = sounding.find(slot); found != sounding.end()) {
                    MidiNote& note = notes[found->second];
                    note.length = static_cast<float>(time) - note.start;
                    if (note.length <= 0.0f)
                        note.length = 0.1f;
                    sounding.erase(found);
                }
                if (on) {
                    sounding[slot] = notes.size();
                    notes.push_back({static_cast<float>(time), -1.0f, key, channel, 0});
                }
            }
        }
        offset = static_cast<double>(ticks) / division;
    }
    SortNotes(notes);
    return notes;
}

class MidiCorpusTest : public ::testing::Test {
protected:
    SequencerEnvironment m_environment;
};

// Every file made to break readers is read or refused with a message; what is read of a file
// that is whole is what the parser above reads.
TEST_F(MidiCorpusTest, EveryFileIsReadOrRefusedAndTheNotesAgree)
{
    const std::filesystem::path folder = MidiCorpusFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of MIDI test files is not in this checkout";
    int loaded = 0;
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".mid")
            continue;
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = ReadWholeFile(entry.path());
        MidiTestDocument riffDoc;
        MCMidiMemFile riffFile(name, bytes);
        EXPECT_EQ(MCRmiRead().LoadRmiFile(riffFile, riffDoc), 0) << "no file here is a RIFF MIDI file";
        EXPECT_EQ(riffFile.GetPosition(), 0u);

        MidiTestDocument doc;
        MCMidiMemFile file(name, bytes);
        MCMidiRead reader;
        if (!reader.LoadMidiFile(file, doc)) {
            EXPECT_NE(reader.GetErrorText().find(name), std::string::npos) << reader.GetErrorText();
            EXPECT_EQ(file.GetPosition(), 0u);
            continue;
        }
        ++loaded;
        const auto expected = ParseNotes(bytes);
        if (!reader.GetWarningText().empty() || !expected)
            continue;
        ++compared;
        const std::vector<MidiNote> notes = PieceNotes(doc.GetSequence());
        ASSERT_EQ(notes.size(), expected->size());
        for (size_t i = 0; i < notes.size(); ++i)
            EXPECT_TRUE(SameNote(notes[i], (*expected)[i], 0.002f))
                << i << ": " << notes[i].start << " " << notes[i].key << " " << notes[i].length << " against "
                << (*expected)[i].start << " " << (*expected)[i].key << " " << (*expected)[i].length;
    }
    EXPECT_GT(loaded, 50);
    EXPECT_GT(compared, 50);
    RecordProperty("loaded", loaded);
    RecordProperty("compared", compared);
}

// What a piece holds that a MIDI file carries: its notes, its tempi and its meters.
struct PieceSummary {
    std::vector<MidiNote> notes;
    std::vector<std::pair<float, float>> tempi;
    std::vector<std::tuple<float, int, int>> meters;

    // With played, a note's channel is the one its staff plays it on (which is what a file
    // written from the piece says), rather than the one it was read with.
    PieceSummary(CSequence& sequence, bool played)
    {
        notes = PieceNotes(sequence);
        if (played) {
            notes.clear();
            for (DCsqBase* data = sequence.GetHead(); data; data = data->GetNext()) {
                auto* note = plat::dynamicDowncast<DCsqNote>(data);
                ECBase* owner = data->GetOwner();
                if (!note || !owner || owner->GetEventId() != EventId::Note)
                    continue;
                const MCVoiceTrack* word = owner->GetVoiceTrack();
                DCsqTrack* track = DCsqTrack::GetTrackData(static_cast<unsigned>(word->GetTrack()), 1, &sequence);
                const MCVoiceMap* map = track ? track->GetVoiceMap(word->GetVoice()) : nullptr;
                MidiNote entry;
                entry.start = owner->GetTime()->GetSeconds();
                entry.length = owner->GetDuration() ? owner->GetDuration()->GetSeconds() : 0.0f;
                entry.key = note->GetNoteOnData().GetDataByte1();
                entry.channel = map ? static_cast<int>(map->GetChannel()) : note->GetNoteOnData().GetStatusLSB();
                entry.track = word->GetTrack();
                notes.push_back(entry);
            }
            SortNotes(notes);
        }
        ECConductor* conductor = sequence.GetConductor();
        for (ECBase* mark : ConductorMarks(conductor, true))
            tempi.emplace_back(mark->GetTime()->GetSeconds(), static_cast<ECTempo*>(mark)->GetTempo(1.0f));
        for (ECBase* mark : ConductorMarks(conductor, false)) {
            auto* meter = static_cast<ECMeter*>(mark);
            meters.emplace_back(mark->GetTime()->GetSeconds(), meter->GetNumerator(), meter->GetDenominator());
        }
    }
};

// Each file that is read is written as a type 1 file, which our reader and the parser above
// read whole, and which holds the piece's notes, tempi and meters again.
TEST_F(MidiCorpusTest, EveryFileReadIsWrittenWholeAndReadBackTheSame)
{
    const std::filesystem::path folder = MidiCorpusFolder();
    if (folder.empty())
        GTEST_SKIP() << "the folder of MIDI test files is not in this checkout";
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& where : {folder, folder / ".." / "bench"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(where, error)) {
            if (entry.path().extension() == ".mid")
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    int written = 0;
    for (const std::filesystem::path& path : files) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        MCOpusDoc doc;
        MCOpusMidiDocument source(doc);
        MCMidiMemFile file(name, ReadWholeFile(path));
        MCMidiRead reader;
        // The states the load and the play preparation post reach the document before it
        // goes, however the file's checks end.
        struct PumpOnExit {
            ~PumpOnExit() { plat::MessageLoop::current().pump(); }
        } pump;
        if (!reader.LoadMidiFile(file, source))
            continue;
        // As the program opens a file: the sequence prepares the piece for playing.
        (new SCFile(1301))->Apply(doc.GetBaseEvent());
        const PieceSummary original(*doc.GetSequence(), true);
        MCMidiMemFile out("again.mid");
        ASSERT_EQ(MCMidiWrite().SaveMidiFile(out, source, 1, 480), 1);
        ++written;
        EXPECT_TRUE(ParseNotes(out.GetBytes())) << "the parser reads the file written to its end";

        MidiTestDocument target;
        out.Seek(0);
        MCMidiRead again;
        ASSERT_EQ(again.LoadMidiFile(out, target), 1) << again.GetErrorText();
        EXPECT_EQ(again.GetWarningText(), "");
        const PieceSummary back(target.GetSequence(), false);
        ASSERT_EQ(back.notes.size(), original.notes.size());
        for (size_t i = 0; i < back.notes.size(); ++i) {
            ASSERT_TRUE(SameNote(back.notes[i], original.notes[i], 0.003f))
                << i << ": " << back.notes[i].start << " " << back.notes[i].key << " c" << back.notes[i].channel << " "
                << back.notes[i].length << " against " << original.notes[i].start << " " << original.notes[i].key << " c"
                << original.notes[i].channel << " " << original.notes[i].length;
        }
        ASSERT_EQ(back.tempi.size(), original.tempi.size());
        for (size_t i = 0; i < back.tempi.size(); ++i) {
            EXPECT_NEAR(back.tempi[i].first, original.tempi[i].first, 0.003f) << i;
            EXPECT_NEAR(back.tempi[i].second, original.tempi[i].second, 0.01f) << i;
        }
        EXPECT_EQ(back.meters, original.meters);
    }
    EXPECT_GT(written, 50);
}

}  // namespace

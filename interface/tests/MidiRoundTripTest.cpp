#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/tests/MidiTestSupport.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace {

// A piece made at random from a seed: the events a sequence would hand the writer, and what
// the score must hold after the file is read back.
struct RandomPiece {
    struct Point {
        int track;
        int controller;  // -1: program
        uint32_t time;
        int value;
        bool operator<(const Point& o) const
        {
            return std::tie(track, controller, time, value) < std::tie(o.track, o.controller, o.time, o.value);
        }
        bool operator==(const Point& o) const
        {
            return std::tie(track, controller, time, value) == std::tie(o.track, o.controller, o.time, o.value);
        }
        friend std::ostream& operator<<(std::ostream& out, const Point& p)
        {
            return out << "(" << p.track << " " << p.controller << " " << p.time << " " << p.value << ")";
        }
    };
    std::vector<MidiNote> notes;
    std::set<Point> points;
    std::set<std::tuple<uint32_t, int, int>> meters;  // time, numerator, denominator
    std::vector<std::pair<uint32_t, float>> tempi;
    std::set<std::tuple<uint32_t, int, int>> keys;    // time, flats, mode
    std::set<std::tuple<int, int, std::string>> texts;  // track, type, text
    std::set<std::string> lyrics;

    RandomPiece(unsigned seed, MidiTestDocument& doc, bool format1)
    {
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        constexpr int tracks = 3;
        // Programs first, in track order, so a format 0 file gives each channel the track of
        // the same number.
        for (int track = 1; track <= tracks; ++track) {
            const int program = pick(0, 127);
            doc.Midi(0, track, static_cast<uint32_t>(0xC0 | (track - 1)) | static_cast<uint32_t>(program) << 8);
            points.insert({track, -1, 0, program});
        }
        // Bars of random meters, each change at its bar line, a tempo and a key now and then.
        static constexpr std::pair<int, int> kMeters[] = {{4, 4}, {3, 4}, {6, 8}, {2, 4}, {5, 8}};
        uint32_t bar = 0;
        std::pair<int, int> current{4, 4};
        const int bars = pick(4, 10);
        for (int i = 0; i < bars; ++i) {
            // A meter the same as the one in force is no change: the file has none.
            if (const auto next = kMeters[pick(0, 4)]; i == 0 || (pick(0, 2) == 0 && next != current)) {
                current = next;
                auto* meter = new ECMeter(static_cast<unsigned char>(current.first), static_cast<unsigned char>(current.second), 0);
                doc.Meta(bar, 0, meter);
                meters.insert({bar, current.first, current.second});
                if (i == 0 || pick(0, 1)) {
                    auto* tempo = new ECTempo;
                    tempo->SetTempo(static_cast<float>(pick(60, 180)), 1.0f);
                    doc.Meta(bar, 0, tempo);
                    tempi.emplace_back(bar, tempo->GetTempo(1.0f));
                }
                if (pick(0, 1)) {
                    auto* key = new ECKey(0, static_cast<unsigned char>(pick(0, 7)), static_cast<unsigned char>(pick(0, 1)));
                    key->SetVoiceTrack(0, 1);
                    doc.Meta(bar, 1, key);
                    keys.insert({bar, key->GetNumFlats(), key->GetMode()});
                }
            }
            bar += static_cast<uint32_t>(4000 * current.first / current.second);
        }
        // Notes on a grid of sixteenths, never two sounding at once on one key and channel.
        std::map<std::pair<int, int>, uint32_t> freeFrom;
        for (int i = 0; i < 60; ++i) {
            const int track = pick(1, tracks);
            const int key = pick(40, 80);
            uint32_t start = static_cast<uint32_t>(pick(0, static_cast<int>(bar / 250) - 4)) * 250;
            const uint32_t length = static_cast<uint32_t>(pick(1, 8)) * 250;
            uint32_t& free = freeFrom[{track, key}];
            if (start < free)
                start = free;
            free = start + length + 250;
            const uint32_t channel = static_cast<uint32_t>(track - 1);
            doc.Midi(start, track, 0x90 | channel | static_cast<uint32_t>(key) << 8 | static_cast<uint32_t>(pick(1, 127)) << 16);
            doc.Midi(start + length, track, 0x80 | channel | static_cast<uint32_t>(key) << 8 | 0x40u << 16);
            notes.push_back({start / 1000.0f, length / 1000.0f, key, static_cast<int>(channel), track});
        }
        for (int i = 0; i < 12; ++i) {
            const int track = pick(1, tracks);
            const int controller = pick(0, 1) ? 1 : 11;
            const uint32_t time = static_cast<uint32_t>(pick(1, static_cast<int>(bar / 250) - 1)) * 250;
            const int value = pick(0, 127);
            doc.Midi(time, track, static_cast<uint32_t>(0xB0 | (track - 1)) | static_cast<uint32_t>(controller) << 8 |
                                      static_cast<uint32_t>(value) << 16);
            points.insert({track, controller, time, value});
        }
        auto* marker = new ECText(14, "Part " + std::to_string(pick(1, 9)));
        doc.Meta(0, 0, marker);
        texts.insert({0, 14, marker->GetText()});
        auto* copyright = new ECText(1, "\xC2\xA9 Seed " + std::to_string(seed));
        doc.Meta(0, 0, copyright);
        texts.insert({0, 1, copyright->GetText()});
        if (format1) {
            auto* name = new ECText(3, "Voice " + std::to_string(seed));
            name->SetVoiceTrack(0, 2);
            doc.Meta(0, 2, name);
            texts.insert({2, 3, name->GetText()});
        }
        auto* lyric = new ECLyric("la" + std::to_string(seed));
        doc.Meta(1000, 1, lyric);
        lyrics.insert(lyric->GetText());
        SortNotes(notes);
    }
};

std::set<RandomPiece::Point> PiecePoints(CSequence& sequence)
{
    std::set<RandomPiece::Point> points;
    for (int track = 1; track <= 3; ++track) {
        CMidiEnvelopeMgr* manager = CMidiEnvelopeMgr::GetEnvMgr(&sequence, MCVoiceTrack(0, track), 0);
        if (!manager)
            continue;
        for (ECEnvelope* envelope : manager->GetEnvelopeList()) {
            const int id = envelope->GetEventId();
            if (id != EventId::ControllerEnv && id != EventId::PatchEnv)
                continue;
            for (int i = 0; i < envelope->GetPointCount(); ++i) {
                ECEnvPoint* point = envelope->GetPointAtIndex(i);
                const int controller = id == EventId::PatchEnv ? -1 : static_cast<ECControlChange*>(point)->GetControllerNum();
                const int number = id == EventId::PatchEnv ? ECPatchEnv::GetProgram(point->GetValue())
                                                           : static_cast<int>(point->GetValue());
                points.insert({track, controller, static_cast<uint32_t>(point->GetTime()->GetMSec()), number});
            }
        }
    }
    return points;
}

class MidiRoundTripTest : public ::testing::TestWithParam<std::tuple<int, unsigned>> {
protected:
    SequencerEnvironment m_environment;
};

TEST_P(MidiRoundTripTest, ExportThenImportKeepsThePiece)
{
    const auto [format, seed] = GetParam();
    MidiTestDocument source;
    source.GetSequence().Attach(source.CreatePerformance(1));
    auto* staves = new CCAddTrack;
    staves->AddMidiTrack(0, 3);
    staves->SetSynchronous(1);
    staves->Apply(source.GetPerformance());
    const RandomPiece piece(seed, source, format == 1);
    MCMidiMemFile file("round.mid");
    ASSERT_EQ(MCMidiWrite().SaveMidiFile(file, source, format, 480), 1);

    MidiTestDocument target;
    file.Seek(0);
    MCMidiRead reader;
    ASSERT_EQ(reader.LoadMidiFile(file, target), 1) << reader.GetErrorText();
    EXPECT_EQ(reader.GetWarningText(), "");
    EXPECT_EQ(target.FileType(), format + 1);

    const std::vector<MidiNote> notes = PieceNotes(target.GetSequence());
    ASSERT_EQ(notes.size(), piece.notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(SameNote(notes[i], piece.notes[i], 1.0f / 480)) << notes[i].start << " " << piece.notes[i].start;
        EXPECT_EQ(notes[i].track, piece.notes[i].track);
    }
    EXPECT_EQ(PiecePoints(target.GetSequence()), piece.points);

    std::set<std::tuple<uint32_t, int, int>> meters;
    for (ECBase* mark : ConductorMarks(target.Conductor(), false)) {
        auto* meter = static_cast<ECMeter*>(mark);
        meters.insert({static_cast<uint32_t>(mark->GetTime()->GetMSec()), meter->GetNumerator(), meter->GetDenominator()});
    }
    EXPECT_EQ(meters, piece.meters);
    std::vector<std::pair<uint32_t, float>> tempi;
    for (ECBase* mark : ConductorMarks(target.Conductor(), true))
        tempi.emplace_back(static_cast<uint32_t>(mark->GetTime()->GetMSec()), static_cast<ECTempo*>(mark)->GetTempo(1.0f));
    ASSERT_EQ(tempi.size(), piece.tempi.size());
    for (size_t i = 0; i < tempi.size(); ++i) {
        EXPECT_EQ(tempi[i].first, piece.tempi[i].first);
        EXPECT_NEAR(tempi[i].second, piece.tempi[i].second, 0.01f);
    }
    std::set<std::tuple<uint32_t, int, int>> keys;
    for (ECBase* mark : ListedElements(target.GetSequence(), EventId::Key)) {
        auto* key = static_cast<ECKey*>(mark);
        EXPECT_EQ(mark->GetVoiceTrack()->GetTrack(), 1);
        keys.insert({static_cast<uint32_t>(mark->GetTime()->GetMSec()), key->GetNumFlats(), key->GetMode()});
    }
    EXPECT_EQ(keys, piece.keys);
    std::set<std::tuple<int, int, std::string>> texts;
    for (ECBase* mark : ListedElements(target.GetSequence(), EventId::Text))
        texts.insert({mark->GetVoiceTrack()->GetTrack(), static_cast<ECText*>(mark)->GetTextType(), static_cast<ECText*>(mark)->GetText()});
    EXPECT_EQ(texts, piece.texts);
    std::set<std::string> lyrics;
    for (ECBase* mark : ListedElements(target.GetSequence(), EventId::Lyric))
        lyrics.insert(static_cast<ECLyric*>(mark)->GetText());
    EXPECT_EQ(lyrics, piece.lyrics);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MidiRoundTripTest,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(1u, 2u, 3u, 4u, 5u)));

}  // namespace

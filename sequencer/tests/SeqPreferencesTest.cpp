// The sequencer preferences: what start-up writes into a fresh store, what it repairs, and
// what an update hands to the sequence, its recorder and filters and the device manager.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/play/CSeqMetronome.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWaveOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Every value below a section, one "section/name=value" line each, sorted.
void Dump(const std::string& section, std::vector<std::string>& lines)
{
    plat::Profile& profile = plat::Profile::instance();
    for (const std::string& name : profile.valueNames(section))
        lines.push_back(section + "/" + name + "=" + profile.getString(section, name).value_or("?"));
    for (const std::string& child : profile.sectionNames(section))
        Dump(section + "\\" + child, lines);
}

std::string DumpText(const std::string& section)
{
    std::vector<std::string> lines;
    Dump(section, lines);
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// What start-up leaves in a fresh store on a machine with MIDI outputs and inputs and no wave
// devices; {tracks} stands for the recommended wave track count of this machine.
constexpr const char* kFreshStore = R"(Sequencer\Midi\Play/Step-play Threshold=0.100000
Sequencer\Midi\Play\Accents/Accent Duration percent=100
Sequencer\Midi\Play\Accents/Accent Velocity OFF percent=110
Sequencer\Midi\Play\Accents/Accent Velocity ON percent=130
Sequencer\Midi\Play\Accents/AccentDash Duration percent=100
Sequencer\Midi\Play\Accents/AccentDash Velocity OFF percent=110
Sequencer\Midi\Play\Accents/AccentDash Velocity ON percent=130
Sequencer\Midi\Play\Accents/AccentStaccato Duration percent=50
Sequencer\Midi\Play\Accents/AccentStaccato Velocity OFF percent=110
Sequencer\Midi\Play\Accents/AccentStaccato Velocity ON percent=130
Sequencer\Midi\Play\Accents/AccentWedge Duration percent=30
Sequencer\Midi\Play\Accents/AccentWedge Velocity OFF percent=110
Sequencer\Midi\Play\Accents/AccentWedge Velocity ON percent=130
Sequencer\Midi\Play\Accents/Dash Duration percent=100
Sequencer\Midi\Play\Accents/Dash Velocity OFF percent=100
Sequencer\Midi\Play\Accents/Dash Velocity ON percent=110
Sequencer\Midi\Play\Accents/DashStaccato Duration percent=70
Sequencer\Midi\Play\Accents/DashStaccato Velocity OFF percent=100
Sequencer\Midi\Play\Accents/DashStaccato Velocity ON percent=110
Sequencer\Midi\Play\Accents/Forzato Duration percent=100
Sequencer\Midi\Play\Accents/Forzato Velocity OFF percent=130
Sequencer\Midi\Play\Accents/Forzato Velocity ON percent=150
Sequencer\Midi\Play\Accents/Marcato Duration percent=100
Sequencer\Midi\Play\Accents/Marcato Velocity OFF percent=130
Sequencer\Midi\Play\Accents/Marcato Velocity ON percent=150
Sequencer\Midi\Play\Accents/MarcatoDash Duration percent=100
Sequencer\Midi\Play\Accents/MarcatoDash Velocity OFF percent=130
Sequencer\Midi\Play\Accents/MarcatoDash Velocity ON percent=150
Sequencer\Midi\Play\Accents/MarcatoStaccato Duration percent=50
Sequencer\Midi\Play\Accents/MarcatoStaccato Velocity OFF percent=130
Sequencer\Midi\Play\Accents/MarcatoStaccato Velocity ON percent=150
Sequencer\Midi\Play\Accents/MarcatoWedge Duration percent=30
Sequencer\Midi\Play\Accents/MarcatoWedge Velocity OFF percent=130
Sequencer\Midi\Play\Accents/MarcatoWedge Velocity ON percent=150
Sequencer\Midi\Play\Accents/Sforzando Duration percent=100
Sequencer\Midi\Play\Accents/Sforzando Velocity OFF percent=110
Sequencer\Midi\Play\Accents/Sforzando Velocity ON percent=130
Sequencer\Midi\Play\Accents/Sforzato Duration percent=100
Sequencer\Midi\Play\Accents/Sforzato Velocity OFF percent=130
Sequencer\Midi\Play\Accents/Sforzato Velocity ON percent=150
Sequencer\Midi\Play\Accents/Staccato Duration percent=50
Sequencer\Midi\Play\Accents/Staccato Velocity OFF percent=100
Sequencer\Midi\Play\Accents/Staccato Velocity ON percent=100
Sequencer\Midi\Play\Accents/Wedge Duration percent=30
Sequencer\Midi\Play\Accents/Wedge Velocity OFF percent=100
Sequencer\Midi\Play\Accents/Wedge Velocity ON percent=100
Sequencer\Midi\Thru/AutoSetRecord=1
Sequencer\Midi\Thru/AutoSetSelect=1
Sequencer\WaveAudio/Default Input Device=0
Sequencer\WaveAudio/Default Output Device=0
Sequencer\WaveAudio/Recommended Track Count={tracks}
Sequencer\WaveAudio/Track Count=-1
)";

class SeqPreferencesTest : public ::testing::Test {
protected:
    SeqPreferencesTest()
    {
        char pattern[] = "/tmp/quavix-seqprefs-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }
    ~SeqPreferencesTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    SequencerEnvironment m_environment;
    MemoryDevices m_devices{3, 1};
    std::string m_folder;
};

TEST_F(SeqPreferencesTest, StartUpCompletesAFreshStore)
{
    MCSeqPreferences::InitPreferences();
    std::string expected = kFreshStore;
    expected.replace(expected.find("{tracks}"), 8, std::to_string(CWaveOut::GetRecommendedTrackCount()));
    EXPECT_EQ(DumpText("Sequencer"), expected);
    // Running again changes nothing.
    MCSeqPreferences::InitPreferences();
    EXPECT_EQ(DumpText("Sequencer"), expected);
}

TEST_F(SeqPreferencesTest, StartUpRepairsWhatTheMachineCannotDo)
{
    SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", 5);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Device", -1);
    SaveIntPreference("Sequencer\\Midi\\Record", "Default Device", 0);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Device", 2);
    SaveFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", 0.0f);
    SaveIntPreference("Sequencer\\WaveAudio", "Track Count", 6);
    SaveIntPreference("Sequencer\\Midi\\Play\\Accents", "Marcato Duration percent", 90);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Channel", 3);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Enabled", 1);
    MCSeqPreferences::InitPreferences();
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Play", "Default Device", -9), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", "Device", -9), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Device", -9), 2);
    EXPECT_FLOAT_EQ(LoadFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", -9.0f), 0.001f);
    EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Track Count", -9), 6);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Play\\Accents", "Marcato Duration percent", -9), 90);
    EXPECT_EQ(m_devices.Wavegate().GetMidiThruDevice(), 2);
    EXPECT_EQ(m_devices.Wavegate().GetMidiThruChannel(), 2);
    EXPECT_EQ(m_devices.Wavegate().MidiThruEnabled(), 1);
}

TEST_F(SeqPreferencesTest, AnUpdateHandsEveryValueToItsReceiver)
{
    Piece piece;
    CSequence sequence;
    sequence.Attach(piece.Performance());
    SaveIntPreference("Sequencer\\Midi\\Record", "Default Device", 1);
    SaveIntPreference("Sequencer\\Midi\\Record", "Recording Configuration", 3);
    SaveIntPreference("Sequencer\\Midi\\Record", "Split Pitch", 48);
    SaveIntPreference("Sequencer\\Midi\\Record", "Ignore Device", 0);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Division 1", 8);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Division 2", 3);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Percent", 0);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Mode", 3);
    SaveIntPreference("Sequencer\\Midi\\Record\\Filter", "SysEx", 0);
    SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", 2);
    SaveIntPreference("Sequencer\\Midi\\Play", "Play Default Device", 1);
    SaveIntPreference("Sequencer\\Midi\\Play\\Filter", "Notes", 0);
    SaveIntPreference("Sequencer\\Midi\\Play", "Thin Controllers", 1);
    SaveIntPreference("Sequencer\\Midi\\Play", "AutoMute Tracks", 0);
    SaveFloatPreference("Sequencer\\Midi\\Play", "Pre-Record Allowance", 0.25f);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Device", 2);
    SaveIntPreference("Sequencer\\Midi\\Thru", "Channel", 6);
    SaveIntPreference("Sequencer\\Midi\\Save", "Ignore Filters", 1);
    SaveIntPreference("Sequencer\\WaveAudio", "Default Output Device", 4);
    SaveIntPreference("Sequencer\\Shuttle", "AutoStop", 0);
    SaveIntPreference("Sequencer\\Shuttle", "Replace Mode", 1);
    SaveIntPreference("Sequencer\\Shuttle", "LeadInCount", 3);
    SaveIntPreference("Sequencer", "GlobalPPQ", 480);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Channel", 3);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Pitch 1", 60);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Velocity 1", 300);  // held to 127
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Pitch 2", 61);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Velocity 2", 90);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Play Enable", 1);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Record Enable", 0);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Source", 0);
    const long ppq = MCTime::GlobalPPQ;
    MCSeqPreferences::UpdatePreferences(&sequence);

    EXPECT_EQ(sequence.GetInputMidiDevice(), 1);
    EXPECT_EQ(sequence.GetMidiRecorder().GetRecordConfig(), 3);
    EXPECT_EQ(sequence.GetMidiRecorder().GetSplitPitch(), 48);
    EXPECT_EQ(sequence.GetMidiRecorder().IgnoresDevice(), 0);
    const LCsqQuantize& quantizer = sequence.GetMidiRecorder().GetQuantizer();
    EXPECT_EQ(quantizer.GetPrimaryDivision(), 8);
    EXPECT_EQ(quantizer.GetSecondaryDivision(), 3);
    EXPECT_EQ(quantizer.GetQuantizationMode(), 3u);
    EXPECT_EQ(quantizer.IsEnabled(), 0);  // a mode without a strength leaves it off
    auto* input = plat::dynamicDowncast<LCsqPreferences>(sequence.GetInputFilter(FilterPreferences));
    auto* output = plat::dynamicDowncast<LCsqPreferences>(sequence.GetOutputFilter(FilterPreferences));
    ASSERT_TRUE(input && output);
    EXPECT_EQ(input->EventTypeBlocked(LCsqPreferences::entrySysEx, 0), 1);
    EXPECT_EQ(input->EventTypeBlocked(LCsqPreferences::entryNotes, 0), 0);
    EXPECT_NE(sequence.GetMidiRecorder().FilterInput(FCMidi(0xF0u)), 0);
    EXPECT_EQ(output->EventTypeBlocked(LCsqPreferences::entryNotes, 0), 1);
    EXPECT_EQ(output->EventTypeThinned(LCsqPreferences::entryControllers, 0), 1);
    EXPECT_EQ(output->EventTypeThinned(LCsqPreferences::entryPolyPressure, 0), 1);
    EXPECT_EQ(output->EventTypeThinned(LCsqPreferences::entryPitchBend, 0), 0);
    EXPECT_EQ(sequence.GetOutputMidiDevice(), 2);
    EXPECT_EQ(m_devices.Wavegate().GetDefaultMidiDevice(), 2);
    EXPECT_EQ(m_devices.Wavegate().DefaultMidiDeviceEnabled(), 1);
    EXPECT_EQ(sequence.AutoMuteEnabled(), 0);
    EXPECT_FLOAT_EQ(sequence.GetPreRecordAllowance().GetSeconds(), 0.25f);
    // The thru is routed by selection and recording while they are on.
    EXPECT_EQ(m_devices.Wavegate().GetMidiThruDevice(), 0);
    SaveIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", 0);
    SaveIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", 0);
    MCSeqPreferences::UpdatePreferences(&sequence);
    EXPECT_EQ(m_devices.Wavegate().GetMidiThruDevice(), 2);
    EXPECT_EQ(m_devices.Wavegate().GetMidiThruChannel(), 5);
    EXPECT_EQ(sequence.GetOptions() >> 13 & 1, 1u);  // ignore filters while writing a file
    EXPECT_EQ(sequence.GetOutputWaveDevice(), 4);
    EXPECT_EQ(sequence.AutoStopEnabled(), 0);
    EXPECT_EQ(sequence.RecordReplaceEnabled(), 1);
    EXPECT_EQ(sequence.GetNumLeadInMeasures(), 3);
    EXPECT_EQ(MCTime::GlobalPPQ, 480);
    const CSeqMetronome& metronome = sequence.GetMetronome();
    EXPECT_EQ(metronome.GetPrimaryPulse().GetValue(), 0x7F3C92u);
    EXPECT_EQ(metronome.GetSecondaryPulse().GetValue(), 0x5A3D92u);
    EXPECT_EQ(metronome.MetroPlayEnabled(), 1);
    EXPECT_EQ(metronome.MetroRecordEnabled(), 0);
    EXPECT_EQ(metronome.GetMetronomeMidi(), 0);
    MCTime::SetGlobalPPQ(ppq);
    MCSeqPreferences::UpdatePreferences(nullptr);

    // Putting the filters back for the tests that follow: they are shared by every sequence.
    for (int entry = 0; entry < LCsqPreferences::entryCount; ++entry) {
        input->BlockEventType(entry, 0, 0);
        output->BlockEventType(entry, 0, 0);
    }
    output->ThinEventType(LCsqPreferences::entryControllers, 0, 0);
    output->ThinEventType(LCsqPreferences::entryPolyPressure, 0, 0);
}

TEST_F(SeqPreferencesTest, AStoredLeadInIsHeldToTheCountTheDialogAllows)
{
    Piece piece;
    CSequence sequence;
    sequence.Attach(piece.Performance());
    struct Case {
        int stored, want;
    };
    for (const Case& c : {Case{-7, 1}, Case{0, 1}, Case{4, 4}, Case{1000, 1000}, Case{5000, 1000}, Case{INT_MAX, 1000}}) {
        SaveIntPreference("Sequencer\\Shuttle", "LeadInCount", c.stored);
        MCSeqPreferences::UpdatePreferences(&sequence);
        EXPECT_EQ(sequence.GetNumLeadInMeasures(), c.want) << c.stored;
    }
    MCSeqPreferences::UpdatePreferences(nullptr);
}

TEST_F(SeqPreferencesTest, TheMetronomeClicksTheSameBeforeAndAfterAFreshProfileIsRead)
{
    Piece piece;
    CSequence sequence;
    sequence.Attach(piece.Performance());
    const uint32_t first = sequence.GetMetronome().GetPrimaryPulse().GetValue();
    const uint32_t second = sequence.GetMetronome().GetSecondaryPulse().GetValue();
    MCSeqPreferences::UpdatePreferences(&sequence);
    EXPECT_EQ(sequence.GetMetronome().GetPrimaryPulse().GetValue(), first);
    EXPECT_EQ(sequence.GetMetronome().GetSecondaryPulse().GetValue(), second);
    MCSeqPreferences::UpdatePreferences(nullptr);
}

TEST_F(SeqPreferencesTest, TheFilterEntriesHaveTheirNames)
{
    std::string name = "untouched";
    EXPECT_EQ(MCSeqPreferences::GetPlaybackEntry(name, 10), 0);
    EXPECT_EQ(MCSeqPreferences::GetRecordEntry(name, -1), 0);
    EXPECT_EQ(name, "untouched");
    std::vector<std::string> names;
    for (int entry = 0; entry < MCSeqPreferences::entryCount; ++entry) {
        EXPECT_EQ(MCSeqPreferences::GetPlaybackEntry(name, entry), 1);
        names.push_back(name);
        EXPECT_EQ(MCSeqPreferences::GetRecordEntry(name, entry), 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Aftertouch", "Channel Mode", "Controllers", "Notes", "NRPN", "Program Change",
                                               "Pitch Bend", "Poly Pressure", "RPN", "SysEx"}));
}

}  // namespace

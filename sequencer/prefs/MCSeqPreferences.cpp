#include "sequencer/prefs/MCSeqPreferences.h"

#include "notabase/prefs/Preferences.h"
#include "notabase/values/MCTime.h"
#include "sequencer/layers/LCsqAccent.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/play/CSeqMetronome.h"
#include "sequencer/record/CMidiRecorder.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <string>

std::array<int, MCSeqPreferences::entryCount> MCSeqPreferences::s_playbackEntries{};
std::array<int, MCSeqPreferences::entryCount> MCSeqPreferences::s_recordEntries{};
bool MCSeqPreferences::s_tablesFilled = false;

namespace {

constexpr const char* kRecord = "Sequencer\\Midi\\Record";
constexpr const char* kRecordFilter = "Sequencer\\Midi\\Record\\Filter";
constexpr const char* kPlay = "Sequencer\\Midi\\Play";
constexpr const char* kPlayFilter = "Sequencer\\Midi\\Play\\Filter";
constexpr const char* kThru = "Sequencer\\Midi\\Thru";
constexpr const char* kSave = "Sequencer\\Midi\\Save";
constexpr const char* kMetronome = "Sequencer\\Midi\\Metronome";
constexpr const char* kWaveAudio = "Sequencer\\WaveAudio";
constexpr const char* kShuttle = "Sequencer\\Shuttle";
constexpr const char* kSequencer = "Sequencer";

// The accent values in the order they are checked, with the defaults written for missing ones:
// those the accent filter takes, except that the staccato durations are 50.
constexpr int kAccentOrder[LCsqAccent::accentTypeCount] = {0, 4, 2, 7, 5, 10, 3, 11, 1, 8, 6, 9, 12, 13, 14};
constexpr const char* kAccentSuffix[3] = {" Duration percent", " Velocity ON percent", " Velocity OFF percent"};

int writtenAccentDefault(int type, int which)
{
    const bool staccato = type == 0 || type == 5 || type == 6;
    return which == 0 && staccato ? 50 : LCsqAccent::DefaultPercent(type, which);
}

// The number of devices of a kind (0 MIDI, 1 wave) and direction (0 in, 1 out); 0 without a
// media layer.
int deviceCount(int type, int direction)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    return wavegate ? wavegate->GetDeviceCount(type, direction) : 0;
}

void checkDevice(const char* section, const char* name, int count)
{
    const int device = LoadIntPreference(section, name, 0);
    if (device < 0 || device >= count)
        SaveIntPreference(section, name, 0);
}

// A stored value that says "missing" is written as the default.
void completeInt(const char* section, const char* name, int missing, int value)
{
    if (LoadIntPreference(section, name, missing) == missing)
        SaveIntPreference(section, name, value);
}

}  // namespace

MCSeqPreferences::MCSeqPreferences()
{
    if (s_tablesFilled)
        return;
    s_playbackEntries.fill(1);
    s_recordEntries.fill(1);
    s_tablesFilled = true;
}

// Fills the tables when the library loads.
static const MCSeqPreferences s_preferences;

void MCSeqPreferences::InitPreferences()
{
    checkDevice(kMetronome, "Device", deviceCount(0, 1));
    checkDevice(kPlay, "Default Device", deviceCount(0, 1));
    float threshold = LoadFloatPreference(kPlay, "Step-play Threshold", 0.1f);
    if (!(threshold >= 0.001f))
        threshold = 0.001f;
    SaveFloatPreference(kPlay, "Step-play Threshold", threshold);
    checkDevice(kRecord, "Default Device", deviceCount(0, 0));
    checkDevice(kThru, "Device", deviceCount(0, 1));
    checkDevice(kWaveAudio, "Default Output Device", deviceCount(1, 1));
    SaveIntPreference(kWaveAudio, "Recommended Track Count", CWaveOut::GetRecommendedTrackCount());
    SaveIntPreference(kWaveAudio, "Track Count", LoadIntPreference(kWaveAudio, "Track Count", -1));
    checkDevice(kWaveAudio, "Default Input Device", deviceCount(1, 0));
    completeInt(kThru, "AutoSetSelect", -10, 1);
    completeInt(kThru, "AutoSetRecord", -10, 1);
    if (CWavegate* wavegate = CWavegate::GetWavegate()) {
        wavegate->ConnectMidiThru(LoadIntPreference(kThru, "Device", 0), LoadIntPreference(kThru, "Channel", 0, 0, 16) - 1);
        wavegate->EnableMidiThru(LoadIntPreference(kThru, "Enabled", kThruEnabledDefault) == 1 ? 1 : 0);
    }
    for (const int type : kAccentOrder) {
        for (int which = 0; which < 3; ++which) {
            const std::string name = std::string(LCsqAccent::AccentName(type)) + kAccentSuffix[which];
            completeInt(LCsqAccent::kSection, name.c_str(), -1, writtenAccentDefault(type, which));
        }
    }
}

void MCSeqPreferences::UpdatePreferences(CSequence* sequence)
{
    if (!sequence)
        return;
    CWavegate* wavegate = CWavegate::GetWavegate();

    sequence->SetInputMidiDevice(LoadIntPreference(kRecord, "Default Device", 0));
    CMidiRecorder& recorder = sequence->GetMidiRecorder();
    recorder.SetRecordConfig(LoadIntPreference(kRecord, "Recording Configuration", 0));
    recorder.SetSplitPitch(LoadIntPreference(kRecord, "Split Pitch", 60));
    recorder.SetIgnoresDevice(LoadIntPreference(kRecord, "Ignore Device", 1));
    LCsqQuantize& quantizer = recorder.GetQuantizer();
    quantizer.SetPrimaryDivision(LoadIntPreference(kRecord, "Quantization Division 1", 4));
    quantizer.SetSecondaryDivision(LoadIntPreference(kRecord, "Quantization Division 2", 0));
    const int percent = LoadIntPreference(kRecord, "Quantization Percent", 100);
    quantizer.SetQuantizationPercent(percent);
    const int mode = LoadIntPreference(kRecord, "Quantization Mode", 0);
    quantizer.SetQuantizationMode(static_cast<unsigned>(mode));
    quantizer.SetEnabled(mode > 0 && percent > 0 ? 1 : 0);

    if (auto* input = plat::dynamicDowncast<LCsqPreferences>(sequence->GetInputFilter(FilterPreferences))) {
        for (int entry = 0; entry < entryCount; ++entry)
            input->BlockEventType(entry, 0, LoadIntPreference(kRecordFilter, LCsqPreferences::EntryName(entry), 1) == 0 ? 1 : 0);
    }

    const int playDevice = LoadIntPreference(kPlay, "Default Device", 0);
    sequence->SetOutputMidiDevice(playDevice);
    if (wavegate) {
        wavegate->SetDefaultMidiDevice(playDevice);
        wavegate->EnableDefaultMidiDevice(LoadIntPreference(kPlay, "Play Default Device", 0));
    }
    if (auto* output = plat::dynamicDowncast<LCsqPreferences>(sequence->GetOutputFilter(FilterPreferences))) {
        for (int entry = 0; entry < entryCount; ++entry)
            output->BlockEventType(entry, 0, LoadIntPreference(kPlayFilter, LCsqPreferences::EntryName(entry), 1) == 0 ? 1 : 0);
        const int thinControllers = LoadIntPreference(kPlay, "Thin Controllers", 0);
        output->ThinEventType(LCsqPreferences::entryControllers, 0, thinControllers);
        output->ThinEventType(LCsqPreferences::entryPolyPressure, 0, thinControllers);
        output->ThinEventType(LCsqPreferences::entryPitchBend, 0, LoadIntPreference(kPlay, "Thin Pitch Bend", 0));
        output->ThinEventType(LCsqPreferences::entryAftertouch, 0, LoadIntPreference(kPlay, "Thin Aftertouch", 0));
    }
    sequence->EnableAutoMute(LoadIntPreference(kPlay, "AutoMute Tracks", 1));
    sequence->SetPreRecordAllowance(MCTime(LoadFloatPreference(kPlay, "Pre-Record Allowance", 0.5f)));

    const int thruEnabled = LoadIntPreference(kThru, "Enabled", kThruEnabledDefault) == 1 ? 1 : 0;
    const int autoSetSelect = LoadIntPreference(kThru, "AutoSetSelect", 1);
    const int autoSetRecord = LoadIntPreference(kThru, "AutoSetRecord", 1);
    if (wavegate) {
        wavegate->EnableMidiThru(thruEnabled);
        // Otherwise selecting and recording route the thru.
        if (autoSetSelect == 0 && autoSetRecord == 0)
            wavegate->ConnectMidiThru(LoadIntPreference(kThru, "Device", 0), LoadIntPreference(kThru, "Channel", 0, 0, 16) - 1);
    }

    sequence->SetIgnoreTrackStates(LoadIntPreference(kSave, "Ignore Track State", 1));
    sequence->SetIgnoreFilters(LoadIntPreference(kSave, "Ignore Filters", 0));
    sequence->SetIgnoreFlowControl(LoadIntPreference(kSave, "Ignore Repeats", 0));

    // The two clicks: note-ons on the metronome's channel, held to what a message can carry.
    CSeqMetronome& metronome = sequence->GetMetronome();
    const auto dataByte = [](int value) { return static_cast<MIDIWORD>(std::clamp(value, 0, 127)); };
    const int channel = LoadIntPreference(kMetronome, "Channel", CSeqMetronome::kDefaultChannel);
    const MIDIWORD status = 0x90u | static_cast<MIDIWORD>(std::clamp(channel, 1, 16) - 1);
    const auto click = [&](const char* pitch, int defaultPitch, const char* velocity, int defaultVelocity) {
        return status | dataByte(LoadIntPreference(kMetronome, pitch, defaultPitch)) << 8 |
               dataByte(LoadIntPreference(kMetronome, velocity, defaultVelocity)) << 16;
    };
    const MIDIWORD first =
        click("Pitch 1", CSeqMetronome::kDefaultPitch1, "Velocity 1", CSeqMetronome::kDefaultVelocity1);
    const MIDIWORD second =
        click("Pitch 2", CSeqMetronome::kDefaultPitch2, "Velocity 2", CSeqMetronome::kDefaultVelocity2);
    metronome.EnableMetroPlay(LoadIntPreference(kMetronome, "Play Enable", 0));
    metronome.EnableMetroRecord(LoadIntPreference(kMetronome, "Record Enable", 1));
    metronome.SetMetronomeMidi(LoadIntPreference(kMetronome, "Source", 1));
    metronome.SetMetronomeDevice(static_cast<unsigned>(std::max(0, LoadIntPreference(kMetronome, "Device", 0))));
    metronome.SetPrimaryPulse(FCMidi(first));
    metronome.SetSecondaryPulse(FCMidi(second));

    sequence->SetInputWaveDevice(LoadIntPreference(kWaveAudio, "Default Input Device", 0));
    sequence->SetOutputWaveDevice(LoadIntPreference(kWaveAudio, "Default Output Device", 0));
    sequence->EnableAutoRewind(LoadIntPreference(kShuttle, "AutoRewind", 1));
    sequence->EnableAutoStop(LoadIntPreference(kShuttle, "AutoStop", 1));
    sequence->EnableRecordReplace(LoadIntPreference(kShuttle, "Replace Mode", 0) == 1 ? 1 : 0);
    sequence->EnableRecordLeadIn(LoadIntPreference(kShuttle, "LeadInEnabled", 1));
    sequence->SetNumLeadInMeasures(LoadIntPreference(kShuttle, "LeadInCount", 2, 1, kMaxLeadInMeasures));
    sequence->EnableLoopRecordLeadIn(LoadIntPreference(kShuttle, "LeadInLoop", 1));
    MCTime::SetGlobalPPQ(LoadIntPreference(kSequencer, "GlobalPPQ", static_cast<int>(MCTime::GlobalPPQ)));
}

int MCSeqPreferences::GetPlaybackEntry(std::string& name, int entry)
{
    if (entry < 0 || entry >= entryCount)
        return 0;
    name = LCsqPreferences::EntryName(entry);
    return s_playbackEntries[static_cast<size_t>(entry)];
}

int MCSeqPreferences::GetRecordEntry(std::string& name, int entry)
{
    if (entry < 0 || entry >= entryCount)
        return 0;
    name = LCsqPreferences::EntryName(entry);
    return s_recordEntries[static_cast<size_t>(entry)];
}

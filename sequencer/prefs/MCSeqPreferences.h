#pragma once

#include "sequencer/SequencerExport.h"

#include <array>
#include <string>

class CSequence;

// The sequencer's gateway to its preferences: it repairs and completes the stored values once
// when the library starts, pushes every sequencer preference into a sequence and the media
// layer whenever they change, and names the ten event-type entries of the play and record
// filters for the preference pages.
class SEQUENCER_API MCSeqPreferences {
public:
    static constexpr int entryCount = 10;
    // "Enabled" of "Sequencer\Midi\Thru" on a fresh profile: MIDI thru off, so that a keyboard
    // that sounds by itself is not heard twice until the user asks for thru.
    static constexpr int kThruEnabledDefault = 0;
    // The most measures a recording's lead-in counts, stored or typed.
    static constexpr int kMaxLeadInMeasures = 1000;

    // The first construction fills both entry tables with 1.
    MCSeqPreferences();
    MCSeqPreferences(const MCSeqPreferences&) = default;
    MCSeqPreferences& operator=(const MCSeqPreferences&) { return *this; }

    // Device indices past the devices present become 0, the step-play threshold is at least
    // 0.001, and missing values (the thru switches, the track count, the 45 accent values) are
    // written; then the MIDI thru routing and switch are set. Called by InitSequencer.
    static void InitPreferences();
    // Reads every sequencer preference anew and hands it to the sequence, its recorder and
    // quantizer, the two preference filters and the media layer; nothing for null.
    static void UpdatePreferences(CSequence* sequence);
    // For an entry 0-9: its name into the text and its value in the play or record table (1);
    // 0, text unchanged, for any other index.
    static int GetPlaybackEntry(std::string& name, int entry);
    static int GetRecordEntry(std::string& name, int entry);

private:
    static std::array<int, entryCount> s_playbackEntries;
    static std::array<int, entryCount> s_recordEntries;
    static bool s_tablesFilled;
};

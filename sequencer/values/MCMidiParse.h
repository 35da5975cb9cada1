#pragma once

#include "sequencer/SequencerExport.h"

#include <string>

class CSequence;
class FCMidi;
class FCMidiSysEx;
class MCTime;
class MCVoiceTrack;

// One MIDI message as a line of fixed-layout text for an event monitor or a trace: its bytes in
// hexadecimal, the kind of message in a fixed-width column, then its fields.
class SEQUENCER_API MCMidiParse {
public:
    MCMidiParse();
    explicit MCMidiParse(CSequence* sequence);
    MCMidiParse(const MCMidiParse& other) = default;
    MCMidiParse& operator=(const MCMidiParse& other) = default;
    ~MCMidiParse() = default;

    // The message's text; a system-exclusive message shows its bytes (at most 20).
    const std::string& ParseMidi(const FCMidi& message);
    // "time trk track(voice) -- count: text".
    const std::string& ParseMidi(const MCTime& time, const MCVoiceTrack& voiceTrack, unsigned int count, const FCMidi& message);

    CSequence* GetSequence() const { return m_sequence; }

protected:
    // The controller's 20-character name; null for 128 and above.
    static const char* ParseController(const FCMidi& message);
    static std::string ParseSysEx(const FCMidiSysEx* message);

private:
    std::string m_message;
    std::string m_line;
    CSequence* m_sequence = nullptr;
};

#pragma once

#include "rack/outside/plinthtune/PlinthTuneExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rack {

// A Standard MIDI File (or the one inside a RIFF MIDI file) read into one list of timed
// messages: every track merged, ticks turned into milliseconds through the tempo changes.
// Everything in the file is bounded by the file: a length that runs past its end, a file
// over kMaxFileBytes or a message of the wrong shape refuses the whole file.
class PLINTHTUNE_API MidiFile {
public:
    struct Event {
        double ms = 0;
        // A channel message, packed with the status in the low byte; 0 for a system-
        // exclusive message, whose bytes are sysex[sysexIndex].
        uint32_t packed = 0;
        uint32_t sysexIndex = 0;
    };

    static constexpr size_t kMaxFileBytes = 16 << 20;

    // The file at path; nullopt with the reason in error when it cannot be played.
    static std::optional<MidiFile> read(const std::string& path, std::string& error);
    // The same from bytes already read.
    static std::optional<MidiFile> parse(const std::vector<uint8_t>& bytes, std::string& error);

    // In time order; messages at the same time in the order of their tracks.
    const std::vector<Event>& events() const { return m_events; }
    const std::vector<std::vector<uint8_t>>& sysex() const { return m_sysex; }
    // The time of the last event of any track (end-of-track included).
    double lengthMs() const { return m_lengthMs; }

private:
    std::vector<Event> m_events;
    std::vector<std::vector<uint8_t>> m_sysex;
    double m_lengthMs = 0;
};

}  // namespace rack

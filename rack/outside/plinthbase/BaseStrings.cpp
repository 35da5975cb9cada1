#include "rack/outside/plinthbase/BaseStrings.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

namespace rack {

namespace {

constexpr std::pair<int, std::string_view> kStrings[] = {
    {2, "Stereo Rack"},
    {256, "The recording has reached the disk limit and was stopped. What was recorded is kept."},
    {275, "Open Wave Files"},
    {277, "Open MIDI Files"},
    {298, "MIDI Files (*.mid *.midi *.rmi)|*.mid *.midi *.rmi|All Files (*)|*"},
    {299, "Wave Files (*.wav)|*.wav|All Files (*)|*"},
    {314, "Recording"},
    {315, "MIDI Feed-through"},
    {320, "Untitled Recording"},
    {512, "Stereo Rack"},
    {513, "No wave input device can be opened: the rack cannot record."},
    {514, "No wave output device can be opened: the rack cannot play waves."},
    {517, "The MIDI input device could not be opened. MIDI feed-through is off."},
    {518, "The MIDI output device could not be opened. MIDI feed-through is off."},
    {521, "The wave deck is playing. Stop it before opening another wave file."},
    {522, "The wave deck is recording. Stop it before opening another wave file."},
    {523, "The MIDI deck is playing. Stop it before opening another MIDI file."},
    {528, "The MIDI file could not be played: the MIDI output device did not open, or the file is damaged."},
    {549, "Track"},
    {564, "There is not enough room on the disk to record."},
    {568, "None of the dropped files could be loaded."},
    {570, "Some of the dropped files could not be loaded."},
    {576, "MIDI Editor"},
    {577, "Wave Editor"},
    {580, "The MIDI file could not be handed to the MIDI editor."},
    {581, "No wave editor is set up. Name the command that starts one as RunWaveEditor in the [Setup] section "
          "of %s."},
    {582, "The wave editor could not be started: %s"},
    {768, "Recording Stopped"},
    {770, "Writing the recording failed, and the recording was stopped. What was written is kept."},
    {1264, "Close Wave"},
    {1296, "The wave %s holds a recording that is not saved. Save it before it is closed?"},
    {1298, "The wave %s already holds sound. Record over it? (No records into a new wave.)"},
    {1301, "The file %s is read-only: it cannot be recorded over."},
    {1400, "The file %s is not a wave file the rack can play (PCM, 8 or 16 bits, mono or stereo)."},
    {1401, "The file %s is not a MIDI file the rack can play."},
    {1402, "The wave could not be saved as %s."},
    {1403, "The file %s cannot be opened: it is missing, cannot be read, or is neither a wave nor a MIDI file."},
    {1404, "The wave %s cannot be played: its file is missing or damaged, or the wave output does not take its "
           "format."},
    {1405, "The recording cannot be written to %s."},
    {1406, "The wave input device does not open for the recording's format: nothing is recorded."},
    {1410, "No CD drive was found."},
    {1411, "There is no audio CD in the drive."},
    {1412, "The CD could not be read: it holds no audio tracks that can be played."},
    {1689, "&About Stereo Rack..."},
    {1690, "Always on &Top"},
    {1700, "Stereo Rack\n\nPlays wave and MIDI files and audio CDs from its decks, and records wave audio."},
    {1701, "Stereo Rack help: the toolbar buttons show and hide the mixer and the decks; the Options menu "
           "sets continuous play, MIDI input and recording."},
};

}  // namespace

std::string GetString(int id, size_t size)
{
    const auto* found = std::find_if(std::begin(kStrings), std::end(kStrings),
                                     [id](const auto& entry) { return entry.first == id; });
    if (found == std::end(kStrings) || size == 0)
        return {};
    std::string text(found->second);
    if (text.size() >= size) {
        size_t cut = size - 1;
        // Back up to the start of a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.resize(cut);
    }
    return text;
}

}  // namespace rack

#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <QPoint>

#include <string_view>

namespace rack {

struct RackState;

// The rack's keys of PLINTHRC.INI: when each is read, by which rule, and when it is written.
class RACKCORE_API RackProfile {
public:
    // Read rules of the values.
    // On unless the second character is 'F' or 'f' ("On", "Off").
    static bool readOnOff(std::string_view value);
    // On when the first character is 'Y' or 'y'.
    static bool readYes(std::string_view value);
    // Off when the first character is 'N' or 'n'.
    static bool readNotNo(std::string_view value);
    // "X" as the first character: (1, 1); else two numbers "left top", each 1 when it
    // cannot be read.
    static QPoint readLocation(std::string_view value);

    // At start-up: [Stereo] MidiInputDevice, MidiFeedthru and the loops; [Setup] the
    // features and Verbosity; [CD] ExitPlaying and CDProtocol.
    static void readStartup(RackState& state);
    // When the frame is made: OnTop and the Start keys (a deck whose feature is absent is
    // hidden).
    static void readBands(RackState& state);
    static QPoint windowLocation();

    // The first copy's path, in [Setup] RunStereo.
    static void writeRunStereo(std::string_view programPath);
    static void writeOnTop(bool onTop);
    static void writeWindowLocation(const QPoint& topLeft);
    static void writeMidiInputDevice(int device);
    // At shutdown, in this order: [Stereo] StartToolbar, StartMixer, StartWave, StartMidi,
    // StartCD, WaveLoop, MidiLoop, MidiFeedthru, CDLoop; [CD] ExitPlaying, CDProtocol.
    static void writeShutdown(const RackState& state);
};

}  // namespace rack

#pragma once

#include "notabase/NotabaseExport.h"

namespace plat {
struct RuntimeClass;
}
class ECBase;

// Element type ids: the position of each element class name in the alphabetical order of all
// element class names, taken without regard to case. 63, 68 and 69 belong to no class.
namespace EventId {
enum : int {
    Accent = 0,
    Accidental = 1,
    Arpeggio = 2,
    BankLSB = 3,
    BankMSB = 4,
    Barline = 5,
    Base = 6,
    Beam = 7,
    Brac = 8,
    ChannelMode = 9,
    ChannelPressure = 10,
    ChanPressureEnv = 11,
    Chord = 12,
    ChordSymbol = 13,
    Clef = 14,
    Conductor = 15,
    ConductorMeasure = 16,
    ConductorStaff = 17,
    ControlChange = 18,
    ControllerEnv = 19,
    Dot = 20,
    Dynamic = 21,
    Envelope = 22,
    EnvPoint = 23,
    FlowControl = 24,
    Frame = 25,
    Glissando = 26,
    GraceNote = 27,
    Group = 28,
    Key = 29,
    Lyric = 30,
    LyricBlock = 31,
    Measure = 32,
    Meter = 33,
    MeterEnv = 34,
    Mirror = 35,
    Mordent = 36,
    Note = 37,
    NRPNEnv = 38,
    NRPNPoint = 39,
    Ornament = 40,
    Pan = 41,
    PatchEnv = 42,
    Pedal = 43,
    Performance = 44,
    PitchBend = 45,
    PitchBendEnv = 46,
    PolyPressure = 47,
    PolyPressureEnv = 48,
    ProgramChange = 49,
    Repeat = 50,
    Rest = 51,
    RPNEnv = 52,
    RPNPoint = 53,
    Slur = 54,
    Staff = 55,
    SystemMessage = 56,
    Tempo = 57,
    TempoEnv = 58,
    Text = 59,
    Tie = 60,
    Track = 61,
    Transpose = 62,
    Tremolo = 64,
    Trill = 65,
    Tuplet = 66,
    Turn = 67,
    Wave = 70,
    WaveTrack = 71,
    WithChild = 72,
    WithTime = 73,
    WithTimeChild = 74,
    Count = 75,
};

// The elements a walk visits but does not descend into unless told otherwise: what they span
// is reached through its own parents.
inline constexpr int defaultClip[] = {Beam, Slur, Tie, Glissando};
}  // namespace EventId

// The runtime class of a creatable element id; null for the ids without a class, the envelope
// containers and points, the bank selects, the glissando, any id outside 0..74, and the
// classes that are not part of this program.
NOTABASE_API const plat::RuntimeClass* GetEventRuntimeClass(int id);
// A new element of a creatable id with reference count 0, owned by the caller; null for the
// others.
NOTABASE_API ECBase* CreateEvent(int id);

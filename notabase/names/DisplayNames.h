#pragma once

#include "notabase/NotabaseExport.h"

#include <string>

class ECBase;

// The words every window shows for the elements of a piece and their kinds, mostly from the
// library's string table, and the numbers that named marks stand for. A code without a name
// gives an empty string (or the words or number said below); nothing here fails.

// The name of an element id: "Note", "Staff", ...; empty for the ids without one (envelopes,
// points, bank selects and the ids of no class).
NOTABASE_API std::string GetEventString(int eventId);
// The name of an element: the fixed word of accents, accidentals, clefs, dots, mordents,
// ornaments and repeats; by its kind for a chord symbol (its quality), a dynamic (its mark),
// a flow control (its jump), a tempo mark (its word) and a text (its kind), which may be
// empty; the name of its id for every other element. Empty for null.
NOTABASE_API std::string GetEventString(ECBase* event);

// Fixed words, whatever the type.
NOTABASE_API std::string GetAccentString(unsigned char type);
NOTABASE_API std::string GetAccidentalString(unsigned char type);
NOTABASE_API std::string GetClefString(unsigned char type);
NOTABASE_API std::string GetDotString(unsigned char type);
NOTABASE_API std::string GetMordentString(unsigned char type);
NOTABASE_API std::string GetOrnamentString(unsigned char type);
NOTABASE_API std::string GetRepeatString(unsigned char type);

// The quality text of a chord symbol flavor, 1..27.
NOTABASE_API std::string GetChordSymbolString(unsigned char flavor);
// "pppp" .. "ffff" for 0..9, "cresc.", "decresc.", "dim." for 11..13, "User Defined" for 16.
NOTABASE_API std::string GetDynamicString(unsigned char type);
// The jumps of flow control types 5..12: "Fine", "D.C.", ...
NOTABASE_API std::string GetFlowString(unsigned char type);
// The word of a tempo mark type: "Largo", "accel.", "a tempo" and so on; empty for the plain
// metronome mark, the pause without a word and unknown types.
NOTABASE_API std::string GetTempoString(unsigned char type);
// The kind of a text type 1..20: "Title", "Composer", ...
NOTABASE_API std::string GetTextString(unsigned char type);

// A key number as a note name: mode 1 with flats ("Db4"), mode 2 with sharps ("C#4"), any
// other mode the number itself. Middle C, 60, is "C4".
NOTABASE_API std::string GetPitchString(unsigned char pitch, int mode);
// Mode 0 the number; mode 2 the number and the name ("  7)  Volume"); any other mode the name.
NOTABASE_API std::string GetControllerString(unsigned char number, int mode);
NOTABASE_API std::string GetPolyPressureString(unsigned char note);
// The registered and non-registered parameters that have names; "Unknown function" for others.
NOTABASE_API std::string GetRPNString(int msb, int lsb, unsigned long unused);
NOTABASE_API std::string GetNRPNString(int msb, int lsb, unsigned long unused);
NOTABASE_API std::string GetPatchString();
NOTABASE_API std::string GetPitchBendString();
NOTABASE_API std::string GetChanPressureString();

// The quarter notes per minute of a tempo word (types 2 to 20), kept as the preference "BPM" of
// the section "Settings\Tempo\<word>"; a missing preference is stored with the word's default.
// Types without a word have no preference of their own and answer 60.
NOTABASE_API int GetTempoValue(int type);
// The fastest tempo word (2 to 20) whose tempo is at or below bpm; 2 below the slowest.
NOTABASE_API int GetTempoType(int bpm);
// The MIDI velocity of a dynamic, kept as the preference "Midi Value" of the section
// "Settings\Dynamics\<name>"; a missing preference is stored with the default. Types without a
// name have no preference of their own and answer their default.
NOTABASE_API int GetDynamicValue(int type);
// The loudest dynamic 0..9 whose velocity is at or below velocity; 0 below the softest.
NOTABASE_API int GetDynamicType(int velocity);
// The Standard MIDI File meta-event type of a text kind, and back.
NOTABASE_API int GetTextValue(unsigned char textType);
NOTABASE_API int GetTextType(int metaType, int first);
// The straight line through (x1, y1) and (x2, y2); slope and offset 0 when x1 equals x2.
NOTABASE_API void SetScaleParams(float x1, float x2, float y1, float y2, float& slope, float& offset);

#pragma once

#include "notabase/NotabaseExport.h"

#include <string>

// The words the windows show for marks of a piece, and the numbers named marks stand for.

// The word of a tempo mark type: "Largo", "accel.", "a tempo" and so on; empty for the plain
// metronome mark, the pause without a word and unknown types.
NOTABASE_API std::string GetTempoString(unsigned char type);
// The quarter notes per minute of a tempo word (types 2 to 20), kept as the preference "BPM" of
// the section "Settings\Tempo\<word>". A missing preference is stored with the word's default.
NOTABASE_API int GetTempoValue(int type);
// The fastest tempo word (2 to 20) whose tempo is at or below bpm; 2 below the slowest.
NOTABASE_API int GetTempoType(int bpm);

#pragma once

#include "notabase/NotabaseExport.h"

class MCCommandList;
class MCEventList;

// Turns a selection into the commands that delete it, appended to the list: what lies below
// another selected element goes with it; clefs, keys and meters after time 0 through their own
// remove commands, envelope marks (dynamics, pedals, tempo marks, transpositions) one remove
// command each, a track name is emptied rather than removed, and everything else goes into the
// list's one CCRemove. Structural elements (staves, measures, bars, barlines, beams, dots, the
// performance) are not removed this way. 1 when the list then holds any command; 0 for a null
// selection.
NOTABASE_API int ConfigureRemove(MCEventList* selection, MCCommandList& commands);

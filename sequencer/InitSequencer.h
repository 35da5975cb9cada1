#pragma once

#include "sequencer/SequencerExport.h"

// The start-up of the Sequencer library, called once by the program: registers the sequencer
// data class of each playable element type and loads the sequencer preferences. Returns the
// number of registrations, 25.
SEQUENCER_API int InitSequencer();

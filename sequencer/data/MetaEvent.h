#pragma once

#include "sequencer/events/CSeqEvent.h"

class CSequence;
class DCsqBase;

// While the sequence writes a MIDI file, appends a meta event for the data at its element's
// time, on the track of the element's staff; nothing otherwise, nor for a track the file
// leaves out.
void AddMetaEvent(DCsqBase* data, CSeqEventList& list, CSequence* sequence);

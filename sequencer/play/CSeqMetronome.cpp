#include "sequencer/play/CSeqMetronome.h"

PLAT_IMPLEMENT_DYNAMIC(CSeqMetronome, CSeqPlay)

#include "sequencer/play/CSeqMetronome.h"

PLAT_IMPLEMENT_DYNAMIC(CSeqMetronome, CSeqPlay)

CWGEventList& CSeqMetronome::GetOutputEvents(const MCTime& /*until*/, int finishing, int& done)
{
    done = finishing ? 1 : 0;
    return m_clicks;
}

CWGEventList& CSeqMetronome::GetOutputState(const MCTime& /*time*/)
{
    return m_clicks;
}

#include "sequencer/play/CSeqPlay.h"

PLAT_IMPLEMENT_DYNAMIC(CSeqPlay, plat::Object)

CSeqPlay::~CSeqPlay() = default;

void CSeqPlay::Attach(CSequence* sequence)
{
    m_sequence = sequence;
}

void CSeqPlay::Detach()
{
    FlushQueues();
    m_sequence = nullptr;
}

void CSeqPlay::PrepareToPlay() {}

void CSeqPlay::PrepareToStop() {}

void CSeqPlay::PrepareToPause() {}

void CSeqPlay::FlushQueues()
{
    m_output.clear();
}

CWGEventList& CSeqPlay::GetOutputEvents(const MCTime& /*until*/, int finishing, int& done)
{
    done = finishing ? 1 : 0;
    return m_output;
}

CWGEventList& CSeqPlay::GetOutputState(const MCTime& /*time*/)
{
    return m_output;
}

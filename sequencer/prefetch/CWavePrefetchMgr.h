#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"

class CSequence;

// The wave prefetch of a sequence, which prepares the wave clips ahead of the play position.
// So far it keeps its sequence and prepares nothing; its calls do nothing.
class SEQUENCER_API CWavePrefetchMgr {
public:
    CWavePrefetchMgr() = default;
    CWavePrefetchMgr(const CWavePrefetchMgr&) = delete;
    CWavePrefetchMgr& operator=(const CWavePrefetchMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    void DoPrefetch(const MCTime& /*time*/, int /*locate*/) {}
    void Reset(const MCTime& /*time*/) {}

private:
    CSequence* m_sequence = nullptr;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

class ECEnvelope;

// Transposes notes, polyphonic pressure and the portamento-control controller (whose value is a
// note number) by the value of a transposition envelope at the event's time plus the
// transposition of the event's track. The envelope belongs to the staff; the filter only
// points at it. Stored as its LCBase record.
class SEQUENCER_API LCsqTranspose : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqTranspose)
public:
    LCsqTranspose() = default;
    LCsqTranspose(const LCsqTranspose& other) = default;
    LCsqTranspose& operator=(const LCsqTranspose& other) = default;

    LCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    void ProcessEvent(CSeqEvent* event, CSeqEventList& list) override;

    void SetEnvelope(ECEnvelope* envelope) { m_envelope = envelope; }
    ECEnvelope* GetEnvelope() const { return m_envelope; }

private:
    ECEnvelope* m_envelope = nullptr;
};

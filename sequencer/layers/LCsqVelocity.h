#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

class ECEnvelope;

// Scales the velocity of note ons by the value of a velocity envelope at the event's time.
// Without an envelope it leaves every event alone. The envelope is not owned, and a copy does
// not take it. Stored as its LCBase record.
class SEQUENCER_API LCsqVelocity : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqVelocity)
public:
    LCsqVelocity() = default;
    LCsqVelocity(const LCsqVelocity& other) : LCsqBase(other) {}
    LCsqVelocity& operator=(const LCsqVelocity& other)
    {
        LCsqBase::operator=(other);
        return *this;
    }

    LCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    void ProcessEvent(CSeqEvent* event, CSeqEventList& list) override;

    void SetEnvelope(ECEnvelope* envelope) { m_envelope = envelope; }
    ECEnvelope* GetEnvelope() const { return m_envelope; }

private:
    ECEnvelope* m_envelope = nullptr;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/FCMidiSysEx.h"
#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a system message: a short message (the inherited one) or a
// system-exclusive message. Played on the conductor's tracks.
class SEQUENCER_API DCsqSysMsg : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqSysMsg)
public:
    DCsqSysMsg() = default;
    DCsqSysMsg(const DCsqSysMsg& other) : DCsqMidi(other), m_sysEx(other.m_sysEx) {}
    DCsqSysMsg& operator=(const DCsqSysMsg& other);
    // System messages are never equal to anything.
    bool operator==(const DCsqSysMsg&) const { return false; }
    bool operator!=(const DCsqSysMsg&) const { return true; }

    // The message record, then a 32-bit byte count and the system-exclusive bytes.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // The short message when it has data, else the system-exclusive message.
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;

    const FCMidiSysEx& GetSysExData() const { return m_sysEx; }
    void SetSysExData(const FCMidiSysEx& message) { m_sysEx = message; }

private:
    FCMidiSysEx m_sysEx;
};

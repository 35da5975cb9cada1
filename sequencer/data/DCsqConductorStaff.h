#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqStaff.h"

#include "notabase/model/ECTempo.h"
#include "platform/core/RefPtr.h"

#include <vector>

// The sequencer data of the conductor staff. Its envelopes are the conductor staff's meter and
// tempo maps.
class SEQUENCER_API DCsqConductorStaff : public DCsqStaff {
    PLAT_DECLARE_SERIAL(DCsqConductorStaff)
public:
    enum : int { envelopeMeter = 34, envelopeTempo = 58 };

    int GetClassType() const override;
    int GetTrackType() const override;
    // The meter map for type 34, the tempo map for 58; null for other types.
    ECEnvelope* GetEnvelope(int type, unsigned long flags, int voice, int a, int b) override;
    // Appends that map and answers 1; 0 for other types.
    int GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice) override;
    // While a MIDI file is written: a tempo meta event at the start of a window from 0, and one
    // for each value the tempo map takes in the window. The events name the data of tempo marks
    // made for them, which stay alive until the next file's first window (the file writer reads
    // them after the events are gathered); playing makes nothing.
    void GetEnvelopeData(const MCTime& from, const MCTime& to, CSeqEventList& list) override;

private:
    // Appends a meta event of a temporary tempo mark of the value at the time.
    void AddTempoEvent(const MCTime& time, float value, CSeqEventList& list);

    std::vector<plat::RefPtr<ECTempo>> m_exportTempos;
};

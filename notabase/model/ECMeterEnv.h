#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

class ECMeter;

// The meter map of a piece: its meters in time order, a child of the conductor staff. Besides
// the meter in force at a time it converts between musical time (quarter notes) and
// bar/pulse/tick positions (bars and pulses from 0, ticks at a given resolution). Each meter
// caches the position at which it begins; the positions are recomputed whenever a meter is
// added, removed or loaded, and must be recomputed explicitly (RecalculateBPTTimes) after the
// global resolution or a meter changes in place.
class NOTABASE_API ECMeterEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECMeterEnv)
public:
    ECMeterEnv();
    ECMeterEnv(const ECMeterEnv& other);
    ECMeterEnv& operator=(const ECMeterEnv& other);

    // The ECEnvelope record; a loaded map holds meters only and recomputes their positions.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Takes meters only (each takes the map's voice/track word); then recomputes the positions.
    int AddChild(ECBase* child, int sorted) override;
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;

    // Converts a musical time in place to bar/pulse/tick at the resolution; other modes are
    // left alone. Before the first meter, or with none, the position is 0:0:0.
    void GetBarPulseTick(MCTime& time, int ppq);
    // Converts a bar/pulse/tick time in place back to musical time; other modes are left alone,
    // and so is every time while the map holds no meter.
    void GetNormalizedTime(MCTime& time);
    // Recomputes the position of every meter, counted through the meter before it. Nothing is
    // changed unless the first meter stands at time 0.
    void RecalculateBPTTimes();

protected:
    // The position of a musical time counted from a meter.
    void GetBPTFromMeter(ECMeter* meter, const MCTime& time, int& bar, int& pulse, int& tick, int ppq);
    // The musical time of a position counted from a meter.
    void GetTimeFromMeter(ECMeter* meter, MCTime& time, int bar, int pulse, int tick, int ppq);
};

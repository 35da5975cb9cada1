#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECMeter.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

// A snapshot of one meter that a meter command keeps: the meter (held), its time and bar length
// when the snapshot was taken, and whether the command takes it out of the meter map. The
// sequencer reads these from processed meter commands to keep its playback data in step.
class NOTABASE_API CCMeterInfo {
public:
    explicit CCMeterInfo(ECMeter* meter);

    ECMeter* GetMeter() const { return m_meter.get(); }
    MCTime& GetTime() { return m_time; }
    // The bar length in quarter notes.
    MCTime& GetDuration() { return m_duration; }
    void SetRemove(int remove) { m_remove = remove; }
    int ShouldRemove() const { return m_remove; }

private:
    plat::RefPtr<ECMeter> m_meter;
    MCTime m_time;
    MCTime m_duration;
    int m_remove = 0;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/states/SCBase.h"
#include "notabase/values/MCTime.h"

// A position (1900 current time, 1901 play or record position, 1902 metronome lead-in,
// 1905-1908 region bounds, 1910 position after a jump). The class counts its living states:
// the metronome sends no further time state while three or more exist.
class NOTABASE_API SCTime : public SCBase {
public:
    SCTime();
    SCTime(int code, const MCTime& time);
    SCTime(int code, int leadInPulse, int leadInMeasure);
    SCTime(const SCTime& other);
    SCTime& operator=(const SCTime& other) = default;
    ~SCTime() override;

    virtual MCTime& GetTime() { return m_time; }
    virtual void SetTime(const MCTime& time) { m_time = time; }
    int GetLeadInPulse() const { return m_leadInPulse; }
    int GetLeadInMeasure() const { return m_leadInMeasure; }

    // The number of SCTime objects that exist.
    static int GetLiveCount();

private:
    MCTime m_time;
    int m_leadInPulse = 0;
    int m_leadInMeasure = 0;
};

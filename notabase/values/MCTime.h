#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>

namespace plat {
class Archive;
}

// A bar/pulse/tick position with the tick resolution it is counted in.
struct NOTABASE_API BPTTime {
    int32_t bar;
    int32_t pulse;
    int32_t tick;
    int32_t ppq;
};

// The time value of the whole system. In modes 0 (musical time in quarter notes), 1 (absolute),
// 3 (clock seconds) and 4 (unwrapped) it is a plain float; in mode 2 it is a bar/pulse/tick
// record. The record is kept inline rather than on the heap: the value behaves exactly as an
// owning deep-copied record would, without an allocation per mode-2 value.
class NOTABASE_API MCTime {
public:
    enum Mode : uint8_t { normal = 0, absolute = 1, barPulseTick = 2, clock = 3, unwrapped = 4 };

    MCTime() = default;
    MCTime(float value) : m_float(value) {}
    MCTime(int bar, int pulse, int tick, int ppq);
    MCTime(const MCTime& other) = default;
    MCTime& operator=(const MCTime& other) = default;
    MCTime& operator=(float value);

    // The tick resolution of the system, pulses per quarter note.
    static long GlobalPPQ;
    // Stores ppq clamped to 10..1000 in GlobalPPQ; returns 1.
    static int SetGlobalPPQ(long ppq);

    static const MCTime& TimeZero();
    // The time of an element that has none: the most negative float.
    static const MCTime& TimeNull();
    static const MCTime& TimeMax();

    float GetSeconds() const { return isRecord() ? 0.0f : m_float; }
    void SetSeconds(float seconds);
    long GetMSec() const;
    void SetMSec(long ms);
    long GetTicks(long ppq) const;
    void SetTicks(long ticks, long ppq);
    void AddTicks(long ticks, long ppq);

    void SetBarPulseTick(const BPTTime& bpt);
    void SetBarPulseTick(int bar, int pulse, int tick, int ppq);
    // Rescales the record's tick to a new resolution, keeping its position.
    void SetPPQ(int ppq);
    // The record in mode 2; null in the float modes.
    BPTTime* GetBarPulseTick() { return isRecord() ? &m_bpt : nullptr; }
    const BPTTime* GetBarPulseTick() const { return isRecord() ? &m_bpt : nullptr; }

    unsigned char GetMode() const { return m_mode; }
    void SetMode(unsigned char mode);

    MCTime& operator+=(const MCTime& other);
    MCTime& operator-=(const MCTime& other);
    MCTime& operator*=(float factor);
    MCTime& operator/=(float divisor);
    MCTime operator/(const MCTime& other) const;
    MCTime operator%(const MCTime& other) const;
    MCTime operator-() const;

    bool operator==(const MCTime& other) const;
    bool operator!=(const MCTime& other) const { return !(*this == other); }
    bool operator>=(const MCTime& other) const;
    bool operator<=(const MCTime& other) const;
    bool operator>(const MCTime& other) const { return !(*this <= other); }
    bool operator<(const MCTime& other) const { return !(*this >= other); }

    // Stores the mode byte and the float or the record; loads the same under version 1 and
    // later, a bare float below version 1 (the mode is then left as it was).
    void Serialize(plat::Archive& archive, int version);

private:
    bool isRecord() const { return m_mode == barPulseTick; }
    void leaveRecord();
    static MCTime recordZero();

    union {
        float m_float = 0.0f;
        BPTTime m_bpt;
    };
    uint8_t m_mode = normal;
};

inline MCTime operator+(const MCTime& a, const MCTime& b)
{
    if (a.GetMode() == MCTime::barPulseTick || b.GetMode() == MCTime::barPulseTick)
        return MCTime(0.0f);
    return MCTime(a.GetSeconds() + b.GetSeconds());
}

inline MCTime operator-(const MCTime& a, const MCTime& b)
{
    if (a.GetMode() == MCTime::barPulseTick || b.GetMode() == MCTime::barPulseTick)
        return MCTime(0.0f);
    return MCTime(a.GetSeconds() - b.GetSeconds());
}

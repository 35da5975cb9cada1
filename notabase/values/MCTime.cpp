#include "notabase/values/MCTime.h"

#include "platform/core/Archive.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <optional>

long MCTime::GlobalPPQ = 480;

namespace {

// A double converted to long, saturated at the limits of long instead of overflowing.
long saturatedLong(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(LONG_MAX))
        return LONG_MAX;
    if (value <= static_cast<double>(LONG_MIN))
        return LONG_MIN;
    return static_cast<long>(value);
}

int32_t saturatedInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    if (value <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Orders two bar/pulse/tick records by bar, then pulse, then tick position. Ticks of records
// with different resolutions compare as fractions of a pulse; when either resolution is not
// positive those ticks cannot be compared and the result is empty.
std::optional<int> compareRecords(const BPTTime& a, const BPTTime& b)
{
    if (a.bar != b.bar)
        return a.bar < b.bar ? -1 : 1;
    if (a.pulse != b.pulse)
        return a.pulse < b.pulse ? -1 : 1;
    if (a.ppq == b.ppq)
        return a.tick == b.tick ? 0 : (a.tick < b.tick ? -1 : 1);
    if (a.ppq < 1 || b.ppq < 1)
        return std::nullopt;
    const double fa = static_cast<double>(a.tick) / a.ppq;
    const double fb = static_cast<double>(b.tick) / b.ppq;
    return fa == fb ? 0 : (fa < fb ? -1 : 1);
}

}  // namespace

MCTime::MCTime(int bar, int pulse, int tick, int ppq) : m_bpt{bar, pulse, tick, ppq}, m_mode(barPulseTick)
{
}

MCTime& MCTime::operator=(float value)
{
    SetSeconds(value);
    return *this;
}

int MCTime::SetGlobalPPQ(long ppq)
{
    GlobalPPQ = ppq < 10 ? 10 : (ppq > 1000 ? 1000 : ppq);
    return 1;
}

const MCTime& MCTime::TimeZero()
{
    static const MCTime zero(0.0f);
    return zero;
}

const MCTime& MCTime::TimeNull()
{
    static const MCTime null(-FLT_MAX);
    return null;
}

const MCTime& MCTime::TimeMax()
{
    static const MCTime max(FLT_MAX);
    return max;
}

void MCTime::leaveRecord()
{
    if (isRecord()) {
        m_bpt = BPTTime{};
        m_float = 0.0f;
        m_mode = normal;
    }
}

MCTime MCTime::recordZero()
{
    return MCTime(0, 0, 0, static_cast<int>(GlobalPPQ));
}

void MCTime::SetSeconds(float seconds)
{
    leaveRecord();
    m_float = seconds;
}

long MCTime::GetMSec() const
{
    if (isRecord())
        return 0;
    return saturatedLong(static_cast<double>(m_float) * 1000.0 + 0.5);
}

void MCTime::SetMSec(long ms)
{
    leaveRecord();
    m_float = static_cast<float>(ms / 1000.0);
}

long MCTime::GetTicks(long ppq) const
{
    if (isRecord())
        return 0;
    return saturatedLong(static_cast<double>(ppq) * m_float + 0.5);
}

void MCTime::SetTicks(long ticks, long ppq)
{
    if (ppq == 0)
        return;
    leaveRecord();
    m_float = static_cast<float>(static_cast<double>(ticks) / ppq);
}

void MCTime::AddTicks(long ticks, long ppq)
{
    if (ppq == 0 || isRecord())
        return;
    m_float = static_cast<float>(m_float + static_cast<double>(ticks) / ppq);
}

void MCTime::SetBarPulseTick(const BPTTime& bpt)
{
    m_bpt = bpt;
    m_mode = barPulseTick;
}

void MCTime::SetBarPulseTick(int bar, int pulse, int tick, int ppq)
{
    SetBarPulseTick(BPTTime{bar, pulse, tick, ppq});
}

void MCTime::SetPPQ(int ppq)
{
    if (ppq <= 0 || !isRecord() || m_bpt.ppq <= 0 || m_bpt.ppq == ppq)
        return;
    // The product is formed in 64 bits so that large ticks cannot overflow.
    const int64_t product = static_cast<int64_t>(m_bpt.tick) * ppq;
    m_bpt.tick = saturatedInt32(std::floor(static_cast<double>(product) / m_bpt.ppq));
    m_bpt.ppq = ppq;
}

void MCTime::SetMode(unsigned char mode)
{
    if (mode == m_mode)
        return;
    if (isRecord()) {
        leaveRecord();
    } else if (mode == barPulseTick) {
        m_bpt = BPTTime{};
    }
    m_mode = mode;
}

MCTime& MCTime::operator+=(const MCTime& other)
{
    if (!isRecord() && !other.isRecord())
        m_float += other.m_float;
    return *this;
}

MCTime& MCTime::operator-=(const MCTime& other)
{
    if (!isRecord() && !other.isRecord())
        m_float -= other.m_float;
    return *this;
}

MCTime& MCTime::operator*=(float factor)
{
    if (!isRecord())
        m_float *= factor;
    return *this;
}

MCTime& MCTime::operator/=(float divisor)
{
    if (!isRecord() && divisor != 0.0f)
        m_float /= divisor;
    return *this;
}

MCTime MCTime::operator/(const MCTime& other) const
{
    if (isRecord())
        return recordZero();
    float d = other.GetSeconds();
    if (d == 0.0f)
        d = 1.0f;
    return MCTime(m_float / d);
}

MCTime MCTime::operator%(const MCTime& other) const
{
    if (isRecord())
        return recordZero();
    double d = other.GetSeconds();
    if (d == 0.0)
        d = 1.0;
    const double x = m_float;
    return MCTime(static_cast<float>(x - std::floor(x / d) * d));
}

MCTime MCTime::operator-() const
{
    if (isRecord())
        return recordZero();
    return MCTime(-m_float);
}

// Mode-2 values are ordered lexicographically (bar, pulse, tick), so that exactly one of <, ==
// and > holds for any two comparable records. A record against a float value compares only
// with 0.0, as the position bar 0, pulse 0, tick 0.
bool MCTime::operator==(const MCTime& other) const
{
    if (isRecord() != other.isRecord())
        return false;
    if (!isRecord())
        return m_float == other.m_float;
    const auto order = compareRecords(m_bpt, other.m_bpt);
    return order && *order == 0;
}

bool MCTime::operator>=(const MCTime& other) const
{
    if (isRecord() && other.isRecord()) {
        const auto order = compareRecords(m_bpt, other.m_bpt);
        return order && *order >= 0;
    }
    if (isRecord()) {
        if (other.m_float != 0.0f)
            return false;
        const BPTTime zero{0, 0, 0, m_bpt.ppq};
        return compareRecords(m_bpt, zero).value_or(-1) >= 0;
    }
    if (other.isRecord())
        return other <= *this;
    return m_float >= other.m_float;
}

bool MCTime::operator<=(const MCTime& other) const
{
    if (isRecord() && other.isRecord()) {
        const auto order = compareRecords(m_bpt, other.m_bpt);
        return order && *order <= 0;
    }
    if (isRecord()) {
        if (other.m_float != 0.0f)
            return false;
        const BPTTime zero{0, 0, 0, m_bpt.ppq};
        return compareRecords(m_bpt, zero).value_or(1) <= 0;
    }
    if (other.isRecord())
        return other >= *this;
    return m_float <= other.m_float;
}

void MCTime::Serialize(plat::Archive& archive, int version)
{
    if (archive.isStoring()) {
        archive.writeU8(m_mode);
        if (isRecord()) {
            archive.writeI32(m_bpt.bar);
            archive.writeI32(m_bpt.pulse);
            archive.writeI32(m_bpt.tick);
            archive.writeI32(m_bpt.ppq);
        } else {
            archive.writeFloat(m_float);
        }
        return;
    }
    if (version < 1) {
        const float value = archive.readFloat();
        if (isRecord())
            leaveRecord();
        m_float = value;
        return;
    }
    const uint8_t mode = archive.readU8();
    if (mode > unwrapped)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "time value with unknown mode " + std::to_string(mode));
    if (mode == barPulseTick) {
        BPTTime bpt{};
        bpt.bar = archive.readI32();
        bpt.pulse = archive.readI32();
        bpt.tick = archive.readI32();
        bpt.ppq = archive.readI32();
        m_bpt = bpt;
    } else {
        const float value = archive.readFloat();
        m_bpt = BPTTime{};
        m_float = value;
    }
    m_mode = mode;
}

#include "notabase/model/ECMeterEnv.h"

#include "notabase/model/ECMeter.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <climits>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(ECMeterEnv, ECEnvelope, plat::kVersionableSchema | 2)

namespace {

// Toward zero, held to the range of int: a time far out counts a bar number int cannot hold.
int truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

int saturated(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double ticksAsQuarters(int tick, int ppq)
{
    return ppq > 0 ? static_cast<double>(tick) / ppq : 0.0;
}

}  // namespace

ECMeterEnv::ECMeterEnv()
{
    SetDefaultValue(60.0f);
}

ECMeterEnv::ECMeterEnv(const ECMeterEnv& other) : ECEnvelope(other)
{
}

ECMeterEnv& ECMeterEnv::operator=(const ECMeterEnv& other)
{
    if (this != &other)
        ECEnvelope::operator=(other);
    return *this;
}

ECBase* ECMeterEnv::Copy(plat::Object* other)
{
    if (auto* map = plat::dynamicDowncast<ECMeterEnv>(other))
        *this = *map;
    return this;
}

int ECMeterEnv::GetEventId() const
{
    return EventId::MeterEnv;
}

int ECMeterEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

int ECMeterEnv::AddChild(ECBase* child, int sorted)
{
    // The positions are counted through meters; a map of anything else has none.
    if (!plat::dynamicDowncast<ECMeter>(child))
        return 0;
    if (!ECEnvelope::AddChild(child, sorted))
        return 0;
    child->SetVoiceTrack(GetVoiceTrack());
    RecalculateBPTTimes();
    return 1;
}

int ECMeterEnv::RemoveChild(ECBase* child, int recursive)
{
    if (!ECEnvelope::RemoveChild(child, recursive))
        return 0;
    RecalculateBPTTimes();
    return 1;
}

int ECMeterEnv::RemoveChildren(int recursive)
{
    if (!ECEnvelope::RemoveChildren(recursive))
        return 0;
    RecalculateBPTTimes();
    return 1;
}

void ECMeterEnv::Serialize(plat::Archive& archive)
{
    ECEnvelope::Serialize(archive);
    if (archive.isStoring())
        return;
    for (ECBase* point : *GetChildren()) {
        if (!plat::dynamicDowncast<ECMeter>(point))
            throw plat::ArchiveError(plat::ArchiveError::Cause::badClass, "a meter map holding a point that is not a meter");
    }
    RecalculateBPTTimes();
}

void ECMeterEnv::GetBPTFromMeter(ECMeter* meter, const MCTime& time, int& bar, int& pulse, int& tick, int ppq)
{
    const double measure = meter->GetMeasureLength();
    const double pulseLength = meter->GetPulse();
    const int numerator = meter->GetNumerator();
    if (measure == 0.0 || pulseLength == 0.0 || numerator == 0) {
        bar = pulse = tick = 0;
        return;
    }
    const double delta = static_cast<double>(time.GetSeconds()) - meter->GetTime()->GetSeconds();
    const double q = delta / measure;
    const int bars = truncated(q);
    const double inBar = (q - bars) * measure;
    const int pulses = truncated(inBar / pulseLength);
    const int ticks = truncated((inBar - pulses * pulseLength) * ppq + 0.5);
    const int ticksPerPulse = truncated(ppq * pulseLength + 0.5);
    const BPTTime& start = meter->GetBarPulseTick();
    // Summed wide: a time typed far out lands on the last bar int can count, not a wrapped one.
    long long wideBar = static_cast<long long>(start.bar) + bars;
    long long widePulse = static_cast<long long>(start.pulse) + pulses;
    long long wideTick = static_cast<long long>(start.tick) + ticks;
    if (wideTick >= ticksPerPulse) {
        wideTick -= ticksPerPulse;
        ++widePulse;
    }
    if (widePulse >= numerator) {
        widePulse -= numerator;
        ++wideBar;
    }
    bar = saturated(wideBar);
    pulse = saturated(widePulse);
    tick = saturated(wideTick);
}

void ECMeterEnv::GetTimeFromMeter(ECMeter* meter, MCTime& time, int bar, int pulse, int tick, int ppq)
{
    const double measure = meter->GetMeasureLength();
    const double pulseLength = meter->GetPulse();
    const BPTTime& start = meter->GetBarPulseTick();
    const double quarters = static_cast<double>(meter->GetTime()->GetSeconds())
                            + (static_cast<double>(bar) - start.bar) * measure
                            + (pulse * pulseLength + ticksAsQuarters(tick, ppq))
                            - (start.pulse * pulseLength + ticksAsQuarters(start.tick, start.ppq));
    time = *meter->GetTime();
    time.SetSeconds(static_cast<float>(quarters));
}

void ECMeterEnv::GetBarPulseTick(MCTime& time, int ppq)
{
    if (time.GetMode() != MCTime::normal)
        return;
    auto* meter = static_cast<ECMeter*>(GetPointBeforeEqual(time));
    if (!meter) {
        time.SetBarPulseTick(0, 0, 0, ppq);
        return;
    }
    if (*meter->GetTime() == time) {
        // The meter's own position, in the ticks asked for: positions cached at the global
        // resolution would otherwise come back in units the caller did not ask for.
        time.SetBarPulseTick(meter->GetBarPulseTick());
        time.SetPPQ(ppq);
        return;
    }
    int bar = 0;
    int pulse = 0;
    int tick = 0;
    GetBPTFromMeter(meter, time, bar, pulse, tick, ppq);
    time.SetBarPulseTick(bar, pulse, tick, ppq);
}

void ECMeterEnv::GetNormalizedTime(MCTime& time)
{
    const BPTTime* position = time.GetBarPulseTick();
    MCEventList& meters = *GetChildren();
    if (!position || meters.IsEmpty())
        return;
    // The last meter that begins at or before the position; positions compare bar first, then
    // pulse, then tick (ticks of different resolutions as fractions of a pulse).
    ECMeter* from = nullptr;
    for (MCPosition p = meters.GetTailPosition(); p;) {
        auto* meter = static_cast<ECMeter*>(meters.GetPrev(p));
        const MCTime start(meter->GetBarPulseTick().bar, meter->GetBarPulseTick().pulse,
                           meter->GetBarPulseTick().tick, meter->GetBarPulseTick().ppq);
        if (start > time)
            continue;
        if (start == time) {
            time = *meter->GetTime();
            return;
        }
        from = meter;
        break;
    }
    if (!from)
        from = static_cast<ECMeter*>(meters.GetHead());
    const BPTTime wanted = *position;
    GetTimeFromMeter(from, time, wanted.bar, wanted.pulse, wanted.tick, wanted.ppq);
}

void ECMeterEnv::RecalculateBPTTimes()
{
    MCEventList& meters = *GetChildren();
    if (meters.IsEmpty())
        return;
    auto* first = static_cast<ECMeter*>(meters.GetHead());
    if (*first->GetTime() != MCTime::TimeZero())
        return;
    const int ppq = static_cast<int>(MCTime::GlobalPPQ);
    first->SetBarPulseTick(0, 0, 0, ppq);
    ECMeter* previous = first;
    MCPosition p = meters.GetHeadPosition();
    meters.GetNext(p);
    while (p) {
        auto* meter = static_cast<ECMeter*>(meters.GetNext(p));
        int bar = 0;
        int pulse = 0;
        int tick = 0;
        GetBPTFromMeter(previous, *meter->GetTime(), bar, pulse, tick, ppq);
        meter->SetBarPulseTick(bar, pulse, tick, ppq);
        previous = meter;
    }
}

#include "sequencer/transport/CSequence.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"

#include <algorithm>
#include <cmath>

using namespace sequence_support;

// ---- time conversions

void CSequence::NormalizeTime(MCTime& time)
{
    Locked locked(*this);
    switch (time.GetMode()) {
    case MCTime::absolute:
        if (ECTempoEnv* map = m_followMap ? TempoMap() : nullptr) {
            // Measured from where the map's own inverse puts the reference, so that the
            // reference itself (where a play starts, a jump lands, a slice begins) comes back
            // as exactly the musical time it was, not a rounding step past it.
            MCTime origin = timeOf(m_normalizedReference.GetSeconds(), MCTime::normal);
            map->GetClockTime(origin);
            MCTime back = timeOf(origin.GetSeconds(), MCTime::clock);
            map->GetNormalizedTime(back);
            MCTime clock = timeOf(origin.GetSeconds() + (time.GetSeconds() - m_absoluteReference.GetSeconds()) * m_clockRate,
                                  MCTime::clock);
            map->GetNormalizedTime(clock);
            time = timeOf(m_normalizedReference.GetSeconds() + (clock.GetSeconds() - back.GetSeconds()), MCTime::normal);
            break;
        }
        time = timeOf((time.GetSeconds() - m_absoluteReference.GetSeconds()) * m_actualSpeed + m_normalizedReference.GetSeconds(),
                      MCTime::normal);
        break;
    case MCTime::barPulseTick: {
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        if (ECMeterEnv* meters = staff ? staff->GetMeterEnv() : nullptr)
            meters->GetNormalizedTime(time);
        break;
    }
    case MCTime::clock: {
        if (isNull(time)) {
            time.SetMode(MCTime::normal);
            break;
        }
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        if (ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr)
            tempo->GetNormalizedTime(time);
        break;
    }
    case MCTime::unwrapped:
        time = timeOf(time.GetSeconds() - m_unwrapOffset.GetSeconds(), MCTime::normal);
        break;
    default:
        break;
    }
}

void CSequence::AbsoluteTime(MCTime& time)
{
    Locked locked(*this);
    if (time.GetMode() == MCTime::barPulseTick)
        NormalizeTime(time);
    if (time.GetMode() != MCTime::normal)
        return;
    if (ECTempoEnv* map = m_followMap ? TempoMap() : nullptr) {
        MCTime clock = timeOf(time.GetSeconds(), MCTime::normal);
        MCTime reference = timeOf(m_normalizedReference.GetSeconds(), MCTime::normal);
        map->GetClockTime(clock);
        map->GetClockTime(reference);
        time = timeOf((clock.GetSeconds() - reference.GetSeconds()) / m_clockRate + m_absoluteReference.GetSeconds(),
                      MCTime::absolute);
        return;
    }
    time = timeOf((time.GetSeconds() - m_normalizedReference.GetSeconds()) / m_actualSpeed + m_absoluteReference.GetSeconds(),
                  MCTime::absolute);
}

float CSequence::LastNoteTimeWith(const DCsqBase* data, float last)
{
    ECBase* owner = data->GetOwner();
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!time)
        return last;
    const MCTime* duration = owner->GetDuration();
    switch (data->GetClassType()) {
    case SeqClassType::FlowControl:
        return std::max(last, time->GetSeconds());
    case SeqClassType::Note:
        return std::max(last, time->GetSeconds() + (duration ? duration->GetSeconds() : 0.0f));
    case SeqClassType::Wave: {
        // A clip lasts its seconds along the tempo map, and a quarter note more.
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr;
        if (!tempo)
            return last;
        MCTime end = *time;
        tempo->GetClockTime(end);
        end = timeOf(end.GetSeconds() + (duration ? duration->GetSeconds() : 0.0f), MCTime::clock);
        tempo->GetNormalizedTime(end);
        return end.GetSeconds() > last ? end.GetSeconds() + 1.0f : last;
    }
    default:
        return last;
    }
}

MCTime& CSequence::GetLastNoteTime()
{
    Locked locked(*this);
    float last = 0.0f;
    for (DCsqBase* data = m_head; data; data = data->GetNext())
        last = LastNoteTimeWith(data, last);
    m_lastNoteTime = MCTime(last + 0.001f);
    return m_lastNoteTime;
}

MCTime CSequence::GetLeadInTime()
{
    Locked locked(*this);
    m_leadInTime = MCTime(0.0f);
    if (RecordLeadInEnabled() && m_conductor) {
        const ECMeter* meter = m_conductor->GetMeterAtTime(isNull(m_location) ? MCTime::TimeZero() : m_location);
        if (meter)
            m_leadInTime = MCTime(static_cast<float>(m_leadInMeasures) * meter->GetMeasureLength());
    }
    return m_leadInTime;
}

void CSequence::UnwrappedTime(MCTime& time)
{
    Locked locked(*this);
    if (time.GetMode() == MCTime::barPulseTick)
        NormalizeTime(time);
    if (time.GetMode() != MCTime::normal)
        return;
    time = timeOf(time.GetSeconds() + m_unwrapOffset.GetSeconds(), MCTime::unwrapped);
}

void CSequence::ClockTime(MCTime& time)
{
    Locked locked(*this);
    if (time.GetMode() == MCTime::barPulseTick)
        NormalizeTime(time);
    if (time.GetMode() != MCTime::normal)
        return;
    if (isNull(time)) {
        time.SetMode(MCTime::clock);
        return;
    }
    if (ECTempoEnv* map = TempoMap())
        map->GetClockTime(time);
}

void CSequence::BarPulseTickTime(MCTime& time)
{
    Locked locked(*this);
    if (time.GetMode() == MCTime::absolute || time.GetMode() == MCTime::clock)
        NormalizeTime(time);
    if (time.GetMode() != MCTime::normal)
        return;
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    if (ECMeterEnv* meters = staff ? staff->GetMeterEnv() : nullptr)
        meters->GetBarPulseTick(time, MCTime::GlobalPPQ);
}

int CSequence::TimeInCurrentWindow(const MCTime* time)
{
    if (!time)
        return -1;
    Locked locked(*this);
    if (*time < m_windowBegin)
        return -1;
    return *time < m_windowEnd ? 0 : 1;
}

MCTime CSequence::GetStepRecordTime()
{
    Locked locked(*this);
    const MCTime result = m_stepTime;
    // Counted in fine ticks, so steps of triplets and dotted values add up without drift; a
    // step that lands a hair off a beat is put on it.
    constexpr long kTicks = 100000;
    MCTime duration = m_stepDuration;
    NormalizeTime(duration);
    MCTime next = m_stepTime;
    next.SetTicks(m_stepTime.GetTicks(kTicks) + duration.GetTicks(kTicks), kTicks);
    const float value = next.GetSeconds();
    const float above = std::ceil(value);
    const float below = std::floor(value);
    if (above - value <= 0.0015f)
        next = MCTime(above);
    else if (value - below <= 0.0015f)
        next = MCTime(below);
    m_stepTime = next;
    m_location = next;
    return result;
}

MCTime CSequence::GetStepRecordDuration()
{
    Locked locked(*this);
    MCTime duration = m_stepDuration;
    NormalizeTime(duration);
    return duration;
}

void CSequence::SetStepPlayThreshold(const MCTime& threshold)
{
    Locked locked(*this);
    m_stepPlayThreshold = threshold.GetSeconds() < 0.001f ? MCTime(0.001f) : threshold;
    SaveFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", m_stepPlayThreshold.GetSeconds());
}

void CSequence::SetPreRecordAllowance(const MCTime& allowance)
{
    Locked locked(*this);
    m_preRecordAllowance = allowance.GetSeconds() < 0.0f ? MCTime(0.0f) : allowance;
    SaveFloatPreference("Sequencer\\Midi\\Play", "Pre-Record Allowance", m_preRecordAllowance.GetSeconds());
}

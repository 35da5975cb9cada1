#include "sequencer/transport/CSequence.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"

#include <algorithm>

using namespace sequence_support;

// ---- time conversions

void CSequence::NormalizeTime(MCTime& time)
{
    Locked locked(*this);
    switch (time.GetMode()) {
    case MCTime::absolute:
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
    time = timeOf((time.GetSeconds() - m_normalizedReference.GetSeconds()) / m_actualSpeed + m_absoluteReference.GetSeconds(),
                  MCTime::absolute);
}

MCTime& CSequence::GetLastNoteTime()
{
    Locked locked(*this);
    float last = 0.0f;
    for (DCsqBase* data = m_head; data; data = data->GetNext()) {
        ECBase* owner = data->GetOwner();
        const MCTime* time = owner ? owner->GetTime() : nullptr;
        if (!time)
            continue;
        const MCTime* duration = owner->GetDuration();
        switch (data->GetClassType()) {
        case SeqClassType::FlowControl:
            last = std::max(last, time->GetSeconds());
            break;
        case SeqClassType::Note:
            last = std::max(last, time->GetSeconds() + (duration ? duration->GetSeconds() : 0.0f));
            break;
        case SeqClassType::Wave: {
            // A clip lasts its seconds along the tempo map, and a quarter note more.
            ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
            ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr;
            if (!tempo)
                break;
            MCTime end = *time;
            tempo->GetClockTime(end);
            end = timeOf(end.GetSeconds() + (duration ? duration->GetSeconds() : 0.0f), MCTime::clock);
            tempo->GetNormalizedTime(end);
            if (end.GetSeconds() > last)
                last = end.GetSeconds() + 1.0f;
            break;
        }
        default:
            break;
        }
    }
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

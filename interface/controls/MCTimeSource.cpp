#include "interface/controls/MCTimeSource.h"

#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/transport/CSequence.h"

namespace {

MCTimeSource::Provider& provider()
{
    static MCTimeSource::Provider active;
    return active;
}

}  // namespace

MCTimeSource::~MCTimeSource() = default;

void MCTimeSource::SetActiveProvider(Provider active)
{
    provider() = std::move(active);
}

MCTimeSource* MCTimeSource::Active()
{
    return provider() ? provider()() : nullptr;
}

void MCSequenceTimeSource::BarPulseTickTime(MCTime& time)
{
    if (time.GetMode() == MCTime::barPulseTick)
        return;
    if (time.GetMode() != MCTime::normal)
        m_sequence.NormalizeTime(time);
    ECConductor* conductor = m_sequence.GetConductor();
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    ECMeterEnv* meters = staff ? staff->GetMeterEnv() : nullptr;
    if (meters && conductor->GetMeterAtTime(time)) {
        meters->GetBarPulseTick(time, int(MCTime::GlobalPPQ));
        return;
    }
    // Without a meter in force, four beats to the bar.
    const long ticks = time.GetTicks(MCTime::GlobalPPQ);
    const long perBar = 4 * MCTime::GlobalPPQ;
    time.SetBarPulseTick(int(ticks / perBar), int(ticks % perBar / MCTime::GlobalPPQ), int(ticks % MCTime::GlobalPPQ),
                         int(MCTime::GlobalPPQ));
}

void MCSequenceTimeSource::NormalizeTime(MCTime& time)
{
    m_sequence.NormalizeTime(time);
    const BPTTime* position = time.GetBarPulseTick();
    if (time.GetMode() != MCTime::barPulseTick || !position || position->ppq <= 0)
        return;
    // Without a meter to count by, four beats to the bar, as BarPulseTickTime shows them.
    const double quarters = 4.0 * position->bar + position->pulse + double(position->tick) / position->ppq;
    time = MCTime(static_cast<float>(quarters));
}

int MCSequenceTimeSource::MeterNumerator(const MCTime& time)
{
    ECConductor* conductor = m_sequence.GetConductor();
    const ECMeter* meter = conductor ? conductor->GetMeterAtTime(time) : nullptr;
    return meter && meter->GetNumerator() > 0 ? meter->GetNumerator() : 4;
}

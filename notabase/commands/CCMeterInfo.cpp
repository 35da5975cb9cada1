#include "notabase/commands/CCMeterInfo.h"

CCMeterInfo::CCMeterInfo(ECMeter* meter) : m_meter(meter)
{
    if (!meter)
        return;
    if (const MCTime* time = meter->GetTime())
        m_time = *time;
    m_duration = MCTime(meter->GetMeasureLength());
}

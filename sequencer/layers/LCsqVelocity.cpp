#include "sequencer/layers/LCsqVelocity.h"

#include "notabase/model/ECEnvelope.h"

PLAT_IMPLEMENT_SERIAL(LCsqVelocity, LCsqBase, plat::kVersionableSchema | 2)

LCBase* LCsqVelocity::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCsqVelocity>(other))
        *this = *filter;
    return this;
}

int LCsqVelocity::GetClassType() const
{
    return FilterVelocity;
}

void LCsqVelocity::ProcessEvent(CSeqEvent* event, CSeqEventList& /*list*/)
{
    if (!event || event->IsMuted() || !m_envelope)
        return;
    float factor = 1.0f;
    m_envelope->GetValue(event->GetTimeStamp(), factor, 1);
    if (factor == 1.0f)
        return;
    const uint32_t type = event->GetDataType();
    if ((type != CSeqEvent::typeMidi && type != CSeqEvent::typeNote) || !event->GetMidiData().IsNoteOn())
        return;
    float velocity = static_cast<float>(event->GetMidiData().GetDataByte2()) * factor;
    if (!(velocity >= 1.0f))
        velocity = 1.0f;
    else if (velocity > 127.0f)
        velocity = 127.0f;
    event->GetMidiData().SetDataByte2(static_cast<uint8_t>(velocity));
}

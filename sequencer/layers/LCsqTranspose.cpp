#include "sequencer/layers/LCsqTranspose.h"

#include "notabase/model/ECEnvelope.h"
#include "sequencer/data/DCsqTrack.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(LCsqTranspose, LCsqBase, plat::kVersionableSchema | 2)

namespace {

uint8_t shifted(uint8_t value, float amount)
{
    const double moved = static_cast<double>(value) + std::trunc(static_cast<double>(amount));
    return static_cast<uint8_t>(std::clamp(moved, 0.0, 127.0));
}

}  // namespace

LCBase* LCsqTranspose::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCsqTranspose>(other))
        *this = *filter;
    return this;
}

int LCsqTranspose::GetClassType() const
{
    return FilterTranspose;
}

void LCsqTranspose::ProcessEvent(CSeqEvent* event, CSeqEventList& /*list*/)
{
    if (!event || event->IsMuted())
        return;
    float amount = 0.0f;
    if (m_envelope)
        m_envelope->GetValue(event->GetTimeStamp(), amount, 1);
    if (DCsqTrack* track = event->GetTrack())
        amount += track->GetTrackTransposition();
    // A NaN amount moves nothing.
    if (!(amount != 0.0f) || std::isnan(amount))
        return;
    const uint32_t type = event->GetDataType();
    if (type != CSeqEvent::typeMidi && type != CSeqEvent::typeNote)
        return;
    FCMidi& message = event->GetMidiData();
    if (message.IsNote() || message.IsPolyPressureMsg())
        message.SetDataByte1(shifted(message.GetDataByte1(), amount));
    else if (message.IsControllerType(84))
        message.SetDataByte2(shifted(message.GetDataByte2(), amount));
}

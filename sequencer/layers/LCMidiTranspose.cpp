#include "sequencer/layers/LCMidiTranspose.h"

#include "notabase/model/ECTranspose.h"
#include "notabase/values/FCMidi.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(LCMidiTranspose, LCMidiFilter, plat::kVersionableSchema | 2)

LCMidiTranspose::LCMidiTranspose()
{
    SetEndTime(MCTime::TimeMax());
}

LCBase* LCMidiTranspose::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiTranspose>(other))
        *this = *filter;
    return this;
}

void LCMidiTranspose::UpdateParametersFrom(ECBase* element)
{
    auto* mark = plat::dynamicDowncast<ECTranspose>(element);
    if (!mark)
        return;
    switch (mark->GetTransposeType()) {
    case 0:
        m_semitones = 12;
        break;
    case 1:
        m_semitones = -12;
        break;
    case 2:
        m_semitones = 24;
        break;
    default:
        m_semitones = 0;
        break;
    }
    const MCTime* time = mark->GetTime();
    const MCTime* duration = mark->GetDuration();
    const MCTime begin = time ? *time : MCTime::TimeZero();
    SetBeginTime(begin);
    SetEndTime(duration ? begin + *duration : begin);
}

void LCMidiTranspose::ProcessMessage(FCMidi& message) const
{
    message.SetDataByte1(static_cast<uint8_t>(std::clamp(message.GetDataByte1() + m_semitones, 0, 127)));
}

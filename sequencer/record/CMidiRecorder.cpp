#include "sequencer/record/CMidiRecorder.h"

#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/transport/CSequence.h"

int CMidiRecorder::FilterInput(const FCMidi& message) const
{
    auto* filter = m_sequence ? plat::dynamicDowncast<LCsqPreferences>(m_sequence->GetInputFilter(FilterPreferences)) : nullptr;
    return filter ? filter->FilterEvent(message) : 0;
}

#include "sequencer/score/CWaveScoreMgr.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/transport/CSequence.h"

DCsqBase* CWaveScoreMgr::AddEventData(ECBase* element)
{
    if (!element || !m_sequence)
        return nullptr;
    switch (element->GetEventId()) {
    case EventId::Wave: {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        if (data)
            m_sequence->InsertData(data);
        return data;
    }
    case EventId::WaveTrack:
        return plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
    default:
        return nullptr;
    }
}

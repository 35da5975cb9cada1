#include "sequencer/actions/ACRemoveData.h"

#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/transport/CSequence.h"

ACRemoveData::ACRemoveData(CSequence* sequence) : m_sequence(sequence)
{
    SetDepth(0);
}

int ACRemoveData::DoAction(ECBase* element)
{
    auto* data = element ? plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0)) : nullptr;
    if (data && m_sequence)
        m_sequence->RemoveData(data);
    return 0;
}

#include "notabase/actions/ACPostSerialize.h"

#include "notabase/data/DCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"

int ACPostSerialize::DoAction(ECBase* element)
{
    element->PostSerialize(m_archive);
    MCDataArray* data = element->GetData();
    for (int slot = 0; slot < data->GetSize(); ++slot) {
        if (DCBase* component = data->GetAt(slot))
            component->PostSerialize(m_archive);
    }
    const int id = element->GetEventId();
    return id == EventId::Beam || id == EventId::Slur || id == EventId::Tie ? 1 : 0;
}

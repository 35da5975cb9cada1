#include "notabase/actions/ACFindData.h"

#include "notabase/model/ECBase.h"

int ACFindData::DoAction(ECBase* element)
{
    if (!element->GetData(m_dataType, 0))
        return 0;
    return ACFindEvents::DoAction(element);
}

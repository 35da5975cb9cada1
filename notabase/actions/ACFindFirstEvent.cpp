#include "notabase/actions/ACFindFirstEvent.h"

int ACFindFirstEvent::BeginAction()
{
    m_found = nullptr;
    return ACTypeFilter::BeginAction();
}

int ACFindFirstEvent::DoAction(ECBase* element)
{
    if (!Matches(element))
        return 0;
    m_found = element;
    return 2;
}

#include "notabase/actions/ACCount.h"

int ACCount::BeginAction()
{
    m_count = 0;
    return ACTypeFilter::BeginAction();
}

int ACCount::DoAction(ECBase* element)
{
    if (Matches(element))
        ++m_count;
    return 0;
}

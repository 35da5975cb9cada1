#include "notabase/actions/ACFindEvents.h"

int ACFindEvents::BeginAction()
{
    m_found.RemoveAll();
    m_foundCount = 0;
    return ACTypeFilter::BeginAction();
}

int ACFindEvents::DoAction(ECBase* element)
{
    return Matches(element) ? Collect(element) : 0;
}

int ACFindEvents::Collect(ECBase* element)
{
    m_found.AddTail(element);
    ++m_foundCount;
    return m_foundCount >= m_maxCount ? 2 : 0;
}

#include "notabase/actions/ACFindObjects.h"

#include "notabase/model/ECBase.h"

ACFindObjects::ACFindObjects(ECBase* object)
{
    AddObject(object);
}

ACFindObjects::ACFindObjects(const MCEventList& objects)
{
    AddObjects(objects);
}

int ACFindObjects::BeginAction()
{
    m_found = false;
    return ACBase::BeginAction();
}

int ACFindObjects::DoAction(ECBase* element)
{
    if (!m_lookup.count(element))
        return 0;
    m_found = true;
    return 2;
}

void ACFindObjects::AddObject(ECBase* object)
{
    if (!object)
        return;
    m_objects.AddTail(object);
    m_lookup.insert(object);
}

void ACFindObjects::AddObjects(const MCEventList& objects)
{
    for (ECBase* object : objects)
        AddObject(object);
}

void ACFindObjects::RemoveObject(ECBase* object)
{
    if (!m_objects.RemoveEvent(object))
        return;
    m_lookup.erase(m_lookup.find(object));
}

void ACFindObjects::RemoveObjects()
{
    m_objects.RemoveAll();
    m_lookup.clear();
}

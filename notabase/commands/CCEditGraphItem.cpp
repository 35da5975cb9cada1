#include "notabase/commands/CCEditGraphItem.h"

#include "notabase/model/ECBase.h"

CCEditGraphItem::CCEditGraphItem() : m_parents(10), m_children(10) {}

CCEditGraphItem::CCEditGraphItem(ECBase* element) : m_element(element), m_parents(10), m_children(10)
{
    if (!element)
        return;
    if (MCEventList* parents = element->GetParents())
        m_parents.AddTail(*parents);
    if (MCEventList* children = element->GetChildren())
        m_children.AddTail(*children);
}

CCEditGraphItem::CCEditGraphItem(ECBase* element, ECBase* parent, const MCEventList& children)
    : m_element(element), m_parents(10), m_children(10)
{
    if (parent)
        m_parents.AddTail(parent);
    m_children.AddTail(children);
}

CCEditGraphItem::CCEditGraphItem(ECBase* element, const MCEventList& parents, const MCEventList& children)
    : m_element(element), m_parents(10), m_children(10)
{
    m_parents.AddTail(parents);
    m_children.AddTail(children);
}

CCEditGraphItem::~CCEditGraphItem() = default;

void CCEditGraphItem::Process(int) {}

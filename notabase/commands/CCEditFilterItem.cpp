#include "notabase/commands/CCEditFilterItem.h"

#include "notabase/layers/LCBase.h"

CCEditFilterItem::CCEditFilterItem(LCBase* filter) : m_filter(filter), m_newFilter(NewCopyOf(filter)) {}

CCEditFilterItem::~CCEditFilterItem() = default;

std::unique_ptr<LCBase> CCEditFilterItem::NewCopyOf(LCBase* filter)
{
    if (!filter)
        return nullptr;
    std::unique_ptr<LCBase> copy(plat::dynamicDowncast<LCBase>(filter->runtimeClass()->createObject()));
    if (copy)
        copy->Copy(filter);
    return copy;
}

void CCEditFilterItem::Process(int recordOld)
{
    if (!m_filter || !m_newFilter)
        return;
    if (recordOld && !m_oldFilter)
        m_oldFilter = NewCopyOf(m_filter);
    m_filter->Copy(m_newFilter.get());
}

#include "notabase/commands/CCEditDataItem.h"

#include "notabase/data/DCBase.h"
#include "notabase/model/ECBase.h"

CCEditDataItem::CCEditDataItem() = default;

CCEditDataItem::CCEditDataItem(DCBase* data, int viewCode)
    : m_viewCode(viewCode), m_data(data), m_newData(NewCopyOf(data))
{
    // The owner keeps the component alive while the item holds it.
    if (data)
        SetEvent(data->GetOwner());
}

CCEditDataItem::~CCEditDataItem() = default;

std::unique_ptr<DCBase> CCEditDataItem::NewCopyOf(DCBase* data)
{
    if (!data)
        return nullptr;
    std::unique_ptr<DCBase> copy(plat::dynamicDowncast<DCBase>(data->runtimeClass()->createObject()));
    if (copy)
        copy->Copy(data);
    return copy;
}

void CCEditDataItem::Process(int recordOld)
{
    if (!m_data || !m_newData)
        return;
    if (recordOld && !m_oldData)
        m_oldData = NewCopyOf(m_data);
    m_data->Copy(m_newData.get());
}

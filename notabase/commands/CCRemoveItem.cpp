#include "notabase/commands/CCRemoveItem.h"

#include "notabase/model/ECBase.h"

#include <vector>

CCRemoveItem::~CCRemoveItem() = default;

void CCRemoveItem::SetChild(ECBase* child)
{
    m_child.Reset(child);
    if (!child)
        return;
    std::vector<int> types;
    child->GetParentTypes(types);
    for (int type : types) {
        if (ECBase* parent = child->GetAncestor(type, -1)) {
            SetParent(parent);
            return;
        }
    }
}

void CCRemoveItem::SetParent(ECBase* parent)
{
    if (!m_parent && parent)
        m_parent.reset(parent);
}

#include "notabase/commands/CCAddEnvPtItem.h"

CCAddEnvPtItem::~CCAddEnvPtItem() = default;

void CCAddEnvPtItem::SetAnchorList(const MCEventList* list)
{
    if (!list || m_anchorList)
        return;
    m_anchorList = std::make_unique<MCEventList>(10);
    m_anchorList->AddTail(*list);
}

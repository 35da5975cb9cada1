#include "notabase/commands/CCRemoveEnvPtItem.h"

CCRemoveEnvPtItem::~CCRemoveEnvPtItem() = default;

void CCRemoveEnvPtItem::SetAnchorList(const MCEventList* list)
{
    if (!list || m_anchorList)
        return;
    m_anchorList = std::make_unique<MCEventList>(10);
    m_anchorList->AddTail(*list);
}

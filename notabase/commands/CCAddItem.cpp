#include "notabase/commands/CCAddItem.h"

#include "notabase/model/ECBase.h"

CCAddItem::CCAddItem(ECBase* child, ECBase* parent, const FCMidi& data) : m_midiData(data)
{
    SetChild(child);
    SetParent(parent);
}

CCAddItem::~CCAddItem() = default;

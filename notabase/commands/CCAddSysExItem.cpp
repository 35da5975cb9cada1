#include "notabase/commands/CCAddSysExItem.h"

#include "notabase/model/ECBase.h"

CCAddSysExItem::CCAddSysExItem(ECBase* child, ECBase* parent, const FCMidi& message)
    : CCAddItem(child, parent, FCMidi::MidiNull())
{
    CCAddSysExItem::SetMidiData(message);
}

CCAddSysExItem::~CCAddSysExItem() = default;

void CCAddSysExItem::SetMidiData(const FCMidi& message)
{
    // Only a system-exclusive message has bytes to copy; reading a short message as one would
    // read past it.
    if (const auto* sysEx = dynamic_cast<const FCMidiSysEx*>(&message))
        m_message = *sysEx;
    else
        m_message = FCMidiSysEx();
}

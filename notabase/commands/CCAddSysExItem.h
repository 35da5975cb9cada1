#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddItem.h"
#include "notabase/values/FCMidiSysEx.h"

// An add item carrying a system-exclusive message of its own, a copy of the one it was given.
// Its MIDI data is the message; the item's short message stays the null message.
class NOTABASE_API CCAddSysExItem : public CCAddItem {
public:
    CCAddSysExItem() = default;
    // The message is copied when it is a system-exclusive one; any other leaves it empty.
    CCAddSysExItem(ECBase* child, ECBase* parent, const FCMidi& message);
    ~CCAddSysExItem() override;

    FCMidi& GetMidiData() override { return m_message; }
    // The packed form sets the item's short message, as for any item.
    using CCAddItem::SetMidiData;
    void SetMidiData(const FCMidi& message) override;

    const FCMidiSysEx& GetMessage() const { return m_message; }

private:
    FCMidiSysEx m_message;
};

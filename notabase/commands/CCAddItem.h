#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCLinkJournal.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"


// One element for a CCAdd to hang under a parent, with a MIDI message carried along. The item
// holds the child (for undo and redo) and the parent. An item that undoes a removal carries the
// links the removal cut instead, which are put back as they were. Derived items add their own
// data.
class NOTABASE_API CCAddItem {
public:
    CCAddItem() = default;
    CCAddItem(ECBase* child, ECBase* parent, const FCMidi& data);
    virtual ~CCAddItem();
    CCAddItem(const CCAddItem&) = delete;
    CCAddItem& operator=(const CCAddItem&) = delete;

    virtual FCMidi& GetMidiData() { return m_midiData; }
    virtual void SetMidiData(MIDIWORD data) { m_midiData.SetValue(data); }
    virtual void SetMidiData(const FCMidi& data) { m_midiData = data; }

    ECBase* GetChild() const { return m_child.Get(); }
    ECBase* GetParent() const { return m_parent.get(); }
    void SetChild(ECBase* child) { m_child.Reset(child); }
    void SetParent(ECBase* parent) { m_parent.reset(parent); }
    const MCLinkJournal& GetLinks() const { return m_links; }
    void SetLinks(const MCLinkJournal& links) { m_links = links; }

private:
    MCCommandHold m_child;
    plat::RefPtr<ECBase> m_parent;
    FCMidi m_midiData;
    MCLinkJournal m_links;
};

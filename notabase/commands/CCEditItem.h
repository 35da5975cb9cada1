#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"
#include "platform/core/RefPtr.h"


// One element an edit command changes: the element, a copy the caller changes freely (the new
// state) and, once the command has run inside an undo bracket, a copy of what it was before
// (the old state). Processing gives the element the new state.
class NOTABASE_API CCEditItem {
public:
    CCEditItem() = default;
    // The new state starts as a copy of the element.
    explicit CCEditItem(ECBase* element);
    virtual ~CCEditItem();
    CCEditItem(const CCEditItem&) = delete;
    CCEditItem& operator=(const CCEditItem&) = delete;

    ECBase* GetEvent() const { return m_element.get(); }
    ECBase* GetNewEvent() const { return m_newEvent.get(); }
    // Null until the old state was recorded.
    ECBase* GetOldEvent() const { return m_oldEvent.get(); }

    // With recordOld, the old state is kept first (once: a redo keeps the first one).
    virtual void Process(int recordOld);

    // A new element of the same class holding the element's state; null when the class cannot
    // be made by name.
    static ECBase* NewCopyOf(ECBase* element);

protected:
    void SetEvent(ECBase* element) { m_element.reset(element); }
    void SetNewEvent(ECBase* copy) { m_newEvent.reset(copy); }
    void SetOldEvent(ECBase* copy) { m_oldEvent.reset(copy); }

private:
    plat::RefPtr<ECBase> m_element;
    plat::RefPtr<ECBase> m_newEvent;
    plat::RefPtr<ECBase> m_oldEvent;
};

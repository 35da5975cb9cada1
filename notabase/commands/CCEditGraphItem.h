#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/RefPtr.h"


// One element of a graph edit with the parents and children it is to have. The lists hold
// references on what they name.
class NOTABASE_API CCEditGraphItem {
public:
    // No element, empty lists.
    CCEditGraphItem();
    // A snapshot of the element's links as they are now.
    explicit CCEditGraphItem(ECBase* element);
    CCEditGraphItem(ECBase* element, ECBase* parent, const MCEventList& children);
    CCEditGraphItem(ECBase* element, const MCEventList& parents, const MCEventList& children);
    virtual ~CCEditGraphItem();
    CCEditGraphItem(const CCEditGraphItem&) = delete;
    CCEditGraphItem& operator=(const CCEditGraphItem&) = delete;

    ECBase* GetEvent() const { return m_element.get(); }
    MCEventList& GetParents() { return m_parents; }
    const MCEventList& GetParents() const { return m_parents; }
    MCEventList& GetChildren() { return m_children; }
    const MCEventList& GetChildren() const { return m_children; }

    // Does nothing; the command links and cuts the items.
    virtual void Process(int);

private:
    plat::RefPtr<ECBase> m_element;
    MCEventList m_parents;
    MCEventList m_children;
};

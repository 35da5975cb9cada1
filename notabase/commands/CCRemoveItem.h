#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/MCLinkJournal.h"
#include "platform/core/RefPtr.h"


// One element for a CCRemove to take out of the piece, with its parent: the nearest ancestor of
// the first of its parent types that has one, found when the child is set. Processing the
// removal records every link it cut (the element from each of its parents, and what went with
// it), which undo puts back.
class NOTABASE_API CCRemoveItem {
public:
    CCRemoveItem() = default;
    explicit CCRemoveItem(ECBase* child) { SetChild(child); }
    virtual ~CCRemoveItem();
    CCRemoveItem(const CCRemoveItem&) = delete;
    CCRemoveItem& operator=(const CCRemoveItem&) = delete;

    ECBase* GetChild() const { return m_child.Get(); }
    ECBase* GetParent() const { return m_parent.get(); }
    // Holds the child and looks for its parent in the graph as it stands now.
    void SetChild(ECBase* child);
    // Only the first parent given is kept.
    void SetParent(ECBase* parent);
    // The links the last processing of the removal cut.
    MCLinkJournal& GetLinks() { return m_links; }

private:
    MCCommandHold m_child;
    plat::RefPtr<ECBase> m_parent;
    MCLinkJournal m_links;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandHold.h"
#include "platform/core/RefPtr.h"

class ECBase;

// One element for a CCRemove to take out of the piece, with the parent that undo puts it back
// under: the nearest ancestor of the first of its parent types that has one, found when the
// child is set.
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

private:
    MCCommandHold m_child;
    plat::RefPtr<ECBase> m_parent;
};

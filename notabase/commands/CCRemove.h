#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCRemoveItem.h"

#include <memory>
#include <vector>

class ECBase;
class MCEventList;

// Takes elements out of the piece: each is detached from every parent it has, keeping its own
// children. Undo puts each back under the parent its item recorded, in time order there, the
// last removed first. The base of every remove command.
//
// When the command goes (its undo item left the stack, say), what it took out and nothing put
// back is taken apart, so that removed elements holding one another are freed; an element that
// another add or remove command still holds is left for the last of them (MCCommandHold).
class NOTABASE_API CCRemove : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCRemove)
public:
    CCRemove() = default;
    explicit CCRemove(ECBase* element);
    ~CCRemove() override;

    int GetCommandId() override;
    int Process() override;
    // Applies a CCAdd of the elements under their recorded parents, synchronous when this command
    // is; an element whose parent was never found cannot be put back and is left out.
    void Undo() override;

    // Each element of the list through the one-element Remove.
    virtual void Remove(MCEventList* elements);
    // A new item for the element, with its parent found now and its mirrors discarded; null when
    // the command holds the element already.
    virtual CCRemoveItem* Remove(ECBase* element);
    // Appends the elements in item order; 1 when the list is not empty afterwards.
    virtual int GetRemoveEvents(MCEventList& events);

    const std::vector<std::unique_ptr<CCRemoveItem>>& GetItems() const { return m_items; }

protected:
    // The index of the item holding the element, or -1.
    int FindRemovePosition(ECBase* element) const;
    // Detaches each item's element from all its parents.
    void DoRemove();
    // Takes an item made by a derived command's Remove.
    CCRemoveItem* AddItem(std::unique_ptr<CCRemoveItem> item);

private:
    std::vector<std::unique_ptr<CCRemoveItem>> m_items;
};

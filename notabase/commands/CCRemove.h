#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCRemoveItem.h"
#include "notabase/states/MCElementCounts.h"

#include <memory>
#include <vector>

class ECBase;
class MCEventList;

// Takes elements out of the piece: each is detached from every parent it has, keeping its own
// children. Undo gives back the very graph the removal took, the last removed first: each
// element under every parent it had, at its place there, with whatever left with it (a chord or
// tuplet that left its measure with its last note). The base of every remove command.
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
    // Applies a CCAdd of the elements, synchronous when this command is, whose items carry the
    // links the removal cut; an element that had no parent when it was removed, and none was
    // recorded for, is left out. The mirrors that went with the elements come back with them.
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
    // Whether an item holds the element, without a search.
    bool IsRemoving(const ECBase* element) const { return m_held.Get(element) > 0; }
    // Detaches each item's element from all its parents; it keeps its own children. Each item
    // records the links its element's removal cut.
    void DoRemove();
    // Takes an item made by a derived command's Remove.
    CCRemoveItem* AddItem(std::unique_ptr<CCRemoveItem> item);
    // Deletes the item at an index of the list.
    void DropItem(size_t index);
    // Drops every item without taking anything apart: for a command that took apart what it
    // removed itself.
    void ClearItems();

private:
    std::vector<std::unique_ptr<CCRemoveItem>> m_items;
    // The items' elements, so that removing many does not search the items for each.
    MCElementCounts m_held;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddItem.h"
#include "notabase/commands/CCBase.h"

#include <memory>
#include <vector>

class ECBase;
class FCMidi;
class MCEventList;

// Hangs elements under parents: one item per Add, each child added to its parent in time order
// when the command is processed (a parent may refuse a child by its own rules; the command still
// succeeds). The inverse of a CCRemove of the same elements: undoing an add removes them.
class NOTABASE_API CCAdd : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCAdd)
public:
    CCAdd() = default;
    CCAdd(ECBase* child, ECBase* parent, const FCMidi& data);
    ~CCAdd() override;

    int GetCommandId() override;
    // Adds each item's child to its parent; an item without a parent is left out. An item that
    // carries the links a removal cut puts those back instead (MCLinkJournal::Restore).
    int Process() override;
    // Applies a CCRemove of the children, synchronous when this command is.
    void Undo() override;

    // A new item at the end; nothing is checked.
    virtual CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data);
    // Appends the children in item order; 1 when the list is not empty afterwards.
    virtual int GetAddEvents(MCEventList& events);

    const std::vector<std::unique_ptr<CCAddItem>>& GetItems() const { return m_items; }

protected:
    // Takes an item made by a derived command's Add.
    CCAddItem* AddItem(std::unique_ptr<CCAddItem> item);
    // Deletes the item at an index of the list.
    void DropItem(size_t index);

private:
    std::vector<std::unique_ptr<CCAddItem>> m_items;
};

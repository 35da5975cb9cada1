#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCEditItem.h"

#include <memory>
#include <unordered_map>
#include <vector>

class ECBase;
class MCEventList;

// Changes existing elements: one item per element, whose new copy the caller changes before
// applying the command; processing copies each new state into its element. Inside an undo
// bracket the old states are kept as well, and undo applies an edit of the same class that
// brings them back. Outside one nothing is kept, and such an edit cannot be undone.
//
// The members edit a data component, a processing layer, a duration or a time; they make their
// own items and answer EditEvent with null.
class NOTABASE_API CCEdit : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCEdit)
public:
    CCEdit();
    ~CCEdit() override;

    int GetCommandId() override;
    // Gives each item's element its new state, keeping the old one first inside an undo bracket.
    int Process() override;
    // Applies an edit whose new states are the old ones; nothing when an item kept none.
    void Undo() override;

    // The element's item, made when there is none yet.
    virtual CCEditItem* EditEvent(ECBase* element);
    // Appends the element of every item in item order; 1 when the list is not empty afterwards.
    virtual int GetEditEvents(MCEventList& events);

    const std::vector<std::unique_ptr<CCEditItem>>& GetEditList() const { return m_items; }

protected:
    // Appends an item found again by its key: the element, data component or layer it edits.
    CCEditItem* AddEditItem(std::unique_ptr<CCEditItem> item, const void* key);
    // The item of a key, or null.
    CCEditItem* FindEditItem(const void* key) const;
    // Runs each item's Process with the command's recorded-for-undo bit.
    void ProcessItems();
    // The nearest element above the element (through its parents, nothing skipped) whose id is
    // one of the list's; null when there is none.
    static ECBase* FindAncestorOf(ECBase* element, const std::vector<int>& ids);
    // Puts the children of each element of the list in time order. A time order changed under an
    // envelope changes what it answers: it is told so, and a tempo map recomputes its clock times.
    static void SortChildrenByTime(MCEventList& parents);

private:
    std::vector<std::unique_ptr<CCEditItem>> m_items;
    // An edit of many elements looks each up once when it is made and once more by its undo.
    std::unordered_map<const void*, CCEditItem*> m_index;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCEditGraphItem.h"
#include "notabase/model/MCEventList.h"

#include <memory>
#include <vector>

// Changes how elements hang together (notes gathered under a new beam or chord, a group taken
// apart, children moved to another parent) as one undoable step. Its maker fills two lists of
// items: the second list's elements are cut loose from the graph, then the first list's
// elements are linked to the parents and children their items name; a new parent that stands
// nowhere yet goes into the measure of its track at its time. Undo is the same command with the
// lists exchanged.
class NOTABASE_API CCEditGraph : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCEditGraph)
public:
    using ItemList = std::vector<std::unique_ptr<CCEditGraphItem>>;

    CCEditGraph();
    explicit CCEditGraph(const MCEventList& events);
    // Elements that are out of every piece by now give up their children, so that they are
    // freed; what is back in a piece is left alone.
    ~CCEditGraph() override;

    int GetCommandId() override;
    int Process() override;
    void Undo() override;

    // 0 the graph to link in, any other value the graph to cut loose.
    ItemList& GetGraphItems(int which) { return which ? m_cutItems : m_linkItems; }
    // Appends a copy of each item (same element, parents and children) to the chosen list.
    void SetGraphItems(int which, const ItemList& items);
    const MCEventList& GetEvents() const { return m_events; }

protected:
    // Fills the lists; the maker of this class fills them itself.
    virtual void CalculateNewGraph();
    static void ClearItemList(ItemList& items);

private:
    MCEventList m_events;
    ItemList m_linkItems;
    ItemList m_cutItems;
};

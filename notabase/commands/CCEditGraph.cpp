#include "notabase/commands/CCEditGraph.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCEditGraph, CCBase)

CCEditGraph::CCEditGraph() : m_events(10) {}

CCEditGraph::CCEditGraph(const MCEventList& events) : m_events(10)
{
    m_events.AddTail(events);
}

CCEditGraph::~CCEditGraph()
{
    ClearItemList(m_linkItems);
    ClearItemList(m_cutItems);
    m_events.RemoveAll();
}

int CCEditGraph::GetCommandId()
{
    return CommandIds::CCEditGraph;
}

void CCEditGraph::CalculateNewGraph() {}

void CCEditGraph::SetGraphItems(int which, const ItemList& items)
{
    ItemList& list = GetGraphItems(which);
    for (const auto& item : items)
        list.push_back(std::make_unique<CCEditGraphItem>(item->GetEvent(), item->GetParents(), item->GetChildren()));
}

int CCEditGraph::Process()
{
    if (!CCBase::Process())
        return 0;
    for (const auto& item : m_cutItems) {
        ECBase* element = item->GetEvent();
        if (!element)
            continue;
        const plat::RefPtr<ECBase> hold(element);
        element->RemoveFromParents();
        element->RemoveChildren(0);
    }
    ECConductor* conductor = GetConductor();
    for (const auto& item : m_linkItems) {
        ECBase* element = item->GetEvent();
        if (!element)
            continue;
        for (ECBase* parent : item->GetParents()) {
            if (!parent->GetChildren() || parent->GetChildren()->Find(element))
                continue;
            parent->AddChild(element, 1);
            // A new parent (a beam, say) stands in the measure of its track at its time.
            if (parent->GetParents()->IsEmpty() && conductor && parent->GetTime()) {
                if (ECMeasure* measure = conductor->GetMeasure(parent->GetTrack(), *parent->GetTime(), 0, 1))
                    measure->AddChild(parent, 1);
            }
        }
        MCEventList* children = element->GetChildren();
        if (!children)
            continue;
        for (ECBase* child : item->GetChildren()) {
            if (!children->Find(child))
                element->AddChild(child, 1);
        }
    }
    return 1;
}

void CCEditGraph::Undo()
{
    plat::RefPtr<CCEditGraph> inverse(new CCEditGraph);
    inverse->SetSynchronous(IsSynchronous());
    inverse->SetGraphItems(0, m_cutItems);
    inverse->SetGraphItems(1, m_linkItems);
    inverse->Apply(GetTarget());
}

void CCEditGraph::ClearItemList(ItemList& items)
{
    for (auto& item : items) {
        ECBase* element = item->GetEvent();
        if (element && MCCommandHold::IsOutsidePieces(element)) {
            // An add or remove command that may still put it back takes it apart when it goes.
            if (element->GetCommandHolds() > 0)
                element->SetTakeApartPending(true);
            else
                MCCommandHold::TakeApart(element);
        }
        item.reset();
    }
    items.clear();
}

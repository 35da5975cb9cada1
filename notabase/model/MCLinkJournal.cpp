#include "notabase/model/MCLinkJournal.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECWithChild.h"
#include "notabase/model/MCEventList.h"

namespace {

// The innermost recording of this thread; each links to the one before it.
thread_local MCLinkJournal::Recording* t_innermost = nullptr;

// Moves the element's node so that `index` nodes stand before it. A new node is made at the
// place before the old one goes, so that the list's reference keeps the element alive.
void moveToIndex(MCEventList& list, ECBase* element, int index)
{
    MCPosition old = nullptr;
    int current = 0;
    for (MCPosition p = list.GetHeadPosition(); p; ++current) {
        const MCPosition at = p;
        if (list.GetNext(p) == element) {
            old = at;
            break;
        }
    }
    if (!old || current == index)
        return;
    // The node before which it goes, counting the other nodes only.
    MCPosition before = nullptr;
    int passed = 0;
    for (MCPosition p = list.GetHeadPosition(); p;) {
        const MCPosition at = p;
        list.GetNext(p);
        if (at == old)
            continue;
        if (passed == index) {
            before = at;
            break;
        }
        ++passed;
    }
    if (before)
        list.InsertBefore(before, element);
    else
        list.AddTail(element);
    list.RemoveAt(old);
}

}  // namespace

MCLinkJournal::Recording::Recording(MCLinkJournal& journal) : m_journal(journal), m_outer(t_innermost)
{
    t_innermost = this;
}

MCLinkJournal::Recording::~Recording()
{
    t_innermost = m_outer;
}

bool MCLinkJournal::IsRecording()
{
    return t_innermost != nullptr;
}

void MCLinkJournal::RecordCut(ECBase* parent, ECBase* child, int childPlace, int parentPlace)
{
    // A link cut on one side only (a damaged graph) has no place to go back to.
    if (!t_innermost || !parent || !child || childPlace < 0 || parentPlace < 0)
        return;
    t_innermost->m_journal.m_links.push_back(
        {plat::RefPtr<ECBase>(parent), plat::RefPtr<ECBase>(child), childPlace, parentPlace});
}

int MCLinkJournal::Restore() const
{
    int restored = 0;
    for (auto it = m_links.rbegin(); it != m_links.rend(); ++it) {
        ECBase* parent = it->parent.get();
        ECBase* child = it->child.get();
        MCEventList* children = parent->GetChildren();
        if (!children || child->GetParents()->Find(parent) || !parent->AddChild(child, 1))
            continue;
        // The parent's own insert mostly put the child at its place already, which a parent
        // that keeps a finger on its long child list tells without a walk.
        const int index = children->GetCount() - 1 - it->childPlace;
        const auto* withChild = plat::dynamicDowncast<ECWithChild>(parent);
        if (!withChild || withChild->IndexOfChild(child) != index)
            moveToIndex(*children, child, index);
        moveToIndex(*child->GetParents(), parent, it->parentPlace);
        ++restored;
    }
    return restored;
}

#include "notabase/model/ECWithChild.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCLinkJournal.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_SERIAL(ECWithChild, ECBase, plat::kVersionableSchema | 2)

namespace {

// Holds a reference on a parent while it lets children go. Each child's parent list holds one
// on it too, so a parent that nothing else holds (a root, owned by its creator) would
// otherwise delete itself in the middle of removing its last child. The reference is given
// back without deleting: the parent stays with whoever owned it before.
class KeepAlive {
public:
    explicit KeepAlive(ECBase& element) : m_element(element) { m_element.Ref(); }
    ~KeepAlive() { m_element.Unref(0); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    ECBase& m_element;
};

}  // namespace

ECWithChild::ECWithChild(const ECWithChild& other) : ECBase(other)
{
}

ECWithChild::~ECWithChild()
{
    markDestroying();
    RemoveChildren(1);
}

ECWithChild& ECWithChild::operator=(const ECWithChild& other)
{
    ECBase::operator=(other);
    return *this;
}

ECBase* ECWithChild::Copy(plat::Object* other)
{
    if (auto* element = plat::dynamicDowncast<ECWithChild>(other))
        *this = *element;
    return this;
}

int ECWithChild::GetEventId() const
{
    return EventId::WithChild;
}

MCEventList* ECWithChild::GetChildren()
{
    return &m_children;
}

void ECWithChild::updateChildFlag()
{
    uint16_t flags = GetFlags();
    if (m_children.IsEmpty())
        flags &= static_cast<uint16_t>(~flagHasChildren);
    else
        flags |= flagHasChildren;
    SetFlags(flags);
}

bool ECWithChild::mayAdopt(ECBase* child)
{
    // The child's parent list mirrors the child lists that hold it and is usually far shorter
    // than this element's child list.
    return child && child != this && !child->GetParents()->Find(this);
}

void ECWithChild::adopt(ECBase* child, MCPosition at, uint32_t before)
{
    if (ChildFinger* finger = childFinger()) {
        // The new node's index is known at either end, or beside the finger that held until
        // this insert; anywhere else the finger is dropped.
        const bool held = finger->node && finger->changes == before && m_children.GetChangeCount() == before + 1;
        MCPosition next = at;
        m_children.GetNext(next);
        MCPosition prev = at;
        m_children.GetPrev(prev);
        int index = -1;
        if (!prev)
            index = 0;
        else if (!next)
            index = m_children.GetCount() - 1;
        else if (held && next == finger->node)
            index = finger->index;
        else if (held && prev == finger->node)
            index = finger->index + 1;
        *finger = index < 0 ? ChildFinger{} : ChildFinger{at, index, m_children.GetChangeCount()};
    }
    child->AddParent(this);
    updateChildFlag();
}

int ECWithChild::AddChild(ECBase* child, int sorted)
{
    if (!mayAdopt(child))
        return 0;
    const uint32_t before = m_children.GetChangeCount();
    adopt(child, m_children.AddEvent(child, sorted), before);
    return 1;
}

MCPosition ECWithChild::AddChildBefore(ECBase* child, MCPosition before)
{
    if (!mayAdopt(child))
        return nullptr;
    const uint32_t changes = m_children.GetChangeCount();
    const MCPosition at = before ? m_children.InsertBefore(before, child) : m_children.AddTail(child);
    adopt(child, at, changes);
    return at;
}

int ECWithChild::RemoveChild(ECBase* child, int recursive)
{
    if (!child || !hasChild(child))
        return 0;
    KeepAlive keep(*this);
    bool gone = false;
    {
        const plat::RefPtr<ECBase> held(child);
        if (recursive)
            child->RemoveChildren(1);
        const int parentPlace = parentPlaceOf(child);
        const bool unlinked = child->RemoveParent(this) != 0;
        if (unlinked)
            MCLinkJournal::RecordCut(this, child, unlinkChild(child), parentPlace);
        // A child that dissolves when emptied (a chord, a group) may have left this list by
        // itself while it removed its own children.
        gone = unlinked || !hasChild(child);
    }
    updateChildFlag();
    return gone ? 1 : 0;
}

int ECWithChild::RemoveChildren(int recursive)
{
    KeepAlive keep(*this);
    while (!m_children.IsEmpty()) {
        const plat::RefPtr<ECBase> child(m_children.GetTail());
        if (recursive)
            child->RemoveChildren(1);
        const int parentPlace = parentPlaceOf(child.get());
        const bool unlinked = child->RemoveParent(this) != 0;
        const int childPlace = unlinkChild(child.get());
        if (unlinked)
            MCLinkJournal::RecordCut(this, child.get(), childPlace, parentPlace);
    }
    updateChildFlag();
    return 1;
}

MCPosition ECWithChild::findChild(const ECBase* child, int& index) const
{
    if (const ChildFinger* finger = childFinger(); finger && finger->node && finger->changes == m_children.GetChangeCount()) {
        if (m_children.GetAt(finger->node) == child) {
            index = finger->index;
            return finger->node;
        }
        MCPosition next = finger->node;
        m_children.GetNext(next);
        if (next && m_children.GetAt(next) == child) {
            index = finger->index + 1;
            return next;
        }
        MCPosition prev = finger->node;
        m_children.GetPrev(prev);
        if (prev && m_children.GetAt(prev) == child) {
            index = finger->index - 1;
            return prev;
        }
    }
    // Children are mostly taken out near the end of the list (bars appended last, the last
    // events of a bar).
    index = m_children.GetCount() - 1;
    for (MCPosition position = m_children.GetTailPosition(); position; --index) {
        const MCPosition at = position;
        if (m_children.GetPrev(position) == child)
            return at;
    }
    return nullptr;
}

bool ECWithChild::hasChild(const ECBase* child) const
{
    int index = 0;
    return findChild(child, index) != nullptr;
}

int ECWithChild::IndexOfChild(const ECBase* child) const
{
    int index = -1;
    return findChild(child, index) ? index : -1;
}

int ECWithChild::unlinkChild(ECBase* child)
{
    int index = 0;
    const MCPosition at = findChild(child, index);
    if (!at)
        return -1;
    const int place = m_children.GetCount() - 1 - index;
    MCPosition next = at;
    m_children.GetNext(next);
    MCPosition prev = at;
    m_children.GetPrev(prev);
    const uint32_t before = m_children.GetChangeCount();
    m_children.RemoveAt(at);
    if (ChildFinger* finger = childFinger()) {
        // On the node after, which takes the index, or else the one before; unless more than
        // this node left meanwhile.
        if (m_children.GetChangeCount() != before + 1 || (!next && !prev))
            *finger = ChildFinger{};
        else
            *finger = ChildFinger{next ? next : prev, next ? index : index - 1, m_children.GetChangeCount()};
    }
    return place;
}

int ECWithChild::parentPlaceOf(ECBase* child)
{
    // Only a journal needs it.
    if (!MCLinkJournal::IsRecording())
        return -1;
    int place = 0;
    for (ECBase* parent : *child->GetParents()) {
        if (parent == this)
            return place;
        ++place;
    }
    return -1;
}

void ECWithChild::unlinkAfterFailedLoad()
{
    for (ECBase* child : m_children)
        child->GetParents()->DetachEvent(this);
    m_children.DetachAll();
    updateChildFlag();
    ECBase::unlinkAfterFailedLoad();
}

void ECWithChild::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    serializeChildren(archive);
}

void ECWithChild::serializeChildren(plat::Archive& archive)
{
    if (archive.isStoring()) {
        if (GetFlags() & flagHasChildren)
            m_children.SerializeFromParent(archive, this);
        return;
    }
    if (GetFlags() & flagHasChildren) {
        // While the children load, a reference back to this element would make it its own
        // descendant; SerializeFromParent refuses it.
        struct LoadingMark {
            ECWithChild& element;
            explicit LoadingMark(ECWithChild& e) : element(e) { element.SetLoading(true); }
            ~LoadingMark() { element.SetLoading(false); }
        } mark(*this);
        m_children.SerializeFromParent(archive, this);
    }
    updateChildFlag();
}

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

int ECWithChild::AddChild(ECBase* child, int sorted)
{
    // The child's parent list mirrors the child lists that hold it and is usually far shorter
    // than this element's child list.
    if (!child || child == this || child->GetParents()->Find(this))
        return 0;
    m_children.AddEvent(child, sorted);
    child->AddParent(this);
    updateChildFlag();
    return 1;
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

bool ECWithChild::hasChild(const ECBase* child) const
{
    // Children are mostly taken out near the end of the list (bars appended last, the last
    // events of a bar).
    for (MCPosition position = m_children.GetTailPosition(); position;) {
        if (m_children.GetPrev(position) == child)
            return true;
    }
    return false;
}

int ECWithChild::unlinkChild(ECBase* child)
{
    // Usually the tail; searched from there.
    int place = 0;
    for (MCPosition position = m_children.GetTailPosition(); position; ++place) {
        const MCPosition at = position;
        if (m_children.GetPrev(position) == child) {
            m_children.RemoveAt(at);
            return place;
        }
    }
    return -1;
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

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

// An element with an ordered list of children. A child stands in the child list exactly when
// this element stands in the child's parent list; each side holds one reference on the other.
class NOTABASE_API ECWithChild : public ECBase {
    PLAT_DECLARE_SERIAL(ECWithChild)
public:
    ~ECWithChild() override;

    // The copy has no children.
    ECWithChild& operator=(const ECWithChild& other);
    bool operator==(const ECWithChild&) const { return true; }

    // The element record head, then (flags bit 1) the child list.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    MCEventList* GetChildren() override;
    // 0 when the child is there already. Sorted: after the last child whose time is not later
    // than its own, untimed children first; unsorted: at the end.
    int AddChild(ECBase* child, int sorted) override;
    // 0 when the child is not there, or when it refuses to let this parent go (its
    // RemoveParent fails): the child then stays. Recursive first removes the child's own
    // children. The child is deleted when no other list holds it.
    int RemoveChild(ECBase* child, int recursive) override;
    // Removes every child, last first. A child whose RemoveParent fails is still taken out of
    // this list, so that the list always ends empty; a child that takes itself out of the list
    // meanwhile (a chord or group dissolving) is not looked for again.
    int RemoveChildren(int recursive) override;
    // After a failed load: also drops the child links on both sides, deleting nothing.
    void unlinkAfterFailedLoad() override;
    // The child's index in the child list from the head; -1 when it is not there.
    int IndexOfChild(const ECBase* child) const;

protected:
    // A child's node and its index from the head, which hold while the child list's change
    // count is `changes`. An element whose child list grows long (a track's bars, an envelope's
    // points) keeps one, left beside the child last taken out or put in, so that a run of
    // children taken out or put back one after another is found without a walk of the list.
    struct ChildFinger {
        MCPosition node = nullptr;
        int index = 0;
        uint32_t changes = 0;
    };

    ECWithChild() = default;
    ECWithChild(const ECWithChild& other);

    // Null for an element that keeps none: its child list is searched from the tail.
    virtual ChildFinger* childFinger() const { return nullptr; }
    // AddChild with the node put before `before` (null: at the tail) instead of by time, for an
    // element that knows the place already; the new node's position, or null when refused.
    MCPosition AddChildBefore(ECBase* child, MCPosition before);
    void updateChildFlag();
    // Takes the child's node out of the child list (searched from the finger, then from the
    // tail), if it is there; gives the number of children that stood after it, or -1. A journal
    // that records (MCLinkJournal) is told of every link cut.
    int unlinkChild(ECBase* child);
    // Where this element stands among the child's parents, while a journal records; else -1.
    int parentPlaceOf(ECBase* child);
    // Whether the child is in the child list (searched as unlinkChild searches).
    bool hasChild(const ECBase* child) const;
    // Reads or writes the child list that follows the element head.
    void serializeChildren(plat::Archive& archive);

private:
    // Whether the child may join: not null, not this element, not a child already.
    bool mayAdopt(ECBase* child);
    // Links the child to this element once its node stands at `at` in the child list, which
    // had the change count `before` until then.
    void adopt(ECBase* child, MCPosition at, uint32_t before);
    // The child's node and its index from the head; null when it is not in the list. A child
    // stands in the list once, so the finger finds the node the search from the tail would.
    MCPosition findChild(const ECBase* child, int& index) const;

    MCEventList m_children;
};

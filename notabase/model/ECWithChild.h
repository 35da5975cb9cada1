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

protected:
    ECWithChild() = default;
    ECWithChild(const ECWithChild& other);

    void updateChildFlag();
    // Takes the child's node out of the child list (searched from the tail), if it is there;
    // gives the number of children that stood after it, or -1. A journal that records
    // (MCLinkJournal) is told of every link cut.
    int unlinkChild(ECBase* child);
    // Where this element stands among the child's parents, while a journal records; else -1.
    int parentPlaceOf(ECBase* child);
    // Whether the child is in the child list (searched from the tail).
    bool hasChild(const ECBase* child) const;
    // Reads or writes the child list that follows the element head.
    void serializeChildren(plat::Archive& archive);

private:
    MCEventList m_children;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// The base of the elements that tie other elements together (beams, slurs, ties, glissandi).
// Its group-type bits decide what it does as it loses parents or children.
class NOTABASE_API ECGroup : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECGroup)
public:
    // Group-type bits; the other bits belong to derived classes.
    enum : unsigned char {
        // Losing the last parent removes the children.
        typeRemoveChildrenWithParents = 0x01,
        // Left without children by RemoveChildren, the group leaves its parents.
        typeLeaveWhenEmpty = 0x02,
        // Locked while it has no parent, so that the children stay while it is out of the
        // graph (on an undo list, say).
        typeLockWhenParentless = 0x04,
        // Locked: children are not removed.
        typeLocked = 0x08,
    };

    ECGroup() = default;
    explicit ECGroup(unsigned char type);
    // Takes the time and the group type too.
    ECGroup(const ECGroup& other);
    // Takes the voice/track word and the group type, not the time nor the children.
    ECGroup& operator=(const ECGroup& other);

    // The ECWithTimeChild record, then the group type. Documents before version 3 have no
    // group type: the group keeps the one it was made with.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    int AddParent(ECBase* parent) override;
    int RemoveParent(ECBase* parent) override;
    int RemoveFromParents() override;
    // 0 while locked.
    int RemoveChild(ECBase* child, int recursive) override;
    // 0 while locked, unless recursive: taking apart the subtree that holds it takes a locked
    // group apart as well.
    int RemoveChildren(int recursive) override;

    unsigned char GetGroupType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetGroupType(unsigned char type);
    // Non-zero when any bit of the mask is set.
    int HasType(unsigned char mask) const { return (GetGroupType() & mask) ? 1 : 0; }
    // Set or clear the bits of the mask; the new group type.
    unsigned char AddGroupType(unsigned char mask);
    unsigned char RemoveGroupType(unsigned char mask);

protected:
    // Removes the child; then, unless a note and at least minimumChildren children are left,
    // removes the rest of the children as well (and so, with typeLeaveWhenEmpty, leaves the
    // parents). 0 when the child could not be removed.
    int removeChildAndDissolve(ECBase* child, int recursive, int minimumChildren);
};

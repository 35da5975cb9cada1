#include "notabase/model/ECGroup.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECGroup, ECWithTimeChild, plat::kVersionableSchema | 2)

ECGroup::ECGroup(unsigned char type)
{
    SetGroupType(type);
}

ECGroup::ECGroup(const ECGroup& other) : ECWithTimeChild(other)
{
    SetGroupType(other.GetGroupType());
}

ECGroup& ECGroup::operator=(const ECGroup& other)
{
    ECWithTimeChild::operator=(other);
    SetGroupType(other.GetGroupType());
    return *this;
}

void ECGroup::SetGroupType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8)));
}

unsigned char ECGroup::AddGroupType(unsigned char mask)
{
    SetGroupType(GetGroupType() | mask);
    return GetGroupType();
}

unsigned char ECGroup::RemoveGroupType(unsigned char mask)
{
    SetGroupType(GetGroupType() & static_cast<unsigned char>(~mask));
    return GetGroupType();
}

ECBase* ECGroup::Copy(plat::Object* other)
{
    if (auto* group = plat::dynamicDowncast<ECGroup>(other))
        *this = *group;
    return this;
}

int ECGroup::GetEventId() const
{
    return EventId::Group;
}

int ECGroup::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

int ECGroup::AddParent(ECBase* parent)
{
    if (!ECWithTimeChild::AddParent(parent))
        return 0;
    if (HasType(typeLockWhenParentless))
        RemoveGroupType(typeLocked);
    return 1;
}

int ECGroup::RemoveParent(ECBase* parent)
{
    if (!ECWithTimeChild::RemoveParent(parent))
        return 0;
    const bool orphaned = GetParents()->IsEmpty();
    if (HasType(typeLockWhenParentless)) {
        if (orphaned)
            AddGroupType(typeLocked);
        else
            RemoveGroupType(typeLocked);
    } else if (HasType(typeRemoveChildrenWithParents) && orphaned) {
        RemoveChildren(0);
    }
    return 1;
}

int ECGroup::RemoveFromParents()
{
    if (HasType(typeLockWhenParentless))
        AddGroupType(typeLocked);
    return ECWithTimeChild::RemoveFromParents();
}

int ECGroup::RemoveChild(ECBase* child, int recursive)
{
    if (HasType(typeLocked))
        return 0;
    return ECWithTimeChild::RemoveChild(child, recursive);
}

int ECGroup::RemoveChildren(int recursive)
{
    // The lock keeps the children through edits. A recursive removal takes the whole subtree
    // apart for good (a piece closed, a removed staff freed): a locked group that refused it
    // would hold its children, and they it, for ever.
    if (HasType(typeLocked) && !recursive)
        return 0;
    if (!ECWithTimeChild::RemoveChildren(recursive))
        return 0;
    if (HasType(typeLeaveWhenEmpty) && GetChildren()->IsEmpty())
        RemoveFromParents();
    return 1;
}

int ECGroup::removeChildAndDissolve(ECBase* child, int recursive, int minimumChildren)
{
    if (!ECGroup::RemoveChild(child, recursive))
        return 0;
    MCEventList* children = GetChildren();
    if (!children->FindEvent(EventId::Note) || children->GetCount() < minimumChildren)
        RemoveChildren(0);
    return 1;
}

void ECGroup::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetGroupType());
    else if (ECPerformanceBase::GetActiveVersion(archive) >= 3)
        SetGroupType(archive.readU8());
}

#include "notabase/score/ECMeasure.h"

#include "notabase/model/EventTypes.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/MCStaffCache.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, plat::kVersionableSchema | 2)

ECMeasure::ECMeasure()
{
    SetVoiceTrack(14, MCVoiceTrack::noTrack);
}

ECMeasure::ECMeasure(const ECMeasure& other) : ECWithTimeChild(other)
{
}

ECMeasure& ECMeasure::operator=(const ECMeasure& other)
{
    if (this != &other)
        ECWithTimeChild::operator=(other);
    return *this;
}

ECBase* ECMeasure::Copy(plat::Object* other)
{
    if (auto* measure = plat::dynamicDowncast<ECMeasure>(other))
        *this = *measure;
    return this;
}

int ECMeasure::GetEventId() const
{
    return EventId::Measure;
}

int ECMeasure::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

ECStaff* ECMeasure::staff()
{
    return plat::dynamicDowncast<ECStaff>(GetAncestor(EventId::Staff, -1));
}

int ECMeasure::AddChild(ECBase* child, int sorted)
{
    if (!ECWithTimeChild::AddChild(child, sorted))
        return 0;
    if (MCStaffCache::IsCacheEvent(child)) {
        if (ECStaff* above = staff())
            above->CacheEvent(child, ECStaff::HandOf(child));
    }
    return 1;
}

int ECMeasure::RemoveChild(ECBase* child, int recursive)
{
    ECStaff* above = MCStaffCache::IsCacheEvent(child) && GetChildren()->Find(child) ? staff() : nullptr;
    if (!above)
        return ECWithTimeChild::RemoveChild(child, recursive);
    const plat::RefPtr<ECBase> hold(child);
    const unsigned char hand = ECStaff::HandOf(child);
    const bool wasInForce = above->UncacheEvent(child, hand) != 0;
    const int removed = ECWithTimeChild::RemoveChild(child, recursive);
    if (!removed) {
        // Still here: back into the cache.
        if (wasInForce)
            above->CacheEvent(child, hand);
        return 0;
    }
    if (wasInForce)
        above->CacheHiddenEvent(child->GetEventId(), hand, *child->GetTime());
    return removed;
}

int ECMeasure::RemoveChildren(int recursive)
{
    if (ECStaff* above = staff()) {
        for (ECBase* child : *GetChildren()) {
            if (MCStaffCache::IsCacheEvent(child))
                above->UncacheEvent(child, ECStaff::HandOf(child));
        }
    }
    return ECWithTimeChild::RemoveChildren(recursive);
}

#include "notabase/model/ECPerformance.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"

#include <mutex>
#include <optional>

PLAT_IMPLEMENT_SERIAL(ECPerformance, ECWithTimeChild, plat::kVersionableSchema | 2)

ECPerformance* ECPerformance::s_pActivePerformance = nullptr;

ECPerformance::ECPerformance()
{
    m_commandMgr.SetOwner(this);
    m_stateMgr.SetOwner(this);
    SetTime(&MCTime::TimeZero());
}

ECPerformance::~ECPerformance()
{
    // The conductor goes with the children; nothing may find it through the cache meanwhile.
    m_conductor = nullptr;
    if (s_pActivePerformance == this)
        s_pActivePerformance = nullptr;
}

ECPerformance* ECPerformance::GetActivePerformance()
{
    return s_pActivePerformance;
}

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance)
{
    ECPerformance* previous = s_pActivePerformance;
    s_pActivePerformance = performance;
    return previous;
}

namespace {

int versionOrActive(std::optional<int> version)
{
    if (version)
        return *version;
    const ECPerformance* active = ECPerformance::GetActivePerformance();
    return active ? active->GetVersion() : ECPerformance::newestVersion;
}

}  // namespace

int ECPerformance::GetActiveVersion(const plat::Archive& archive)
{
    return versionOrActive(MCLoadVersion::Of(archive));
}

int ECPerformance::GetActiveVersion()
{
    return versionOrActive(MCLoadVersion::InUse());
}

namespace {

// The conductor class is defined with the score structure, which builds on this file; until
// then the element found by its id is handed out through this one conversion. Element classes
// derive from ECBase by single inheritance, so the address is the same.
ECConductor* asConductor(ECBase* element)
{
    return reinterpret_cast<ECConductor*>(element);
}

}  // namespace

ECConductor* ECPerformance::GetConductor()
{
    if (m_conductor)
        return asConductor(m_conductor);
    ECBase* found = GetDescendant(EventId::Conductor, -1);
    // Only a child is cached: its removal passes through this performance's RemoveChild and
    // RemoveChildren, which drop the cache, so the cache never outlives the conductor.
    if (found && found->GetParents()->Find(this))
        m_conductor = found;
    return asConductor(found);
}

void ECPerformance::Serialize(plat::Archive& archive)
{
    std::lock_guard<plat::RecursiveLock> guard(m_lock);
    if (archive.isLoading())
        m_conductor = nullptr;
    ECWithTimeChild::Serialize(archive);
    if (archive.isLoading())
        GetConductor();
}

ECBase* ECPerformance::Copy(plat::Object* other)
{
    if (auto* performance = plat::dynamicDowncast<ECPerformance>(other))
        ECWithTimeChild::operator=(*performance);
    return this;
}

int ECPerformance::GetEventId() const
{
    return EventId::Performance;
}

int ECPerformance::RemoveChild(ECBase* child, int recursive)
{
    if (child && child == m_conductor)
        m_conductor = nullptr;
    return ECWithTimeChild::RemoveChild(child, recursive);
}

int ECPerformance::RemoveChildren(int recursive)
{
    m_conductor = nullptr;
    return ECWithTimeChild::RemoveChildren(recursive);
}

#include "notabase/model/ECPerformanceBase.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"

#include <mutex>
#include <optional>

PLAT_IMPLEMENT_DYNAMIC(ECPerformanceBase, ECWithTimeChild)

ECPerformanceBase* ECPerformanceBase::s_pActivePerformance = nullptr;

namespace {

int versionOrActive(std::optional<int> version, const ECPerformanceBase* active)
{
    if (version)
        return *version;
    return active ? active->GetVersion() : ECPerformanceBase::newestVersion;
}

}  // namespace

ECPerformanceBase::ECPerformanceBase()
{
    SetTime(&MCTime::TimeZero());
}

ECPerformanceBase::~ECPerformanceBase()
{
    // The conductor goes with the children; nothing may find it through the cache meanwhile.
    m_conductor = nullptr;
    if (s_pActivePerformance == this)
        s_pActivePerformance = nullptr;
}

ECPerformanceBase* ECPerformanceBase::GetActive()
{
    return s_pActivePerformance;
}

ECPerformanceBase* ECPerformanceBase::SetActive(ECPerformanceBase* performance)
{
    ECPerformanceBase* previous = s_pActivePerformance;
    s_pActivePerformance = performance;
    return previous;
}

int ECPerformanceBase::GetActiveVersion(const plat::Archive& archive)
{
    return versionOrActive(MCLoadVersion::Of(archive), s_pActivePerformance);
}

int ECPerformanceBase::GetActiveVersion()
{
    return versionOrActive(MCLoadVersion::InUse(), s_pActivePerformance);
}

ECBase* ECPerformanceBase::FindConductor()
{
    if (m_conductor)
        return m_conductor;
    ECBase* found = GetDescendant(EventId::Conductor, -1);
    // Only a child is cached: its removal passes through this performance's RemoveChild and
    // RemoveChildren, which drop the cache, so the cache never outlives the conductor.
    if (found && found->GetParents()->Find(this))
        m_conductor = found;
    return found;
}

void ECPerformanceBase::Serialize(plat::Archive& archive)
{
    std::lock_guard<plat::RecursiveLock> guard(m_lock);
    if (archive.isLoading())
        m_conductor = nullptr;
    ECWithTimeChild::Serialize(archive);
    if (archive.isLoading())
        FindConductor();
}

int ECPerformanceBase::GetEventId() const
{
    return EventId::Performance;
}

int ECPerformanceBase::RemoveChild(ECBase* child, int recursive)
{
    if (child && child == m_conductor)
        m_conductor = nullptr;
    return ECWithTimeChild::RemoveChild(child, recursive);
}

int ECPerformanceBase::RemoveChildren(int recursive)
{
    m_conductor = nullptr;
    return ECWithTimeChild::RemoveChildren(recursive);
}

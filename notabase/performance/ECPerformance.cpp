#include "notabase/performance/ECPerformance.h"

#include "notabase/score/ECConductor.h"

PLAT_IMPLEMENT_SERIAL(ECPerformance, ECPerformanceBase, plat::kVersionableSchema | 2)

ECPerformance::ECPerformance()
{
    m_commandMgr.SetOwner(this);
    m_stateMgr.SetOwner(this);
}

ECPerformance::~ECPerformance()
{
    // No longer active before the managers go.
    if (GetActive() == this)
        SetActive(nullptr);
}

ECPerformance* ECPerformance::GetActivePerformance()
{
    // Only this class makes a performance active.
    return static_cast<ECPerformance*>(GetActive());
}

ECPerformance* ECPerformance::SetActivePerformance(ECPerformance* performance)
{
    return static_cast<ECPerformance*>(SetActive(performance));
}

ECConductor* ECPerformance::GetConductor()
{
    return plat::dynamicDowncast<ECConductor>(FindConductor());
}

ECBase* ECPerformance::Copy(plat::Object* other)
{
    if (auto* performance = plat::dynamicDowncast<ECPerformance>(other))
        ECWithTimeChild::operator=(*performance);
    return this;
}

#include "notabase/commands/MCCarriedPoints.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"

void MCCarriedPoints::Count(const MCEventList* anchors, int step)
{
    if (!anchors)
        return;
    for (const ECBase* point : *anchors)
        m_counts[point] += step;
}

bool MCCarriedPoints::ByOther(ECBase* point, const MCEventList* own) const
{
    const auto counted = m_counts.find(point);
    if (counted == m_counts.end())
        return false;
    const int byOwn = own && own->Find(point) ? 1 : 0;
    return counted->second > byOwn;
}

#include "notabase/actions/ACTypeFilter.h"

#include "notabase/model/ECBase.h"

#include <algorithm>

ACTypeFilter::ACTypeFilter(int n, int reverse) : ACBase(reverse)
{
    // A hint only: a filter never holds more ids than there are element types, so a count
    // meant as something else (a maximum of elements found) does not reserve gigabytes.
    constexpr int kMostIds = 256;
    m_types.reserve(static_cast<size_t>(std::clamp(n, 1, kMostIds)));
}

void ACTypeFilter::RemoveEvtType(int id)
{
    const auto it = std::find(m_types.begin(), m_types.end(), id);
    if (it != m_types.end())
        m_types.erase(it);
}

int ACTypeFilter::FindEvtType(int id) const
{
    const auto it = std::find(m_types.begin(), m_types.end(), id);
    return it == m_types.end() ? -1 : static_cast<int>(it - m_types.begin());
}

bool ACTypeFilter::Matches(ECBase* element) const
{
    if (m_types.empty())
        return true;
    return std::find(m_types.begin(), m_types.end(), element->GetEventId()) != m_types.end();
}

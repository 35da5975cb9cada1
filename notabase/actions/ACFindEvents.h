#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACTypeFilter.h"
#include "notabase/model/MCEventList.h"

// Collects the visited elements that match the type filter, holding a reference on each, and
// stops the walk once the maximum count is found.
class NOTABASE_API ACFindEvents : public ACTypeFilter {
public:
    static constexpr int noMaximum = 0x7FFFFFFF;

    explicit ACFindEvents(int n = 1) : ACTypeFilter(n) {}

    // Empties the found list.
    int BeginAction() override;
    int DoAction(ECBase* element) override;

    MCEventList& GetEvents() { return m_found; }
    int GetEventCount() const { return m_foundCount; }
    int GetMaxEventCount() const { return m_maxCount; }
    void SetMaxEventCount(int count) { m_maxCount = count; }

protected:
    // Appends the element and counts it; 2 when the maximum is reached, else 0.
    int Collect(ECBase* element);

private:
    MCEventList m_found;
    int m_foundCount = 0;
    int m_maxCount = noMaximum;
};

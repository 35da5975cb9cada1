#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACTypeFilter.h"

// Counts the visited elements that match the type filter.
class NOTABASE_API ACCount : public ACTypeFilter {
public:
    explicit ACCount(int n = 1) : ACTypeFilter(n) {}

    int BeginAction() override;
    int DoAction(ECBase* element) override;
    int GetCount() const { return m_count; }

private:
    int m_count = 0;
};

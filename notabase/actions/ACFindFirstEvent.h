#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACTypeFilter.h"

// Finds the first visited element that matches the type filter and stops the walk there.
class NOTABASE_API ACFindFirstEvent : public ACTypeFilter {
public:
    explicit ACFindFirstEvent(int n = 1) : ACTypeFilter(n) {}

    int BeginAction() override;
    int DoAction(ECBase* element) override;
    // Null when none was found.
    ECBase* GetEvent() const { return m_found; }

private:
    ECBase* m_found = nullptr;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACTypeFilter.h"

// Sorts the child list of each visited element that matches the type filter by time.
class NOTABASE_API ACSortChildren : public ACTypeFilter {
public:
    explicit ACSortChildren(int n = 1) : ACTypeFilter(n) {}

    int DoAction(ECBase* element) override;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"

// The walk that visits an element's relatives before the element itself.
class NOTABASE_API ACRelativesFirst : public ACBase {
public:
    ACRelativesFirst() : ACBase(0) {}

    using ACBase::Apply;
    int Apply(ECBase* element) override;
};

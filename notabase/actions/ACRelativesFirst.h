#pragma once

#include "notabase/actions/ACBase.h"

// The walk that visits an element's relatives before the element itself.
class ACRelativesFirst : public ACBase {
public:
    ACRelativesFirst() : ACBase(0) {}

    using ACBase::Apply;
    int Apply(ECBase* element) override;
};

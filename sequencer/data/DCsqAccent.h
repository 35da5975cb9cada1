#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of an accent mark, which acts on the events of its note through an
// accent filter made from the mark's type when the data gets its owner.
class SEQUENCER_API DCsqAccent : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqAccent)
public:
    int GetClassType() const override;
    // The base record, then the filter as an object (read from version 3 on).
    void Serialize(plat::Archive& archive) override;
    // A loaded accent always has its filter.
    void PostSerialize(plat::Archive& archive) override;
    // Makes the accent filter when there is none, from the owner's type, and enables it.
    void SetOwner(ECBase* owner) override;
};

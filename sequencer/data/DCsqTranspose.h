#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of a transposition mark.
class SEQUENCER_API DCsqTranspose : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqTranspose)
public:
    int GetClassType() const override;
    // Nothing is stored; documents of versions 1 and 2 (and of version 0 stored with schema 2
    // or later) hold one object, dropped.
    void Serialize(plat::Archive& archive) override;
};

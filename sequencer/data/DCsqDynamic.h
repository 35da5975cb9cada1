#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"

// The sequencer data of a dynamic mark. It plays no events of its own; the velocity filters
// read the multiplier of its kind. The percent change comes only from old documents.
class SEQUENCER_API DCsqDynamic : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqDynamic)
public:
    DCsqDynamic() = default;
    DCsqDynamic(const DCsqDynamic& other) : DCsqFilter(other), m_percentChange(other.m_percentChange) {}
    DCsqDynamic& operator=(const DCsqDynamic& other);

    // Nothing is stored; documents before version 3 hold a message data object, dropped, and
    // the percent change.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;

    float GetPercentChange() const { return m_percentChange; }
    // The velocity factor of a mark: pppp (0) to ffff (9), crescendo (10); 1 for any other.
    static float GetMultiplierForType(unsigned char type);

private:
    float m_percentChange = 0.0f;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

// The sequencer data of a tempo mark: the percent by which a gradual tempo change moves the
// tempo. It plays no events of its own: the tempo map times the piece.
class SEQUENCER_API DCsqTempo : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqTempo)
public:
    DCsqTempo() = default;
    DCsqTempo(const DCsqTempo& other) : DCsqBase(other), m_percentChange(other.m_percentChange) {}
    DCsqTempo& operator=(const DCsqTempo& other);
    bool operator==(const DCsqTempo& other) const { return m_percentChange == other.m_percentChange; }
    bool operator!=(const DCsqTempo& other) const { return !(*this == other); }

    // The base record; documents before version 3 also hold the percent.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;

    // The percent, made to agree with the owner mark's tempo type first: a speeding up is
    // positive, a slowing down negative, and any other kind of mark changes nothing.
    float GetPercentChange();
    void ValidatePercentChange();

private:
    float m_percentChange = 25.0f;
};

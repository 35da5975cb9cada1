#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"
#include "wavegate/WGTypes.h"

// The sequencer data of a wave clip: the pan, volume and frequency words of its player.
class SEQUENCER_API DCsqWave : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqWave)
public:
    DCsqWave() = default;
    DCsqWave(const DCsqWave& other) : DCsqBase(other), m_params(other.m_params) {}
    DCsqWave& operator=(const DCsqWave& other);
    // Clips are never equal to anything.
    bool operator==(const DCsqWave&) const { return false; }
    bool operator!=(const DCsqWave&) const { return true; }

    // The base record, then the pan, volume and frequency words (read from version 2 on).
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // One wave-parameter event that starts the clip on its wave track with the track's player
    // words; nothing while a MIDI file is written or when the track has no data.
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;

    const WG_DSParams& GetDSParams() const { return m_params; }
    void SetDSParams(const WG_DSParams& params) { m_params = params; }

private:
    WG_DSParams m_params;
};

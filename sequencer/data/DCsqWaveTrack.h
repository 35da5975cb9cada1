#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqTrack.h"
#include "wavegate/WGTypes.h"

// The sequencer data of a wave track. Its gain, pan and frequency become the pan, volume and
// frequency words of the track's wave player, handed to every wave output at once; a track
// that does not play is silenced through its volume.
class SEQUENCER_API DCsqWaveTrack : public DCsqTrack {
    PLAT_DECLARE_SERIAL(DCsqWaveTrack)
public:
    // The volume word of a silent track.
    static constexpr int32_t kSilent = -10000;

    DCsqWaveTrack() = default;
    DCsqWaveTrack(const DCsqWaveTrack& other) = default;
    DCsqWaveTrack& operator=(const DCsqWaveTrack& other) = default;
    // A wave track is never equal to another, so an edit of one always counts as a change.
    bool operator==(const DCsqWaveTrack&) const { return false; }
    bool operator!=(const DCsqWaveTrack&) const { return true; }

    // The track record, then the frequency and the pan, volume and frequency words (read from
    // version 2 on).
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    int GetTrackType() const override;

    // Volume: (master gain × track gain - 1) × 5000 while the track plays, else silent.
    void SetTrackGain(float gain) override;
    // Pan: pan × 10000.
    void SetTrackPan(float pan) override;
    // Held to -1.0 .. 1.0; frequency: frequency × 10000.
    virtual void SetTrackFrequency(float frequency);
    // Also applies the volume the new state calls for.
    void SetActive(int active) override;

    float GetTrackFrequency() const { return m_frequency; }
    const WG_DSParams& GetDSParams() const { return m_params; }
    void SetDSParams(const WG_DSParams& params) { m_params = params; }

private:
    void ApplyWaveParams() const;

    float m_frequency = 0.0f;
    WG_DSParams m_params;
};

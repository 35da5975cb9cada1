#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqTrack.h"

// The sequencer data of a staff. Its mixer setters send the new controller value to the
// outputs of its voices at once, one message for each device and channel its voices use.
class SEQUENCER_API DCsqStaff : public DCsqTrack {
    PLAT_DECLARE_SERIAL(DCsqStaff)
public:
    // The controllers the mixer parameters drive.
    enum : int {
        controllerModulation = 1,
        controllerVolume = 7,
        controllerPan = 10,
        controllerExpression = 11,
        controllerReverb = 91,
        controllerChorus = 93,
    };

    int GetClassType() const override;
    int GetTrackType() const override;

    // Volume: 127 times the gain factor, which is first made the sequence's master gain times
    // the track gain.
    void SetTrackGain(float gain) override;
    // Pan: 64 plus pan times 64.
    void SetTrackPan(float pan) override;
    // Chorus, reverb and modulation: the value times 127.
    void SetTrackChorus(float chorus) override;
    void SetTrackReverb(float reverb) override;
    void SetTrackModulation(float modulation) override;
    // Expression at full level.
    void SetTrackExpression() override;

    // The sequence's master gain times the track gain, as last sent.
    float GetTrackGainFactor() const { return m_gainFactor; }

private:
    // Sends base + offset, or base × scale, held to 0..127 and rounded, as the controller on
    // the output of each voice whose device and channel no lower voice has.
    void SendController(int controller, float base, float scale, float offset);

    float m_gainFactor = 1.0f;
};

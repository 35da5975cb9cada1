#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqTrack.h"

#include "platform/core/RefPtr.h"

#include <array>
#include <atomic>
#include <memory>

class CMidiEnvelopeMgr;
class LCsqTranspose;

// The sequencer data of a staff. Its mixer setters send the new controller value to the
// outputs of its voices at once, one message for each device and channel its voices use. Each
// voice has a manager of its controller envelopes, made when first needed. A transposition
// filter among its track filters moves its notes by the track's transposition and by its
// transposition envelope.
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

    // Envelope kinds by element type, as GetEnvelope and GetEnvelopes take them.
    enum : int {
        envChanPressure = 11,
        envController = 19,
        envNRPN = 38,
        envPatch = 42,
        envPitchBend = 46,
        envPolyPressure = 48,
        envRPN = 52,
        envTransposition = 63,
        envVelocity = 69,
    };
    // Bits of the flags of GetEnvelope.
    enum : unsigned long { envCreate = 0x1, envFallBack = 0x2 };

    // Has its transposition filter.
    DCsqStaff();
    // A copy has the track's settings and gain factor; the envelope managers stay with the
    // staff whose envelopes they list.
    DCsqStaff(const DCsqStaff& other);
    DCsqStaff& operator=(const DCsqStaff& other);
    ~DCsqStaff() override;

    int GetClassType() const override;
    int GetTrackType() const override;

    // The track record, then each voice's envelope manager and velocity envelope, the
    // transposition envelope and the gain factor. Documents of versions 0 to 2 hold the older
    // track record and the older per-staff layers, whose voice map gives the voices their
    // outputs.
    void Serialize(plat::Archive& archive) override;
    void unlinkAfterFailedLoad() override;

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
    float GetTrackGainFactor() const { return m_gainFactor.load(std::memory_order_relaxed); }

    // The envelope manager of a voice 0-7, made when create is 1; null for other voices.
    CMidiEnvelopeMgr* GetMidiEnvelopeMgr(int voice, int create);
    // The MIDI envelopes (kinds 11 .. 52) come from the manager of the first voice that plays
    // on the same device and channel as the voice, so voices sharing an output share them;
    // a is the controller or key, a and b the parameter number. envCreate makes what is
    // missing. Velocity envelopes are never made: kind 69 answers null.
    ECEnvelope* GetEnvelope(int type, unsigned long flags, int voice, int a, int b) override;
    // Appends the envelopes of one MIDI kind of the voice's shared manager; nonzero when the
    // list is not empty.
    int GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice) override;
    // The envelopes' events in [from, to), voice by voice; a window from 0 begins with their
    // state there. Nothing for a track the sequence leaves out, or an empty staff while
    // empty staves are muted.
    void GetEnvelopeData(const MCTime& from, const MCTime& to, CSeqEventList& list) override;
    // The envelopes' state at the time, voice by voice, to chase a locate.
    void GetStateData(const MCTime& time, CSeqEventList& list) override;
    // A sustain-pedal off for each voice that has a sustain envelope, at the time.
    virtual void GetSustainPedalOffData(const MCTime& time, CSeqEventList& list);

    // The envelope named "Transposition" that drives the transposition filter. With create 1 a
    // missing one is made and added under the staff, which must stand in a performance (else
    // null).
    ECEnvelope* GetTranspositionEnv(int create);
    // The velocity envelope a document stored for a voice 0-7; none is ever made.
    ECEnvelope* GetVelocityEnv(int voice, int create);

private:
    // Sends base + offset, or base × scale, held to 0..127 and rounded, as the controller on
    // the output of each voice whose device and channel no lower voice has; the value of the
    // voice's envelope of the controller at the sequence's location replaces base.
    void SendController(int controller, float base, float scale, float offset);

    // The transposition filter of the track list, made and added when missing.
    LCsqTranspose* TransposeFilter();
    // Reads the layers of an older staff: the voice map's outputs become the voices'.
    void LoadOldLayers(plat::Archive& archive);
    // The manager of the first voice on the voice's device and channel.
    CMidiEnvelopeMgr* SharedEnvelopeMgr(int voice, int create);
    static bool IsMidiEnvelopeType(int type);

    std::atomic<float> m_gainFactor{1.0f};
    std::array<std::unique_ptr<CMidiEnvelopeMgr>, voiceCount> m_envelopeMgrs;
    std::array<plat::RefPtr<ECEnvelope>, voiceCount> m_velocityEnvs;
    plat::RefPtr<ECEnvelope> m_transpositionEnv;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "platform/core/Object.h"
#include "platform/core/RefPtr.h"
#include "sequencer/events/CSeqEvent.h"

#include <array>
#include <memory>
#include <vector>

class CSequence;
class DCsqStaff;
class ECChanPressureEnv;
class ECControllerEnv;
class ECEnvPoint;
class ECEnvelope;
class FCMidi;
class ECNRPNEnv;
class ECPatchEnv;
class ECPitchBendEnv;
class ECPolyPressureEnv;
class ECRPNEnv;
class MCTime;
class MCVoiceTrack;

// The MIDI controller envelopes of one voice of one staff: a curve per controller 0-119, per
// key of polyphonic pressure, per registered and non-registered parameter, and one each for
// channel pressure, pitch bend and the patch. For playback it turns them into sequencer events,
// as the state at a time (to chase a locate) and as the changes within a window, folding the
// staff's mixer settings into modulation, volume, pan, reverb and chorus. For transcription it
// turns recorded channel messages into envelope points, following bank select and parameter
// selection as a MIDI receiver does.
//
// The envelopes are elements under the staff, which owns them; the manager keeps a reference
// to each so that one taken out of the score while the manager still lists it stays valid.
class SEQUENCER_API CMidiEnvelopeMgr : public plat::Object {
    PLAT_DECLARE_SERIAL(CMidiEnvelopeMgr)
public:
    static constexpr int controllerCount = 120;
    static constexpr int keyCount = 128;

    CMidiEnvelopeMgr() = default;
    CMidiEnvelopeMgr(DCsqStaff* staff, int voice);
    CMidiEnvelopeMgr(const CMidiEnvelopeMgr&) = delete;
    CMidiEnvelopeMgr& operator=(const CMidiEnvelopeMgr&) = delete;
    ~CMidiEnvelopeMgr() override;

    // The manager of the staff and voice a voice/track word names in the sequence's piece; the
    // staff's data and the manager are made when create is 1. Null at any missing step.
    static CMidiEnvelopeMgr* GetEnvMgr(CSequence* sequence, const MCVoiceTrack& voiceTrack, int create);

    // Each getter answers the envelope or null; with create 1 a missing one is made, limited,
    // named and added under the staff.
    ECChanPressureEnv* GetChanPressureEnv(int create);
    // Null for controllers outside 0-119.
    ECControllerEnv* GetControllerEnv(int controller, int create);
    ECNRPNEnv* GetNRPNEnv(int msb, int lsb, int create);
    ECRPNEnv* GetRPNEnv(int msb, int lsb, int create);
    ECPatchEnv* GetPatchEnv(int create);
    ECPitchBendEnv* GetPitchBendEnv(int create);
    // Null for keys outside 0-127.
    ECPolyPressureEnv* GetPolyPressureEnv(int key, int create);

    // Takes the envelope in place of the one of the same kind and key (which it answers, or
    // null). An envelope of any other kind, or with a controller or key out of range (a
    // damaged document), is not taken: null.
    ECEnvelope* AddEnvelope(ECEnvelope* envelope);
    // 0 when the envelope is not one of the manager's.
    int RemoveEnvelope(ECEnvelope* envelope);
    // Every envelope, in the order they were added.
    std::vector<ECEnvelope*> GetEnvelopeList() const;

    // Appends the state of every envelope at the time. A mixer setting without an envelope of
    // its controller is sent again through the staff's setter, or, while a MIDI file is
    // written, appended as a controller event instead.
    void GetMidiData(CSeqEventList& list, const MCTime& time);
    // Appends the changes of every envelope in [from, to).
    void GetMidiData(CSeqEventList& list, const MCTime& from, const MCTime& to);

    // A new point for a recorded channel message, owned by the caller; null for a message
    // that only changes the receiver state (bank select, parameter selection, data increment
    // and decrement) and for anything that is no envelope data.
    ECEnvPoint* GetEnvPoint(const FCMidi& message);
    // Forgets the bank and the parameter selected by earlier messages. A transcription calls
    // it before its first message, so that a selection left over from an earlier recording or
    // import does not change what the new messages mean.
    void ClearState();

    // A flag and the 120 controller envelopes from 119 down, a flag and the 128 poly-pressure
    // envelopes from key 127 down (each array only when its flag is set), the patch, pitch-bend
    // and channel-pressure envelopes, the staff, the voice, then the RPN and NRPN envelopes.
    // Loading first lets go of every envelope; a loaded envelope of the wrong kind or key
    // is an archive error.
    void Serialize(plat::Archive& archive) override;
    // Drops the envelope references without deleting anything: the archive disposes of them.
    void unlinkAfterFailedLoad() override;

    DCsqStaff* GetStaff() const { return m_staff; }
    int GetVoice() const { return m_voice; }

private:
    // Stores a new envelope in its slot, tells it its staff and voice and adds it under the
    // staff element when the staff stands in a performance.
    void Register(ECEnvelope* envelope);
    void NotifyCreate(ECEnvelope* envelope);
    // Lets go of every envelope and frees the two arrays.
    void RemoveAllEnvelopes();
    // Takes a loaded envelope into its slot; a damaged record naming the wrong kind, key or
    // an envelope twice throws.
    void TakeLoaded(ECEnvelope* envelope);
    // Empties the slot or list entry that holds the envelope.
    void ClearSlot(ECEnvelope* envelope);
    // The value combined with the staff's mixer setting of the controller and held to 0..127;
    // other controllers and envelopes keep the value. The controller's bit goes into folded.
    float Fold(ECEnvelope* envelope, float value, unsigned& folded) const;
    void MakeEventData(ECEnvelope* envelope, const MCTime& time, float value, CSeqEventList& list) const;
    CSequence* Sequence() const;
    // Bank select and parameter selection: the state changes and there is no point.
    bool ControllerSpecialCase(int controller, const FCMidi& message);
    // Data entry for the selected parameter, or null when none is selected.
    ECEnvPoint* ControllerParameterData(int controller, const FCMidi& message, bool registered, bool& handled);

    std::unique_ptr<std::array<ECControllerEnv*, controllerCount>> m_controllers;
    std::unique_ptr<std::array<ECPolyPressureEnv*, keyCount>> m_polyPressure;
    std::vector<ECRPNEnv*> m_rpn;
    std::vector<ECNRPNEnv*> m_nrpn;
    ECPatchEnv* m_patch = nullptr;
    ECPitchBendEnv* m_pitchBend = nullptr;
    ECChanPressureEnv* m_chanPressure = nullptr;
    // Holds the reference to every envelope the slots above name.
    std::vector<plat::RefPtr<ECEnvelope>> m_all;
    // Receiver state: the selected parameters (-1 none), the last data-entry MSB shifted
    // into place, and the bank.
    int m_rpnMSB = -1;
    int m_rpnLSB = -1;
    int m_nrpnMSB = -1;
    int m_nrpnLSB = -1;
    int m_dataEntryMSB = 0;
    int m_bankMSB = 0;
    int m_bankLSB = 0;
    DCsqStaff* m_staff = nullptr;
    int m_voice = 0;
};

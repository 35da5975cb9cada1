#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

class ECEnvPoint;
class ECStaff;

// One patch edit of a CCEditPatch: the program and bank of a staff voice from a time on, and
// the voice's output address. -1 (or any negative device or channel) keeps what is there.
// Process keeps the old values for the undo.
class SEQUENCER_API CCEditPatchItem {
public:
    CCEditPatchItem(ECStaff* staff, int voice, const MCTime& time);
    virtual ~CCEditPatchItem();
    CCEditPatchItem(const CCEditPatchItem&) = delete;
    CCEditPatchItem& operator=(const CCEditPatchItem&) = delete;

    // bank: 14 bits, MSB × 128 + LSB.
    void SetPatch(int program, int bank);
    void SetVoiceMap(int device, int channel);
    // Sets the voice map and the patch point at the time (made when the voice's patch
    // envelope has none there); nothing to undo when the patch there is the one asked for.
    virtual void Process();

    ECStaff* GetStaff() const { return m_staff.get(); }
    int GetVoice() const { return m_voice; }
    const MCTime& GetTime() const { return m_time; }
    int GetOldProgram() const { return m_oldProgram; }
    int GetOldBank() const { return m_oldBank; }
    int GetOldDevice() const { return m_oldDevice; }
    int GetOldChannel() const { return m_oldChannel; }
    ECEnvPoint* GetNewEnvPoint() const { return m_newPoint.get(); }
    // Whether Process made the point rather than changing one that stood there.
    bool MadeNewEnvPoint() const { return m_madePoint; }
    // Whether Process, moving the voice onto another output, rewrote a point that stood there
    // for another voice of that output; its value, voice and track before are kept here.
    bool ReplacedOtherPoint() const { return m_replacedOther; }
    float GetReplacedValue() const { return m_replacedValue; }
    int GetReplacedVoice() const { return m_replacedVoice; }
    int GetReplacedTrack() const { return m_replacedTrack; }

private:
    plat::RefPtr<ECStaff> m_staff;
    int m_voice;
    MCTime m_time;
    // Until set, everything is kept.
    int m_newProgram = -1;
    int m_newBank = -1;
    int m_newDevice = -1;
    int m_newChannel = -1;
    int m_oldProgram = 0;
    int m_oldBank = 0;
    int m_oldDevice = 0;
    int m_oldChannel = 0;
    plat::RefPtr<ECEnvPoint> m_newPoint;
    bool m_madePoint = false;
    bool m_replacedOther = false;
    float m_replacedValue = 0.0f;
    int m_replacedVoice = 0;
    int m_replacedTrack = 0;
};

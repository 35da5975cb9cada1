#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "notabase/values/MCTime.h"

#include <string>

class DCsqStaff;
class ECBase;
class ECEnvelope;
class ECStaff;
class MCCommandList;
class MCEventList;

// What the instrument page shows for one voice of the selected staves: the playback device,
// the channel, the bank and program at a time, and the device's instrument definition file
// for that channel. Each field keeps a state: not seen yet, one value seen, changed by the
// user, or different among the staves (the value is then -1 and shown empty).
class INSPECTOR_API CVoiceInfo {
public:
    enum State : int {
        stateNone = MCFieldStates::stateNone,
        stateOne = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum Field : int { fieldDevice = 0, fieldChannel = 1, fieldBank = 2, fieldProgram = 3, fieldFile = 4 };

    CVoiceInfo() = default;
    CVoiceInfo(const CVoiceInfo& other) = default;
    CVoiceInfo& operator=(const CVoiceInfo& other) = default;
    bool operator==(const CVoiceInfo& other) const;
    bool operator!=(const CVoiceInfo& other) const { return !(*this == other); }

    // Forgets what was seen: every state back to none and every value unknown; the voice and
    // time stay.
    void Reset();
    // Merges what every staff of the list with sequencer data has for this voice.
    void UpdateInfo(MCEventList* list);
    // Adds to the command list the changes the user made, for the element when it is a staff;
    // false when nothing was changed.
    bool UpdateEvent(ECBase* event, MCCommandList& commands) const;
    // Lets the voice be heard with the instrument shown: all sound off, bank select and
    // program change on the output of each staff of the list. A device or channel that
    // differs among the staves is each staff's own; nothing is sent while the bank or the
    // program is unknown.
    void SendProgram(MCEventList* list) const;
    // The instrument definition of the device for the channel: the drum map on channel 10,
    // the instrument map on the others; empty while the device is not known.
    void UpdateInstrumentFile();

    const MCTime& GetTime() const { return m_time; }
    void SetTime(const MCTime& time) { m_time = time; }
    int GetVoice() const { return m_voice; }
    void SetVoice(int voice) { m_voice = voice; }
    int GetDevice() const { return m_device; }
    void SetDevice(int device);
    int GetChannel() const { return m_channel; }
    void SetChannel(int channel);
    int GetBank() const { return m_bank; }
    void SetBank(int bank);
    int GetProgram() const { return m_program; }
    void SetProgram(int program);
    const std::string& GetInstrumentFile() const { return m_file; }

    int GetState(Field field) const { return m_states.Get(field); }
    // Whether any field was changed by the user.
    bool IsChanged() const;

    // The staff's sequencer data, null when it has none.
    static DCsqStaff* StaffData(ECBase* element);
    // The staff's patch envelope of the voice, looked up without making one.
    static ECEnvelope* PatchEnvelope(ECBase* staff, int voice);

private:
    // Whether the patch envelope the voice plays from once moved to device and channel (-1:
    // its own) has a change at or before the record's time.
    bool OutputHasPatch(DCsqStaff* data, int device, int channel) const;
    // Takes a value seen on one staff into the field.
    void Merge(Field field, int& member, int value);

    MCFieldStates m_states;
    MCTime m_time;
    int m_voice = -1;
    int m_device = -1;
    int m_channel = -1;
    int m_bank = -1;
    int m_program = -1;
    std::string m_file;
};

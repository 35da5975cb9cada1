#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

#include "sequencer/play/CSeqMetronome.h"

#include <cstdint>

// The "Metronome" page of the sequencer sheet: whether the metronome clicks while playing and
// while recording, through the computer's beep or MIDI notes, and for MIDI the notes and
// velocities of the first and the other beats, the device and the channel, each with a test.
class PREFERENCES_API CPrefsPgMetronome : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgMetronome)
public:
    static constexpr int kTemplate = 8500;
    static constexpr int kPlayEnable = 8520, kRecordEnable = 8521, kSpeaker = 8522, kMidiNotes = 8523, kPitch1 = 8530,
                         kVelocity1 = 8531, kPitch2 = 8532, kVelocity2 = 8533, kDevice = 8535, kChannel = 8536,
                         kTestPrimary = 8537, kTestSecondary = 8538, kFirstLabel = 8540, kLastLabel = 8546;
    static constexpr unsigned kTestDurationMs = 250;
    // The channel whose notes are drums.
    static constexpr int kDrumChannel = 10;

    CPrefsPgMetronome();

    void LoadPrefs() override;
    void SavePrefs() override;
    void onNotice(int id, int code, QWidget* control) override;

    // The test click of the first beat (primary) or the others: its note-on and note-off.
    void OnTest(bool primary);
    uint32_t NoteOn(bool primary) const;

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    void UpdateEnabling();
    void UpdateNoteFormat();

    bool m_buttonsLoaded = false;
    int m_playEnable = 0;
    int m_recordEnable = 1;
    int m_source = 1;
    int m_pitch1 = CSeqMetronome::kDefaultPitch1;
    int m_velocity1 = CSeqMetronome::kDefaultVelocity1;
    int m_pitch2 = CSeqMetronome::kDefaultPitch2;
    int m_velocity2 = CSeqMetronome::kDefaultVelocity2;
    int m_device = 0;
    // The device box shows the device manager's default device, everything playing there, in
    // place of the metronome's own.
    bool m_showsDefault = false;
    int m_channel = CSeqMetronome::kDefaultChannel;
};

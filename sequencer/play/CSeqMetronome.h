#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"
#include "sequencer/play/CSeqPlay.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class ECMeter;

// The metronome of a sequence: a player whose events are the clicks on the pulses of the
// meter map, an accented one on each bar's first pulse. For each window it queues the clicks
// (a note and its release a quarter second later, on the metronome device) and arms a
// one-shot timer for each; the timer posts to a hidden window on the metronome's own thread,
// which tells the document of the click (the position display and the lead-in countdown) and,
// when the clicks are not MIDI, beeps.
class SEQUENCER_API CSeqMetronome : public CSeqPlay {
    PLAT_DECLARE_DYNAMIC(CSeqMetronome)
public:
    // The message the click timers post to the window.
    static constexpr plat::MessageId kClickMessage = 0x3000;
    // How many click announcements may be on their way to the document at once.
    static constexpr int kMaxTimeStates = 3;
    // The release follows the click by this many seconds.
    static constexpr float kReleaseSeconds = 0.25f;
    // The clicks of a fresh profile, as the settings under "Sequencer\Midi\Metronome" default
    // to: the sequence plays them and the metronome page shows and tests them.
    static constexpr int kDefaultChannel = 10;
    static constexpr int kDefaultPitch1 = 76;
    static constexpr int kDefaultVelocity1 = 127;
    static constexpr int kDefaultPitch2 = 77;
    static constexpr int kDefaultVelocity2 = 127;

    CSeqMetronome();
    // Stops the thread; a click being handled finishes first.
    ~CSeqMetronome() override;

    void Attach(CSequence* sequence) override;
    void Detach() override;
    // Puts the next click on the pulse at or after the sequence's position.
    void PrepareToPlay() override;
    void PrepareToStop() override;
    void PrepareToPause() override;
    CWGEventList& GetOutputEvents(const MCTime& until, int finishing, int& done) override;
    CWGEventList& GetOutputState(const MCTime& time) override;

    void SetMetronomeDevice(unsigned device) { m_device = device; }
    unsigned GetMetronomeDevice() const { return m_device; }
    void SetPrimaryPulse(const FCMidi& message) { m_primary = message; }
    const FCMidi& GetPrimaryPulse() const { return m_primary; }
    void SetSecondaryPulse(const FCMidi& message) { m_secondary = message; }
    const FCMidi& GetSecondaryPulse() const { return m_secondary; }
    void EnableMetroPlay(int on) { m_playEnabled = on ? 1 : 0; }
    int MetroPlayEnabled() const { return m_playEnabled; }
    void EnableMetroRecord(int on) { m_recordEnabled = on ? 1 : 0; }
    int MetroRecordEnabled() const { return m_recordEnabled; }
    // 1: the clicks are MIDI events; 0: beeps.
    void SetMetronomeMidi(int on) { m_midi = on ? 1 : 0; }
    int GetMetronomeMidi() const { return m_midi; }
    plat::WindowRef GetHWnd() const;

    MCTime GetNextClickTime() const { return m_nextClick; }
    int GetPulseIndex() const { return m_pulseIndex; }
    int GetPulsesPerBar() const { return m_pulsesPerBar; }
    int GetLeadInMeasuresLeft() const { return m_leadInLeft; }

    // What sounds a beep; tests and the program replace it. The default does nothing.
    static void SetBeepHook(std::function<void()> hook);

protected:
    // On the metronome thread, under the lock: announces the click, beeps when due.
    void _MetroTimerProc(uint32_t pulseIndex, int32_t value);
    // The meter in force at the time (at the sequence's position during a lead-in).
    void _GetMeterInformation(const MCTime& time);
    bool InitializeThread();
    void _ExitThread();

private:
    intptr_t WndProc(plat::MessageId id, uintptr_t wParam, intptr_t lParam);
    void DropClock();
    int Audible() const;
    bool InLeadIn() const;

    MCTime m_nextClick{0.0f};
    float m_pulseLength = 1.0f;
    int m_pulseIndex = 0;
    int m_pulsesPerBar = 0;
    int m_leadInLeft = 0;
    std::atomic<int> m_audible{0};
    unsigned m_device = 0;
    // Until preferences are read, the clicks of a fresh profile.
    static constexpr MIDIWORD defaultClick(int pitch, int velocity)
    {
        return 0x90u | static_cast<MIDIWORD>(kDefaultChannel - 1) | static_cast<MIDIWORD>(pitch) << 8 |
               static_cast<MIDIWORD>(velocity) << 16;
    }
    FCMidi m_primary{defaultClick(kDefaultPitch1, kDefaultVelocity1)};
    FCMidi m_secondary{defaultClick(kDefaultPitch2, kDefaultVelocity2)};
    int m_playEnabled = 0;
    int m_recordEnabled = 0;
    int m_midi = 1;
    std::recursive_mutex m_lock;
    bool m_exiting = false;
    std::unique_ptr<plat::MessageWindow> m_window;
    plat::WindowRef m_windowRef;
    plat::Thread m_thread{"CSeqMetronome"};
};

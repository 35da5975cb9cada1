#pragma once

class CWavegate;

// Tells the user, once in a run of the program, that what is played cannot be heard: when
// playing or recording starts and the device manager has no sound output and no MIDI output
// open (a machine without a sound card, a desktop whose sound server refused the program).
// Playing goes on all the same, so the time still runs and the tracks still show it.
class CSilentPlaybackNotice {
public:
    static constexpr const char* kText =
        "No sound output and no MIDI output could be opened, so what Quavix plays cannot be heard.\n\n"
        "Check that a sound card or a MIDI device is connected and that no other program holds it.";

    // Whether the device manager has a sound or MIDI output open.
    static bool CanBeHeard(const CWavegate& wavegate);

    // Called as playing starts: tells the user when nothing can be heard and this run has not
    // been told yet. A missing device manager has nothing to check.
    void Check(const CWavegate* wavegate);
    bool Told() const { return m_told; }

private:
    bool m_told = false;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"

// Puts the visited elements on a track and a voice. Track 2047 and voice 15 leave them as
// they are. Only elements whose track lies in the track range (or that have none) move to the
// track, and only those whose voice lies in the voice range (or is 14 or 15) take the voice;
// an element on track 2046 (every track) is left alone.
class NOTABASE_API ACSetVoiceTrack : public ACBase {
public:
    ACSetVoiceTrack() = default;
    ACSetVoiceTrack(int track, int voice) : m_track(track), m_voice(voice) {}

    int DoAction(ECBase* element) override;
    void SetTrackRange(int low, int high);
    void SetVoiceRange(int low, int high);
    int GetTrack() const { return m_track; }
    void SetTrack(int track) { m_track = track; }
    int GetVoice() const { return m_voice; }
    void SetVoice(int voice) { m_voice = voice; }

private:
    int m_track = 2047;
    int m_voice = 15;
    int m_trackLow = 1;
    int m_trackHigh = 2045;
    int m_voiceLow = 0;
    int m_voiceHigh = 8;
};

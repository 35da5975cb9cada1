#include "notabase/actions/ACSetVoiceTrack.h"

#include "notabase/model/ECBase.h"
#include "notabase/values/MCVoiceTrack.h"

#include <algorithm>

namespace {
constexpr int everyTrack = 2046;
constexpr int structuralVoice = 14;
}

void ACSetVoiceTrack::SetTrackRange(int low, int high)
{
    m_trackLow = low;
    m_trackHigh = high;
}

void ACSetVoiceTrack::SetVoiceRange(int low, int high)
{
    m_voiceLow = low;
    m_voiceHigh = high;
}

int ACSetVoiceTrack::DoAction(ECBase* element)
{
    MCVoiceTrack* word = element->GetVoiceTrack();
    if (!word)
        return 0;
    if (m_track != MCVoiceTrack::noTrack) {
        const int track = word->GetTrack();
        if (track == everyTrack)
            return 0;
        if (track != MCVoiceTrack::noTrack && (track < m_trackLow || track > m_trackHigh))
            return 0;
        word->SetTrack(std::clamp(m_track, 0, 2045));
    }
    if (m_voice == MCVoiceTrack::noVoice)
        return 0;
    const int voice = word->GetVoice();
    if (voice != structuralVoice && voice != MCVoiceTrack::noVoice && (voice < m_voiceLow || voice > m_voiceHigh))
        return 0;
    word->SetVoice(std::clamp(m_voice, 0, 7));
    return 0;
}

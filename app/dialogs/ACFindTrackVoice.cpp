#include "app/dialogs/ACFindTrackVoice.h"

#include "notabase/model/ECBase.h"
#include "notabase/values/MCVoiceTrack.h"

#include <algorithm>

ACFindTrackVoice::ACFindTrackVoice(const MCTime& from, const MCTime& to) : ACFindTime(from, to, openEnd) {}

bool ACFindTrackVoice::acceptsTrack(unsigned track) const
{
    return track == MCVoiceTrack::noTrack || track == 0 || m_tracks.empty()
        || std::find(m_tracks.begin(), m_tracks.end(), track) != m_tracks.end();
}

bool ACFindTrackVoice::acceptsVoice(unsigned voice) const
{
    return voice == MCVoiceTrack::noVoice || m_voices.empty()
        || std::find(m_voices.begin(), m_voices.end(), voice) != m_voices.end();
}

int ACFindTrackVoice::DoAction(ECBase* element)
{
    unsigned voice = MCVoiceTrack::noVoice;
    unsigned track = MCVoiceTrack::noTrack;
    // A word converted for playback reads as the wildcards.
    if (const MCVoiceTrack* word = element->GetVoiceTrack()) {
        voice = static_cast<unsigned>(word->GetVoice());
        track = static_cast<unsigned>(word->GetTrack());
    }
    if (!acceptsTrack(track))
        return 1;
    if (!acceptsVoice(voice))
        return 0;
    if (element->GetTime())
        return ACFindTime::DoAction(element);
    return ACFindEvents::DoAction(element);
}

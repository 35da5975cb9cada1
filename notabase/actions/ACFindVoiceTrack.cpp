#include "notabase/actions/ACFindVoiceTrack.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/values/MCVoiceTrack.h"

int ACFindVoiceTrack::DoAction(ECBase* element)
{
    const int id = element->GetEventId();
    if ((id == EventId::Note || id == EventId::GraceNote) && !element->GetData(0, 0))
        return 0;
    const MCVoiceTrack* word = element->GetVoiceTrack();
    if (!word)
        return 0;
    // Voice 14 is the structural elements' voice: wanting it means any voice.
    if (m_voice != MCVoiceTrack::noVoice && m_voice != 14 && static_cast<unsigned>(word->GetVoice()) != m_voice)
        return 0;
    if (m_track != MCVoiceTrack::noTrack && static_cast<unsigned>(word->GetTrack()) != m_track)
        return 0;
    return ACFindEvents::DoAction(element);
}

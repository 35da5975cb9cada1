#include "notabase/actions/ACGetVoiceTrack.h"

#include "notabase/model/ECBase.h"

int ACGetVoiceTrack::DoAction(ECBase* element)
{
    const MCVoiceTrack* word = element->GetVoiceTrack();
    if (!word)
        return 0;
    m_result = *word;
    return 2;
}

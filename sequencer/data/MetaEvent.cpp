#include "sequencer/data/MetaEvent.h"

#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"

#include <new>

void AddMetaEvent(DCsqBase* data, CSeqEventList& list, CSequence* sequence)
{
    ECBase* owner = data ? data->GetOwner() : nullptr;
    if (!owner || !sequence || !sequence->TestState(CSequence::stateMidiWriting))
        return;
    const MCVoiceTrack* word = owner->GetVoiceTrack();
    const int track = (!word || word->IsConverted()) ? MCVoiceTrack::noTrack : word->GetValue() >> 4;
    if (sequence->IgnoreTrack(track))
        return;
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!event)
        return;
    const MCTime* time = owner->GetTime();
    event->SetMetaEvent(data, time ? *time : MCTime::TimeZero(), DCsqTrack::GetTrackData(owner, 1, sequence));
    list.push_back(std::move(event));
}

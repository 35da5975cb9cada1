#include "sequencer/data/DCsqText.h"

#include "notabase/model/ECText.h"
#include "sequencer/data/MetaEvent.h"
#include "sequencer/transport/CSequence.h"

PLAT_IMPLEMENT_SERIAL(DCsqText, DCsqBase, plat::kVersionableSchema | 2)

int DCsqText::GetClassType() const
{
    return SeqClassType::Text;
}

void DCsqText::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    auto* text = plat::dynamicDowncast<ECText>(GetOwner());
    if (!text || !sequence || !sequence->TestState(CSequence::stateMidiWriting))
        return;
    const MCTime* time = text->GetTime();
    if (time && *time == MCTime(0.0f)) {
        // Once playback has jumped back over some length, the start plays again: normalizing
        // an unwrapped 0 then gives minus that length.
        MCTime start(0.0f);
        start.SetMode(MCTime::unwrapped);
        sequence->NormalizeTime(start);
        const int type = text->GetTextType();
        const bool once = (type >= 1 && type <= 4) || (type >= 7 && type <= 13);
        if (once && start != MCTime(0.0f))
            return;
    }
    AddMetaEvent(this, list, sequence);
}

#include "notabase/commands/CCAddNoteModifier.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECTremolo.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"
#include "platform/core/Trace.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddNoteModifier, CCAdd)

namespace {

ECBase* copyOf(ECBase* modifier)
{
    if (auto* accent = plat::dynamicDowncast<ECAccent>(modifier))
        return new ECAccent(*accent);
    return new ECTremolo(*static_cast<ECTremolo*>(modifier));
}

}  // namespace

CCAddNoteModifier::CCAddNoteModifier(ECBase* modifier, ECBase* target)
{
    CCAddNoteModifier::Add(modifier, target, FCMidi::MidiNull());
}

CCAddNoteModifier::~CCAddNoteModifier() = default;

int CCAddNoteModifier::GetCommandId()
{
    return CommandIds::CCAddNoteModifier;
}

void CCAddNoteModifier::Undo()
{
    CCAdd::Undo();
}

CCAddItem* CCAddNoteModifier::Add(ECBase* modifier, ECBase* target, const FCMidi&)
{
    if (!modifier)
        return nullptr;
    const int id = modifier->GetEventId();
    switch (id) {
    case EventId::Accent:
    case EventId::Tremolo: {
        if (!target || target->GetEventId() != EventId::Chord)
            return CCAdd::Add(modifier, target, FCMidi::MidiNull());
        // Held while the copies are made; released then, so that one nobody else holds goes.
        plat::RefPtr<ECBase> model(modifier);
        CCAddItem* last = nullptr;
        for (ECBase* child : *target->GetChildren()) {
            if (child->GetEventId() == EventId::Note)
                last = CCAdd::Add(copyOf(modifier), child, FCMidi::MidiNull());
        }
        return last;
    }
    case EventId::Accidental:
    case EventId::Arpeggio:
    case EventId::Mordent:
    case EventId::Ornament:
    case EventId::Trill:
    case EventId::Turn:
        return CCAdd::Add(modifier, target, FCMidi::MidiNull());
    case EventId::Dot:
        return nullptr;
    default:
        plat::trace("Note Modifier of type %d\n", id);
        return nullptr;
    }
}

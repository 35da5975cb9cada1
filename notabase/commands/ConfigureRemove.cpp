#include "notabase/commands/ConfigureRemove.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveClef.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/values/MCTime.h"

namespace {

constexpr unsigned char kTrackNameText = 3;

bool laterThanZero(ECBase* element)
{
    const MCTime* time = element->GetTime();
    return time && *time > MCTime::TimeZero();
}

}  // namespace

int ConfigureRemove(MCEventList* selection, MCCommandList& commands)
{
    if (!selection)
        return 0;
    MCEventList work(10);
    work.AddTail(*selection);
    work.CollapseToAncestors();
    for (ECBase* element : work) {
        switch (element->GetEventId()) {
        case EventId::Barline:
        case EventId::Beam:
        case EventId::ConductorMeasure:
        case EventId::ConductorStaff:
        case EventId::Dot:
        case EventId::Measure:
        case EventId::Performance:
        case EventId::Staff:
            continue;
        case EventId::Clef:
            if (laterThanZero(element))
                commands.AddTail(new CCRemoveClef(plat::dynamicDowncast<ECClef>(element)));
            continue;
        case EventId::Key:
            if (laterThanZero(element))
                commands.AddTail(new CCRemoveKey(plat::dynamicDowncast<ECKey>(element)));
            continue;
        case EventId::Meter:
            // The bars it shaped take the meter before it.
            if (laterThanZero(element))
                commands.AddTail(new CCRemoveMeter(plat::dynamicDowncast<ECMeter>(element)));
            continue;
        case EventId::Dynamic:
        case EventId::Pedal:
        case EventId::Tempo:
        case EventId::Transpose:
            commands.AddTail(new CCRemoveEnvPoint(plat::dynamicDowncast<ECEnvPoint>(element)));
            continue;
        case EventId::Text:
            if (auto* text = plat::dynamicDowncast<ECText>(element); text && text->GetTextType() == kTrackNameText) {
                auto* edit = static_cast<CCEdit*>(commands.GetCommand(CommandIds::CCEdit, plat::runtimeClassOf<CCEdit>()));
                if (CCEditItem* item = edit->EditEvent(text)) {
                    if (auto* emptied = plat::dynamicDowncast<ECText>(item->GetNewEvent()))
                        emptied->SetText("");
                }
                continue;
            }
            break;
        default:
            break;
        }
        auto* remove = static_cast<CCRemove*>(commands.GetCommand(CommandIds::CCRemove, plat::runtimeClassOf<CCRemove>()));
        remove->Remove(element);
    }
    return commands.IsEmpty() ? 0 : 1;
}

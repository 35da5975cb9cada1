#include "notabase/commands/CCEditDuration.h"

#include "notabase/commands/CCEditDurItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <unordered_set>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCEditDuration, CCEdit)

namespace {

// Every kind of envelope.
const std::vector<int> kEnvelopeIds{EventId::ChanPressureEnv, EventId::ControllerEnv, EventId::Envelope,
                                    EventId::MeterEnv,        EventId::NRPNEnv,       EventId::PatchEnv,
                                    EventId::PitchBendEnv,    EventId::PolyPressureEnv, EventId::RPNEnv,
                                    EventId::TempoEnv};

}  // namespace

CCEditDuration::CCEditDuration(ECBase* element, const MCTime* duration)
{
    CCEditDuration::EditDuration(element, duration);
}

int CCEditDuration::GetCommandId()
{
    return CommandIds::CCEditDuration;
}

CCEditItem* CCEditDuration::EditEvent(ECBase*)
{
    return nullptr;
}

CCEditDurItem* CCEditDuration::EditDuration(ECBase* element, const MCTime* duration)
{
    if (!element)
        return nullptr;
    if (auto* same = dynamic_cast<CCEditDurItem*>(FindEditItem(element)))
        return same;
    auto item = std::make_unique<CCEditDurItem>(element, duration ? duration : &MCTime::TimeZero());
    CCEditDurItem* made = item.get();
    AddEditItem(std::move(item), element);
    return made;
}

int CCEditDuration::Process()
{
    if (!CCBase::Process())
        return 0;
    const int recordOld = IsRecordedForUndo();
    MCEventList envelopes;
    std::unordered_set<ECBase*> collected;
    for (const auto& item : GetEditList()) {
        item->Process(recordOld);
        ECBase* envelope = FindAncestorOf(item->GetEvent(), kEnvelopeIds);
        if (envelope && collected.insert(envelope).second)
            envelopes.AddTail(envelope);
    }
    SortChildrenByTime(envelopes);
    return 1;
}

void CCEditDuration::Undo()
{
    if (GetEditList().empty())
        return;
    plat::RefPtr<CCEditDuration> inverse(new CCEditDuration);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& edit : GetEditList()) {
        if (const auto* item = dynamic_cast<const CCEditDurItem*>(edit.get())) {
            const MCTime old = item->GetOldDuration();
            inverse->EditDuration(item->GetEvent(), &old);
        }
    }
    inverse->Apply(GetTarget());
}

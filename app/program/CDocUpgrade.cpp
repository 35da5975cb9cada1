#include "app/program/CDocUpgrade.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECText.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"
#include "sequencer/transport/CSequence.h"

namespace {

constexpr int kChannelModeId = 9;
constexpr int kConductorStaffId = 17;
constexpr int kFlowControlId = 24;
constexpr int kTextId = 59;
// Ending marks of the play order that later versions keep only as texts.
constexpr unsigned char kObsoleteFlowType = 15;

std::vector<ECBase*> Children(ECBase* track, const std::vector<int>& types, int depth)
{
    ACFindEvents find(ACFindEvents::noMaximum);
    find.AddEvtTypes(types);
    find.BypassNone();
    if (depth > 0)
        find.SetDepth(static_cast<unsigned char>(depth));
    find.Apply(track);
    std::vector<ECBase*> found;
    MCPosition position = find.GetEvents().GetHeadPosition();
    while (position)
        found.push_back(find.GetEvents().GetNext(position));
    return found;
}

}  // namespace

CDocUpgrade::CDocUpgrade(MCOpusDoc* document) : m_document(document) {}

void CDocUpgrade::Run()
{
    ECPerformance* performance = m_document ? m_document->GetBaseEvent() : nullptr;
    if (!performance || !performance->GetConductor())
        return;
    const int version = performance->GetVersion();
    if (version == 0 || version > 3)
        return;
    SetTrackNumbers();
    ForEachTrack([this](int kind, int, ECTrack* track) {
        for (ECBase* element : Children(track, {kFlowControlId, kTextId}, 1)) {
            if (element->GetEventId() == kFlowControlId)
                UpgradeFlowControl(track, static_cast<ECFlowControl*>(element));
            else
                UpgradeText(static_cast<ECText*>(element));
        }
        if (kind == 1)
            MoveChannelModes(track);
    });
    m_document->GetSequence()->CheckDataIntegrity();
}

void CDocUpgrade::ForEachTrack(const std::function<void(int kind, int number, ECTrack* track)>& visit)
{
    ECConductor* conductor = m_document->GetBaseEvent()->GetConductor();
    for (int kind = 0; kind <= 2; ++kind) {
        const int last = conductor->GetMaxTrackNumber(kind);
        for (int number = 1; number <= last; ++number) {
            if (ECTrack* track = conductor->GetTrack(kind, number, 0))
                visit(kind, number, track);
        }
    }
}

void CDocUpgrade::SetTrackNumbers()
{
    ForEachTrack([](int, int number, ECTrack* track) {
        ACSetVoiceTrack action;
        action.BypassNone();
        action.SetTrack(number);
        action.Apply(track);
    });
}

void CDocUpgrade::Remove(ECBase* element)
{
    auto* remove = new CCRemove;
    remove->Remove(element);
    remove->SetSynchronous(1);
    remove->Apply(m_document->GetBaseEvent());
}

void CDocUpgrade::UpgradeFlowControl(ECTrack* track, ECFlowControl* mark)
{
    // The play order lives on the conductor staff alone.
    if (track->GetEventId() != kConductorStaffId || mark->GetFlowControlType() == kObsoleteFlowType)
        Remove(mark);
}

void CDocUpgrade::UpgradeText(ECText* text)
{
    switch (text->GetTextType()) {
    case 5:
    case 6:
    case 14:
    case 15:
        // Texts of the whole score, on no track.
        text->SetTrack(0);
        break;
    default:
        break;
    }
}

void CDocUpgrade::MoveChannelModes(ECTrack* staff)
{
    ECBase* conductorStaff = m_document->GetBaseEvent()->GetDescendant(kConductorStaffId, -1);
    if (!conductorStaff)
        return;
    for (ECBase* mode : Children(staff, {kChannelModeId}, 0)) {
        plat::RefPtr<ECBase> hold(mode);
        Remove(mode);
        auto* add = new CCAdd;
        add->Add(mode, conductorStaff, FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_document->GetBaseEvent());
    }
}

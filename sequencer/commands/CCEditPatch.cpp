#include "sequencer/commands/CCEditPatch.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/data/DCsqStaff.h"
#include "wavegate/CWavegate.h"

PLAT_IMPLEMENT_DYNCREATE(CCEditPatch, CCBase)

namespace {

uint32_t shortMessage(uint8_t status, uint8_t data1, uint8_t data2)
{
    return static_cast<uint32_t>(status) | static_cast<uint32_t>(data1) << 8 | static_cast<uint32_t>(data2) << 16;
}

}  // namespace

CCEditPatch::~CCEditPatch() = default;

int CCEditPatch::GetCommandId()
{
    return CommandIds::CCEditPatch;
}

CCEditPatchItem* CCEditPatch::EditPatch(ECStaff* staff, int voice, const MCTime& time)
{
    for (const auto& item : m_items) {
        if (item->GetStaff() == staff && item->GetVoice() == voice && item->GetTime() == time)
            return item.get();
    }
    m_items.push_back(std::make_unique<CCEditPatchItem>(staff, voice, time));
    return m_items.back().get();
}

void CCEditPatch::RestorePoint(ECEnvPoint* point, float value, int voice, int track)
{
    m_restores.push_back({plat::RefPtr<ECEnvPoint>(point), value, voice, track});
}

int CCEditPatch::GetEditEvents(MCEventList& list)
{
    for (const auto& item : m_items) {
        if (ECEnvPoint* point = item->GetNewEnvPoint())
            list.AddTail(point);
    }
    return list.IsEmpty() ? 0 : 1;
}

int CCEditPatch::Prepare()
{
    return CCBase::Prepare();
}

int CCEditPatch::Process()
{
    if (!CCBase::Process())
        return 0;
    for (const auto& item : m_items)
        item->Process();
    for (const Restore& restore : m_restores) {
        restore.point->SetValue(restore.value);
        restore.point->SetVoice(restore.voice);
        restore.point->SetTrack(restore.track);
    }
    return 1;
}

int CCEditPatch::Finish()
{
    const int result = CCBase::Finish();
    CWavegate* manager = CWavegate::GetWavegate();
    for (const auto& item : m_items) {
        auto* data = item->GetStaff() ? plat::dynamicDowncast<DCsqStaff>(item->GetStaff()->GetData(0, 1)) : nullptr;
        MCVoiceMap* map = data ? data->GetVoiceMap(item->GetVoice()) : nullptr;
        ECEnvelope* envelope = map ? data->GetEnvelope(DCsqStaff::envPatch, DCsqStaff::envCreate, item->GetVoice(), -1, -1) : nullptr;
        MCEventList* points = envelope ? envelope->GetChildren() : nullptr;
        if (!manager || !points || points->IsEmpty())
            continue;
        auto* first = plat::dynamicDowncast<ECEnvPoint>(*points->begin());
        if (!first)
            continue;
        const float value = first->GetValue();
        const auto channel = static_cast<uint8_t>(map->GetChannel() & 0x0F);
        const auto controller = static_cast<uint8_t>(0xB0 | channel);
        const int device = static_cast<int>(map->GetDevice());
        manager->SendMidiMsg(device, shortMessage(controller, 120, 0), 0);
        manager->SendMidiMsg(device, shortMessage(controller, 0, static_cast<uint8_t>(ECPatchEnv::GetBankMSB(value))), 0);
        manager->SendMidiMsg(device, shortMessage(controller, 32, static_cast<uint8_t>(ECPatchEnv::GetBankLSB(value))), 0);
        manager->SendMidiMsg(device, shortMessage(static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(ECPatchEnv::GetProgram(value)), 0), 0);
    }
    return result;
}

void CCEditPatch::Undo()
{
    MCCommandList list(10);
    for (const auto& item : m_items) {
        auto* back = static_cast<CCEditPatch*>(list.GetCommand(CommandIds::CCEditPatch, plat::runtimeClassOf<CCEditPatch>()));
        CCEditPatchItem* undo = back->EditPatch(item->GetStaff(), item->GetVoice(), item->GetTime());
        undo->SetVoiceMap(item->GetOldDevice(), item->GetOldChannel());
        undo->SetPatch(item->GetOldProgram(), item->GetOldBank());
        // Only a point this edit made goes; one that stood there before keeps its old patch.
        if (item->GetNewEnvPoint() && item->MadeNewEnvPoint()) {
            auto* remove = static_cast<CCRemove*>(list.GetCommand(CommandIds::CCRemove, plat::runtimeClassOf<CCRemove>()));
            remove->Remove(item->GetNewEnvPoint());
        }
        if (item->ReplacedOtherPoint())
            back->RestorePoint(item->GetNewEnvPoint(), item->GetReplacedValue(), item->GetReplacedVoice(), item->GetReplacedTrack());
    }
    list.SetSynchronous(1);
    list.Apply(GetTarget());
}

#include "notabase/commands/CCAddPedal.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECPedal.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddPedal, CCAddEnvPoint)

namespace {

constexpr unsigned char kSustainController = 64;

}  // namespace

int CCAddPedal::GetCommandId()
{
    return CommandIds::CCAddPedal;
}

int CCAddPedal::PrepareItem(CCAddEnvPtItem* item)
{
    if (!CCAddEnvPoint::PrepareItem(item))
        return 0;
    auto* pedal = plat::dynamicDowncast<ECPedal>(item->GetChild());
    if (!pedal || item->GetAnchorList())
        return 1;
    pedal->SetValue(127.0f);
    pedal->SetStyle(ECEnvPoint::styleStep);
    pedal->SetControllerNum(kSustainController);
    auto* release = new ECPedal;
    release->SetControllerNum(kSustainController);
    SetSpan(item, release, 0.0f);
    return 1;
}

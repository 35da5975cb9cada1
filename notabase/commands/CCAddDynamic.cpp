#include "notabase/commands/CCAddDynamic.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/names/DisplayNames.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddDynamic, CCAddEnvPoint)

namespace {

// The single-precision number nearest 1.3333, as the marks have always used.
constexpr float kCrescendoFactor = 1.3333f;
constexpr float kDecrescendoFactor = 0.75f;
constexpr unsigned char kUserDefined = 16;
// The gradual mark without a name that rises, like "cresc.".
constexpr unsigned char kRisingUnnamed = 14;

}  // namespace

int CCAddDynamic::GetCommandId()
{
    return CommandIds::CCAddDynamic;
}

int CCAddDynamic::PrepareItem(CCAddEnvPtItem* item)
{
    if (!CCAddEnvPoint::PrepareItem(item))
        return 0;
    auto* dynamic = plat::dynamicDowncast<ECDynamic>(item->GetChild());
    if (!dynamic)
        return 1;
    const unsigned char type = dynamic->GetDynamicType();
    if (!ECDynamic::HasDuration(type)) {
        if (type != kUserDefined)
            dynamic->SetValue(static_cast<float>(GetDynamicValue(type)));
        dynamic->SetStyle(ECEnvPoint::styleStep);
        return 1;
    }
    if (item->GetAnchorList())
        return 1;
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
    const MCTime start = *dynamic->GetTime();
    float startValue = envelope ? envelope->GetDefaultValue() : 0.0f;
    if (ECEnvPoint* before = envelope ? envelope->GetPointBeforeEqual(start) : nullptr)
        startValue = before->GetValue();
    startValue = ClampMidi(startValue);
    dynamic->SetValue(startValue);
    dynamic->SetStyle(ECEnvPoint::styleLinear);
    // Looked up before either point is in the envelope.
    ECEnvPoint* after = envelope ? envelope->GetPointAfterEqual(start) : nullptr;
    const bool rising = type == ECDynamic::typeCrescendo || type == kRisingUnnamed;
    float endValue = 0.0f;
    if (after)
        endValue = after->GetValue();
    else
        endValue = startValue * (rising ? kCrescendoFactor : kDecrescendoFactor);
    SetSpan(item, new ECDynamic, ClampMidi(endValue));
    return 1;
}

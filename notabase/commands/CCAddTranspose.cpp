#include "notabase/commands/CCAddTranspose.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECTranspose.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddTranspose, CCAddEnvPoint)

int CCAddTranspose::GetCommandId()
{
    return CommandIds::CCAddTranspose;
}

int CCAddTranspose::PrepareItem(CCAddEnvPtItem* item)
{
    if (!CCAddEnvPoint::PrepareItem(item))
        return 0;
    auto* transpose = plat::dynamicDowncast<ECTranspose>(item->GetChild());
    if (!transpose || item->GetAnchorList())
        return 1;
    // Semitones of the kinds of mark: an octave up, an octave down, two octaves up.
    static constexpr float kShift[] = {12.0f, -12.0f, 24.0f};
    const unsigned char type = transpose->GetTransposeType();
    if (type < 3) {
        transpose->SetValue(kShift[type]);
        transpose->SetStyle(ECEnvPoint::styleStep);
    }
    SetSpan(item, new ECTranspose, 0.0f);
    return 1;
}

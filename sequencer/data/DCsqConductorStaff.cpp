#include "sequencer/data/DCsqConductorStaff.h"

#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductorStaff.h"

PLAT_IMPLEMENT_SERIAL(DCsqConductorStaff, DCsqStaff, plat::kVersionableSchema | 2)

int DCsqConductorStaff::GetClassType() const
{
    return SeqClassType::ConductorStaff;
}

int DCsqConductorStaff::GetTrackType() const
{
    return 0;
}

ECEnvelope* DCsqConductorStaff::GetEnvelope(int type, unsigned long /*flags*/, int /*voice*/, int /*a*/, int /*b*/)
{
    auto* staff = plat::dynamicDowncast<ECConductorStaff>(GetOwner());
    if (!staff)
        return nullptr;
    if (type == envelopeMeter)
        return staff->GetMeterEnv();
    if (type == envelopeTempo)
        return staff->GetTempoEnv();
    return nullptr;
}

int DCsqConductorStaff::GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice)
{
    ECEnvelope* envelope = GetEnvelope(type, flags, voice, 0, 0);
    if (!envelope)
        return 0;
    list.AddTail(envelope);
    return 1;
}

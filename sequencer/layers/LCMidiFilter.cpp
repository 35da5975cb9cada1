#include "sequencer/layers/LCMidiFilter.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(LCMidiFilter, LCBase, plat::kVersionableSchema | 2)

LCBase* LCMidiFilter::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiFilter>(other))
        *this = *filter;
    return this;
}

void LCMidiFilter::UpdateParametersFrom(ECBase* /*element*/)
{
}

int LCMidiFilter::LoadVersion(const plat::Archive& archive)
{
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    if (version == 0 && archive.objectSchema() >= 2)
        return 1;
    return version;
}

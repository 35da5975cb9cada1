#include "sequencer/data/DCsqTranspose.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(DCsqTranspose, DCsqFilter, plat::kVersionableSchema | 2)

int DCsqTranspose::GetClassType() const
{
    return SeqClassType::Transpose;
}

void DCsqTranspose::Serialize(plat::Archive& archive)
{
    DCsqFilter::Serialize(archive);
    if (!archive.isLoading())
        return;
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    if (version == 1 || version == 2 || (version == 0 && archive.objectSchema() >= 2))
        Retire(archive.readObject());
}

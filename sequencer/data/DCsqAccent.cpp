#include "sequencer/data/DCsqAccent.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"
#include "sequencer/layers/LCsqAccent.h"

#include <memory>

PLAT_IMPLEMENT_SERIAL(DCsqAccent, DCsqFilter, plat::kVersionableSchema | 2)

int DCsqAccent::GetClassType() const
{
    return SeqClassType::Accent;
}

void DCsqAccent::Serialize(plat::Archive& archive)
{
    DCsqFilter::Serialize(archive);
    if (archive.isStoring())
        archive.writeObject(GetFilter());
    else if (ECPerformanceBase::GetActiveVersion(archive) >= 3)
        ReadFilter(archive);
}

void DCsqAccent::PostSerialize(plat::Archive& archive)
{
    DCsqFilter::PostSerialize(archive);
    SetOwner(GetOwner());
}

void DCsqAccent::SetOwner(ECBase* owner)
{
    DCsqFilter::SetOwner(owner);
    if (!GetFilter()) {
        auto filter = std::make_unique<LCsqAccent>();
        filter->UpdateParametersFrom(owner);
        SetFilter(filter.release());
    }
    GetFilter()->SetEnabled(1);
}

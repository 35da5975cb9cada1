#include "sequencer/data/DCsqDynamic.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqMidi.h"

#include <iterator>

PLAT_IMPLEMENT_SERIAL(DCsqDynamic, DCsqFilter, plat::kVersionableSchema | 2)

DCsqDynamic& DCsqDynamic::operator=(const DCsqDynamic& other)
{
    if (this != &other) {
        DCsqFilter::operator=(other);
        m_percentChange = other.m_percentChange;
    }
    return *this;
}

void DCsqDynamic::Serialize(plat::Archive& archive)
{
    DCsqFilter::Serialize(archive);
    if (archive.isLoading() && ECPerformanceBase::GetActiveVersion(archive) < 3) {
        Retire(archive.readObjectAs<DCsqMidi>());
        m_percentChange = archive.readFloat();
    }
}

DCBase* DCsqDynamic::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqDynamic>(other))
        *this = *data;
    return this;
}

int DCsqDynamic::GetClassType() const
{
    return SeqClassType::Dynamic;
}

float DCsqDynamic::GetMultiplierForType(unsigned char type)
{
    static constexpr float kMultipliers[] = {0.01f, 0.222f, 0.444f, 0.666f, 0.888f, 1.111f, 1.333f, 1.555f, 1.777f, 2.0f, 1.333f};
    return type < std::size(kMultipliers) ? kMultipliers[type] : 1.0f;
}

#include "sequencer/data/DCsqTempo.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECTempo.h"
#include "platform/core/Archive.h"

#include <cmath>

PLAT_IMPLEMENT_SERIAL(DCsqTempo, DCsqBase, plat::kVersionableSchema | 2)

DCsqTempo& DCsqTempo::operator=(const DCsqTempo& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        m_percentChange = other.m_percentChange;
    }
    return *this;
}

void DCsqTempo::Serialize(plat::Archive& archive)
{
    DCsqBase::Serialize(archive);
    if (archive.isLoading() && ECPerformanceBase::GetActiveVersion(archive) < 3)
        m_percentChange = archive.readFloat();
}

DCBase* DCsqTempo::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqTempo>(other))
        *this = *data;
    return this;
}

int DCsqTempo::GetClassType() const
{
    return SeqClassType::Tempo;
}

void DCsqTempo::ValidatePercentChange()
{
    const auto* tempo = plat::dynamicDowncast<ECTempo>(GetOwner());
    if (!tempo)
        return;
    const int type = tempo->GetTempoType();
    if (type == 21)
        m_percentChange = std::fabs(m_percentChange);
    else if (type >= 22 && type <= 26)
        m_percentChange = -std::fabs(m_percentChange);
    else
        m_percentChange = 0.0f;
}

float DCsqTempo::GetPercentChange()
{
    ValidatePercentChange();
    return m_percentChange;
}

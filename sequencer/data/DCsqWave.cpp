#include "sequencer/data/DCsqWave.h"

PLAT_IMPLEMENT_SERIAL(DCsqWave, DCsqBase, plat::kVersionableSchema | 2)

DCsqWave& DCsqWave::operator=(const DCsqWave& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        m_params = other.m_params;
    }
    return *this;
}

DCBase* DCsqWave::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqWave>(other))
        *this = *data;
    return this;
}

int DCsqWave::GetClassType() const
{
    return SeqClassType::Wave;
}

#include "sequencer/data/DCsqFilter.h"

#include "notabase/layers/LCBase.h"

PLAT_IMPLEMENT_SERIAL(DCsqFilter, DCsqBase, plat::kVersionableSchema | 2)

namespace {

std::unique_ptr<LCBase> copyOf(const LCBase* filter)
{
    if (!filter)
        return nullptr;
    std::unique_ptr<LCBase> copy(plat::dynamicDowncast<LCBase>(filter->runtimeClass()->createObject()));
    if (copy)
        copy->Copy(const_cast<LCBase*>(filter));
    return copy;
}

}  // namespace

DCsqFilter::DCsqFilter() = default;

DCsqFilter::DCsqFilter(const DCsqFilter& other) : DCsqBase(other), m_filter(copyOf(other.m_filter.get()))
{
}

DCsqFilter& DCsqFilter::operator=(const DCsqFilter& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        m_filter = copyOf(other.m_filter.get());
    }
    return *this;
}

DCsqFilter::~DCsqFilter() = default;

DCBase* DCsqFilter::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqFilter>(other))
        *this = *data;
    return this;
}

int DCsqFilter::GetClassType() const
{
    return SeqClassType::Filter;
}

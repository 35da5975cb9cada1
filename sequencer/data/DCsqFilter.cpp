#include "sequencer/data/DCsqFilter.h"

#include "notabase/layers/LCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"
#include "sequencer/data/MCLoadClaims.h"
#include "sequencer/layers/LCsqBase.h"

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
        SetFilter(copyOf(other.m_filter.get()).release());
    }
    return *this;
}

DCsqFilter::~DCsqFilter()
{
    MCLoadClaims::Forget(m_filter.get());
    for (const auto& object : m_retired)
        MCLoadClaims::Forget(object.get());
}

void DCsqFilter::SetFilter(LCBase* filter)
{
    if (filter == m_filter.get())
        return;
    MCLoadClaims::Forget(m_filter.get());
    m_filter.reset(filter);
}

void DCsqFilter::Serialize(plat::Archive& archive)
{
    DCsqBase::Serialize(archive);
    if (archive.isLoading() && ECPerformanceBase::GetActiveVersion(archive) < 3)
        ReadOldFilterList(archive);
}

void DCsqFilter::unlinkAfterFailedLoad()
{
    DCsqBase::unlinkAfterFailedLoad();
    // What the load read goes with the archive; a filter the data made itself goes here.
    if (MCLoadClaims::IsClaimed(m_filter.get())) {
        MCLoadClaims::Forget(m_filter.get());
        (void)m_filter.release();
    }
    m_filter.reset();
    for (auto& object : m_retired) {
        MCLoadClaims::Forget(object.get());
        (void)object.release();
    }
    m_retired.clear();
    for (auto& element : m_retiredElements) {
        if (ECBase* held = element.release())
            held->Unref(0);
    }
    m_retiredElements.clear();
}

void DCsqFilter::ReadFilter(plat::Archive& archive)
{
    auto* filter = archive.readObjectAs<LCsqBase>();
    if (filter == m_filter.get())
        return;
    MCLoadClaims::Claim(filter, "filter data");
    SetFilter(filter);
}

void DCsqFilter::Retire(plat::Object* object)
{
    if (!object)
        return;
    if (auto* element = plat::dynamicDowncast<ECBase>(object)) {
        m_retiredElements.emplace_back(element);
        return;
    }
    // The data an element holds belongs to it.
    auto* component = plat::dynamicDowncast<DCBase>(object);
    if (component && component->GetOwner() && component->GetOwner()->GetData(0, 0) == component)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "old record: an element's data");
    for (const auto& held : m_retired) {
        if (held.get() == object)
            return;
    }
    MCLoadClaims::Claim(object, "old record");
    m_retired.emplace_back(object);
}

void DCsqFilter::ReadOldFilterList(plat::Archive& archive)
{
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i)
        Retire(archive.readObjectAs<LCBase>());
}

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

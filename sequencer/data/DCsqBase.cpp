#include "sequencer/data/DCsqBase.h"

#include "notabase/model/ECBase.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(DCsqBase, DCBase, plat::kVersionableSchema | 2)

DCsqBase& DCsqBase::operator=(const DCsqBase& other)
{
    if (this != &other)
        DCBase::operator=(other);
    return *this;
}

DCBase* DCsqBase::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqBase>(other))
        *this = *data;
    return this;
}

void DCsqBase::PostSerialize(plat::Archive& archive)
{
    DCBase::PostSerialize(archive);
    if (archive.isStoring()) {
        archive.writeObject(m_prev);
        archive.writeObject(m_next);
        return;
    }
    m_prev = archive.readReferenceAs<DCsqBase>();
    m_next = archive.readReferenceAs<DCsqBase>();
}

int DCsqBase::GetClassType() const
{
    return SeqClassType::Base;
}

LCBase* DCsqBase::GetFilter() const
{
    return nullptr;
}

void DCsqBase::GetEventData(CSeqEventList& /*list*/, CSequence* /*sequence*/)
{
}

int DCsqBase::PlayedTrack() const
{
    return kAnyTrack;
}

int DCsqBase::OwnerTrackNumber() const
{
    ECBase* owner = GetOwner();
    const MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    if (!word || word->IsConverted())
        return MCVoiceTrack::noTrack;
    return word->GetValue() >> 4;
}

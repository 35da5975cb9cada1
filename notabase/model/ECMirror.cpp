#include "notabase/model/ECMirror.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCMirrored.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_SERIAL(ECMirror, ECWithTime, plat::kVersionableSchema | 2)

ECMirror& ECMirror::operator=(const ECMirror& other)
{
    ECWithTime::operator=(other);
    m_event = other.m_event;
    return *this;
}

ECBase* ECMirror::Copy(plat::Object* other)
{
    if (auto* mirror = plat::dynamicDowncast<ECMirror>(other))
        *this = *mirror;
    return this;
}

int ECMirror::GetEventId() const
{
    return EventId::Mirror;
}

int ECMirror::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECMirror::SetMirrorEvent(ECBase* event, int link)
{
    if (!link) {
        m_event = event;
        return;
    }
    // Leaving the old list may release the last reference on this mirror: it is held until
    // the pointer is set, and freed then if nothing else holds it.
    const plat::RefPtr<ECBase> self(this);
    if (MCMirrored* current = MCMirrored::Of(m_event))
        current->RemoveMirror(this);
    if (MCMirrored* next = MCMirrored::Of(event))
        next->AddMirror(this);
    m_event = event;
}

void ECMirror::PostSerialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeObject(m_event);
        return;
    }
    // A reference: an element nothing holds is refused by the archive itself.
    ECBase* event = archive.readReferenceAs<ECBase>();
    if (event && (!MCMirrored::Of(event) || event->GetParents()->IsEmpty())) {
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic,
                                 "a mirror of an element that is not a key, clef, meter or tempo mark of the piece");
    }
    SetMirrorEvent(event, 1);
}

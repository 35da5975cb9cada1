#include "notabase/model/ECGraceNote.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECGraceNote, ECNote, plat::kVersionableSchema | 2)

ECBase* ECGraceNote::Copy(plat::Object* other)
{
    if (auto* note = plat::dynamicDowncast<ECGraceNote>(other))
        *this = *note;
    return this;
}

int ECGraceNote::GetEventId() const
{
    return EventId::GraceNote;
}

int ECGraceNote::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Note);
    return static_cast<int>(types.size());
}

void ECGraceNote::Serialize(plat::Archive& archive)
{
    ECNote::Serialize(archive);
    if (archive.isStoring())
        return;
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    if (version < 3) {
        MCTime duration = *GetDuration();
        duration.Serialize(archive, version);
        SetDuration(&duration);
    }
}

#include "sequencer/layers/LCMidiVolume.h"

#include "platform/core/Archive.h"
#include "sequencer/data/DCsqStaff.h"

PLAT_IMPLEMENT_SERIAL(LCMidiVolume, LCMidiFilter, plat::kVersionableSchema | 2)

void LCMidiVolume::Serialize(plat::Archive& archive)
{
    LCMidiFilter::Serialize(archive);
    if (archive.isStoring())
        archive.writeObject(m_staff);
    else
        m_staff = archive.readObjectAs<DCsqStaff>();
}

LCBase* LCMidiVolume::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiVolume>(other))
        *this = *filter;
    return this;
}

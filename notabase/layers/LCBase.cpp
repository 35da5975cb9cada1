#include "notabase/layers/LCBase.h"

#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(LCBase, plat::Object, plat::kVersionableSchema | 2)

void LCBase::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeU8(m_enabled);
        archive.writeU8(m_priority);
        return;
    }
    m_enabled = archive.readU8();
    m_priority = archive.readU8();
}

LCBase* LCBase::Copy(plat::Object* other)
{
    if (auto* layer = plat::dynamicDowncast<LCBase>(other))
        *this = *layer;
    return this;
}

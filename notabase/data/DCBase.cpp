#include "notabase/data/DCBase.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(DCBase, plat::Object, plat::kVersionableSchema | 2)

void DCBase::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeU32(m_cell.GetCellWord());
        archive.writeI32(m_cell.GetValue());
        archive.writeObject(m_owner);
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) < 3)
        archive.readU32();  // the first 4 bytes of the old block carry nothing
    m_cell.SetCellWord(archive.readU32());
    m_cell.SetValue(archive.readI32());
    // The element whose data array holds the component makes itself the owner once the array
    // is read, whatever a damaged record names.
    m_owner = archive.readReferenceAs<ECBase>();
}

DCBase* DCBase::Copy(plat::Object* other)
{
    if (auto* component = plat::dynamicDowncast<DCBase>(other))
        *this = *component;
    return this;
}

void DCBase::PostSerialize(plat::Archive& /*archive*/)
{
}

int DCBase::IsDirty() const
{
    return m_cell.IsDirty();
}

void DCBase::SetDirty(int dirty)
{
    m_cell.SetDirty(dirty);
}

void DCBase::SetOwner(ECBase* owner)
{
    m_owner = owner;
}

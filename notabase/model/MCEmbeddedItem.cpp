#include "notabase/model/MCEmbeddedItem.h"

#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(MCEmbeddedItem, plat::Object, 1)

void MCEmbeddedItem::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeCount(static_cast<uint32_t>(m_data.size()));
        archive.writeBytes(m_data.data(), m_data.size());
        return;
    }
    m_data.resize(archive.readCount());
    archive.readBytes(m_data.data(), m_data.size());
}

#include "sequencer/values/MCVoiceMap.h"

#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(MCVoiceMap, plat::Object, 1)

void MCVoiceMap::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeU8(m_device);
        archive.writeU8(m_channel);
        return;
    }
    m_device = archive.readU8();
    const uint8_t channel = archive.readU8();
    // A damaged record cannot make a channel out of range.
    SetChannel(channel);
}

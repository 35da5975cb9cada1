#include "notabase/model/ECChannelMode.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECChannelMode, ECControlChange, plat::kVersionableSchema | 2)

namespace {

constexpr int firstVersionWithMode = 4;

}  // namespace

ECChannelMode& ECChannelMode::operator=(const ECChannelMode& other)
{
    ECControlChange::operator=(other);
    m_modeType = other.m_modeType;
    return *this;
}

void ECChannelMode::SetChannelModeType(unsigned char type)
{
    if (type <= omniOffMono)
        m_modeType = type;
}

ECBase* ECChannelMode::Copy(plat::Object* other)
{
    if (auto* mode = plat::dynamicDowncast<ECChannelMode>(other))
        *this = *mode;
    return this;
}

int ECChannelMode::GetEventId() const
{
    return EventId::ChannelMode;
}

int ECChannelMode::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

void ECChannelMode::Serialize(plat::Archive& archive)
{
    if (archive.isLoading() && ECPerformanceBase::GetActiveVersion(archive) < firstVersionWithMode) {
        ECWithTime::Serialize(archive);
        return;
    }
    ECControlChange::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(m_modeType);
    else
        SetChannelModeType(archive.readU8());
}

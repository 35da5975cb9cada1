#include "notabase/model/ECSystemMessage.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECSystemMessage, ECWithTime, plat::kVersionableSchema | 2)

ECSystemMessage::ECSystemMessage(unsigned char type)
{
    SetMessageType(type);
}

ECSystemMessage::ECSystemMessage(const ECSystemMessage& other) : ECWithTime(other), m_name(other.m_name)
{
    SetMessageType(other.GetMessageType());
}

ECSystemMessage& ECSystemMessage::operator=(const ECSystemMessage& other)
{
    ECWithTime::operator=(other);
    // The type lives in the flags, which the base does not copy; a copy without it would be
    // another kind of message.
    SetMessageType(other.GetMessageType());
    m_name = other.m_name;
    return *this;
}

ECBase* ECSystemMessage::Copy(plat::Object* other)
{
    if (auto* message = plat::dynamicDowncast<ECSystemMessage>(other))
        *this = *message;
    return this;
}

int ECSystemMessage::GetEventId() const
{
    return EventId::SystemMessage;
}

int ECSystemMessage::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

void ECSystemMessage::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(GetMessageType());
        archive.writeString(m_name);
        return;
    }
    SetMessageType(archive.readU8());
    if (ECPerformanceBase::GetActiveVersion(archive) >= 3)
        m_name = archive.readString();
}

#include "notabase/model/ECDynamic.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECDynamic, ECControlChange, plat::kVersionableSchema | 2)

ECDynamic::ECDynamic()
{
    SetDynamicType(typeMF);
}

ECDynamic::ECDynamic(unsigned char type, const MCTime& duration) : m_duration(duration)
{
    SetDynamicType(type);
}

ECDynamic::ECDynamic(const ECDynamic& other)
    : ECControlChange(other), m_duration(other.m_duration), m_text(other.m_text)
{
    SetDynamicType(other.GetDynamicType());
}

ECDynamic& ECDynamic::operator=(const ECDynamic& other)
{
    ECControlChange::operator=(other);
    SetDynamicType(other.GetDynamicType());
    m_text = other.m_text;
    return *this;
}

bool ECDynamic::operator==(const ECDynamic& other) const
{
    return GetDynamicType() == other.GetDynamicType() && m_duration == other.m_duration && m_text == other.m_text;
}

void ECDynamic::SetDynamicType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8)));
}

std::string ECDynamic::GetText() const
{
    return m_text.empty() ? GetDynamicString(GetDynamicType()) : m_text;
}

void ECDynamic::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

ECBase* ECDynamic::Copy(plat::Object* other)
{
    if (auto* dynamic = plat::dynamicDowncast<ECDynamic>(other))
        *this = *dynamic;
    return this;
}

int ECDynamic::GetEventId() const
{
    return EventId::Dynamic;
}

int ECDynamic::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Envelope, EventId::ControllerEnv});
    return static_cast<int>(types.size());
}

void ECDynamic::Serialize(plat::Archive& archive)
{
    ECControlChange::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(GetDynamicType());
        if (HasDuration(GetDynamicType()))
            m_duration.Serialize(archive, -1);
        archive.writeString(m_text);
        return;
    }
    SetDynamicType(archive.readU8());
    if (HasDuration(GetDynamicType()))
        m_duration.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
    m_text = archive.readString();
}

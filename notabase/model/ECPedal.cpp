#include "notabase/model/ECPedal.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECPedal, ECControlChange, plat::kVersionableSchema | 2)

ECPedal::ECPedal() = default;

ECPedal::ECPedal(unsigned char type, const MCTime& duration) : m_duration(duration)
{
    SetPedalType(type);
}

ECPedal::ECPedal(const ECPedal& other) : ECControlChange(other), m_duration(other.m_duration)
{
    setTypeByte(other.GetFlags() >> 8);
}

ECPedal& ECPedal::operator=(const ECPedal& other)
{
    ECControlChange::operator=(other);
    setTypeByte(other.GetFlags() >> 8);
    return *this;
}

void ECPedal::SetPedalType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | ((type & 0x7F) << 8)));
}

void ECPedal::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

ECBase* ECPedal::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECPedal>(other))
        *this = *mark;
    return this;
}

int ECPedal::GetEventId() const
{
    return EventId::Pedal;
}

int ECPedal::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Envelope, EventId::ControllerEnv});
    return static_cast<int>(types.size());
}

void ECPedal::Serialize(plat::Archive& archive)
{
    ECControlChange::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        m_duration.Serialize(archive, -1);
        return;
    }
    setTypeByte(archive.readU8());
    m_duration.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}

#include "notabase/score/ECStaff.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECStaff, ECTrack, plat::kVersionableSchema | 2)

ECStaff::ECStaff() : ECStaff(0)
{
}

ECStaff::ECStaff(unsigned char staffType)
{
    SetStaffType(staffType);
    SetStaffEmpty(1);
}

ECStaff::ECStaff(const ECStaff& other) : ECTrack(other)
{
    SetStaffEmpty(1);
    *this = other;
}

ECStaff& ECStaff::operator=(const ECStaff& other)
{
    if (this == &other)
        return *this;
    ECTrack::operator=(other);
    SetStaffType(other.GetStaffType());
    return *this;
}

ECBase* ECStaff::Copy(plat::Object* other)
{
    if (auto* staff = plat::dynamicDowncast<ECStaff>(other))
        *this = *staff;
    return this;
}

int ECStaff::GetEventId() const
{
    return EventId::Staff;
}

int ECStaff::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Conductor);
    return static_cast<int>(types.size());
}

void ECStaff::SetStaffType(unsigned char staffType)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | ((staffType & 0x7F) << 8)));
}

void ECStaff::SetStaffEmpty(int empty)
{
    SetFlags(static_cast<uint16_t>(empty ? (GetFlags() | flagStaffEmpty) : (GetFlags() & ~flagStaffEmpty)));
}

void ECStaff::Serialize(plat::Archive& archive)
{
    ECTrack::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        return;
    }
    const uint8_t high = archive.readU8();
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (high << 8)));
}

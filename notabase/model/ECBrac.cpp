#include "notabase/model/ECBrac.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

// Schema 3 stores the group ID: without it a bracket loses its staff group on every load.
PLAT_IMPLEMENT_SERIAL(ECBrac, ECBase, plat::kVersionableSchema | 3)

namespace {

constexpr uint32_t firstSchemaWithGroupId = 3;

}  // namespace

ECBrac::ECBrac(unsigned char type)
{
    SetBracType(type);
}

ECBrac::ECBrac(const ECBrac& other) : ECBase(other)
{
    *this = other;
}

ECBrac& ECBrac::operator=(const ECBrac& other)
{
    ECBase::operator=(other);
    SetBracType(other.GetBracType());
    SetGroupID(static_cast<unsigned char>(other.GetGroupID()), other.GetPrimary());
    return *this;
}

bool ECBrac::operator==(const ECBrac& other) const
{
    return GetBracType() == other.GetBracType() && GetGroupID() == other.GetGroupID() &&
           GetPrimary() == other.GetPrimary();
}

void ECBrac::SetBracType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | ((type & 0x7F) << 8)));
}

void ECBrac::SetGroupID(unsigned char id, int primary)
{
    m_groupId = id;
    SetFlags(static_cast<uint16_t>((primary & 1) ? (GetFlags() | flagPrimary) : (GetFlags() & ~flagPrimary)));
}

ECBase* ECBrac::Copy(plat::Object* other)
{
    if (auto* brac = plat::dynamicDowncast<ECBrac>(other))
        *this = *brac;
    return this;
}

int ECBrac::GetEventId() const
{
    return EventId::Brac;
}

int ECBrac::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorMeasure);
    return static_cast<int>(types.size());
}

void ECBrac::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        archive.writeU8(m_groupId);
        return;
    }
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (archive.readU8() << 8)));
    m_groupId = archive.objectSchema() >= firstSchemaWithGroupId ? archive.readU8() : 0;
}

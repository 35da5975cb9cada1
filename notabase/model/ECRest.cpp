#include "notabase/model/ECRest.h"

#include "notabase/model/EventTypes.h"
#include "notabase/values/MCTime.h"
#include "platform/core/Archive.h"

// Schema 3 stores the rest type.
PLAT_IMPLEMENT_SERIAL(ECRest, ECWithTimeChild, plat::kVersionableSchema | 3)

namespace {

constexpr uint32_t firstSchemaWithType = 3;

// Quarter notes by rest type; 0 and the last entry stand for no length.
constexpr float restLengths[] = {
    0.0f,    8.0f,   4.0f,    6.0f,    7.0f,     2.0f,    3.0f,    3.5f,
    1.0f,    1.5f,   1.75f,   0.5f,    0.75f,    0.875f,  0.25f,   0.375f,
    0.4375f, 0.125f, 0.1875f, 0.21875f, 0.0625f, 0.09375f, 0.03125f,
};
constexpr int lastRestType = 22;

}  // namespace

ECRest::ECRest(unsigned char type)
{
    SetRestType(type);
}

ECRest::ECRest(const ECRest& other) : ECWithTimeChild(other)
{
    SetRestType(other.GetRestType());
}

ECRest& ECRest::operator=(const ECRest& other)
{
    ECWithTimeChild::operator=(other);
    SetRestType(other.GetRestType());
    return *this;
}

void ECRest::SetRestType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8)));
}

ECBase* ECRest::Copy(plat::Object* other)
{
    if (auto* rest = plat::dynamicDowncast<ECRest>(other))
        *this = *rest;
    return this;
}

int ECRest::GetEventId() const
{
    return EventId::Rest;
}

int ECRest::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Measure, EventId::Beam, EventId::Tuplet});
    return static_cast<int>(types.size());
}

int ECRest::GetRestType(unsigned char type, unsigned char dots)
{
    if (dots == 0)
        return type;
    switch (type) {
    case 2:
    case 5:
    case 8:
    case 11:
    case 14:
    case 17:
        return type + (dots == 1 ? 1 : 2);
    case 20:
        return 21;
    default:
        return type;
    }
}

MCTime ECRest::GetRestDuration(unsigned char type, unsigned char dots)
{
    if (dots > 0)
        type = static_cast<unsigned char>(GetRestType(type, dots));
    if (type == 0 || type > lastRestType)
        return MCTime::TimeNull();
    return MCTime(restLengths[type]);
}

void ECRest::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetRestType());
    else if (archive.objectSchema() >= firstSchemaWithType)
        SetRestType(archive.readU8());
}

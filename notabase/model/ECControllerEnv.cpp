#include "notabase/model/ECControllerEnv.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECControllerEnv, ECEnvelope, plat::kVersionableSchema | 2)

namespace {

constexpr int firstChannelModeController = 120;

float restingValue(int controller)
{
    switch (controller) {
    case 7:   // volume
    case 11:  // expression
        return 127.0f;
    case 8:   // balance
    case 10:  // pan
        return 64.0f;
    default:
        return 0.0f;
    }
}

}  // namespace

ECControllerEnv::ECControllerEnv()
{
    SetLimits(0.0f, 127.0f);
}

ECControllerEnv::ECControllerEnv(const ECControllerEnv& other) : ECEnvelope(other)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (other.GetFlags() & 0xFF00)));
}

ECControllerEnv& ECControllerEnv::operator=(const ECControllerEnv& other)
{
    ECEnvelope::operator=(other);
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (other.GetFlags() & 0xFF00)));
    return *this;
}

void ECControllerEnv::SetControllerType(int controller)
{
    // A refused number leaves the envelope as it was, its resting value included.
    if (controller < 0 || controller >= firstChannelModeController)
        return;
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | (controller << 8)));
    SetDefaultValue(restingValue(controller));
}

void ECControllerEnv::Set14Bit(int on)
{
    const bool wide = (on & 1) != 0;
    SetFlags(static_cast<uint16_t>(wide ? (GetFlags() | flag14Bit) : (GetFlags() & ~flag14Bit)));
    SetLimits(0.0f, wide ? 16383.0f : 127.0f);
}

ECBase* ECControllerEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECControllerEnv>(other))
        *this = *envelope;
    return this;
}

int ECControllerEnv::GetEventId() const
{
    return EventId::ControllerEnv;
}

int ECControllerEnv::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff, EventId::Track});
    return static_cast<int>(types.size());
}

void ECControllerEnv::Serialize(plat::Archive& archive)
{
    ECEnvelope::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
    else
        SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (archive.readU8() << 8)));
}

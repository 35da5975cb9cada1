#include "notabase/model/ECBarline.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECBarline, ECBase, plat::kVersionableSchema | 2)

namespace {

constexpr int firstVersionWithOneByte = 3;

}  // namespace

ECBarline::ECBarline(const ECBarline& other) : ECBase(other)
{
    setByte(static_cast<uint8_t>(other.GetFlags() >> 8));
}

ECBarline& ECBarline::operator=(const ECBarline& other)
{
    ECBase::operator=(other);
    setByte(static_cast<uint8_t>(other.GetFlags() >> 8));
    return *this;
}

void ECBarline::SetBarlineType(int type)
{
    setByte(static_cast<uint8_t>(((GetFlags() >> 8) & ~typeMask) | (type & typeMask)));
}

void ECBarline::SetBarlinePos(int position)
{
    setByte(static_cast<uint8_t>(((GetFlags() >> 8) & typeMask) | ((position & 0x03) << 6)));
}

ECBase* ECBarline::Copy(plat::Object* other)
{
    if (auto* barline = plat::dynamicDowncast<ECBarline>(other))
        *this = *barline;
    return this;
}

int ECBarline::GetEventId() const
{
    return EventId::Barline;
}

int ECBarline::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorMeasure);
    return static_cast<int>(types.size());
}

void ECBarline::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) >= firstVersionWithOneByte) {
        setByte(archive.readU8());
        return;
    }
    const int type = archive.readU8();
    const int position = archive.readU8();
    SetBarlineType(type);
    SetBarlinePos(position);
}

#include "notabase/model/ECEnvPoint.h"

#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"
#include "platform/core/ArchiveError.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(ECEnvPoint, ECWithTime, plat::kVersionableSchema | 2)

namespace {

// The first ancestor whose id is one of the types, depth first, parents in list order.
ECBase* firstAncestorOf(ECBase* element, const std::vector<int>& types)
{
    MCEventList* parents = element->GetParents();
    for (MCPosition p = parents ? parents->GetHeadPosition() : nullptr; p;) {
        ECBase* parent = parents->GetNext(p);
        if (!parent)
            continue;
        if (std::find(types.begin(), types.end(), parent->GetEventId()) != types.end())
            return parent;
        if (ECBase* found = firstAncestorOf(parent, types))
            return found;
    }
    return nullptr;
}

}  // namespace

ECEnvPoint& ECEnvPoint::operator=(const ECEnvPoint& other)
{
    ECWithTime::operator=(other);
    m_flags = other.m_flags;
    m_value = other.m_value;
    return *this;
}

bool ECEnvPoint::operator==(const ECEnvPoint& other) const
{
    return m_flags == other.m_flags && m_value == other.m_value;
}

ECBase* ECEnvPoint::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECEnvPoint>(other))
        *this = *point;
    return this;
}

int ECEnvPoint::GetEventId() const
{
    return EventId::EnvPoint;
}

int ECEnvPoint::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Envelope);
    return static_cast<int>(types.size());
}

float ECEnvPoint::GetValue()
{
    return m_value;
}

void ECEnvPoint::SetValue(float value)
{
    m_value = value;
}

void ECEnvPoint::SetStyle(int style)
{
    m_flags = static_cast<uint8_t>((m_flags & ~styleMask) | ((style << styleShift) & styleMask));
}

int ECEnvPoint::GetAnchorList(MCEventList& list)
{
    std::vector<int> types;
    GetParentTypes(types);
    auto* envelope = plat::dynamicDowncast<ECEnvelope>(firstAncestorOf(this, types));
    if (!envelope)
        return 0;
    if (const MCEventList* group = envelope->GetAnchorGroup(this))
        list.AddTail(*group);
    return list.IsEmpty() ? 0 : 1;
}

void ECEnvPoint::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(m_flags);
        archive.writeFloat(m_value);
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) < 3) {
        SetAnchor(1);
        SetAnchorHead(1);
        SetStyle(styleLinear);
        return;
    }
    m_flags = archive.readU8();
    const float value = archive.readFloat();
    // Every use of a point (the curve between points, the message made of it) counts with
    // its value: a point without one is a damaged record.
    if (!std::isfinite(value))
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "an envelope point without a value");
    m_value = value;
}

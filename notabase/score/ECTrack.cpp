#include "notabase/score/ECTrack.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECTrack, ECWithTimeChild, plat::kVersionableSchema | 2)

namespace {
constexpr int structuralVoice = 14;
}

ECTrack::ECTrack()
{
    SetTime(&MCTime::TimeZero());
    SetVoiceTrack(structuralVoice, MCVoiceTrack::noTrack);
}

ECTrack::ECTrack(const ECTrack& other) : ECWithTimeChild(other)
{
    *this = other;
}

ECTrack& ECTrack::operator=(const ECTrack& other)
{
    if (this == &other)
        return *this;
    ECWithTimeChild::operator=(other);
    auto& source = const_cast<ECTrack&>(other);
    SetTime(source.GetTime());
    SetVoiceTrack(source.GetVoiceTrack());
    return *this;
}

bool ECTrack::operator==(const ECTrack& other) const
{
    auto& self = const_cast<ECTrack&>(*this);
    auto& that = const_cast<ECTrack&>(other);
    return *self.GetTime() == *that.GetTime() && *self.GetVoiceTrack() == *that.GetVoiceTrack();
}

ECBase* ECTrack::Copy(plat::Object* other)
{
    if (auto* track = plat::dynamicDowncast<ECTrack>(other))
        *this = *track;
    return this;
}

int ECTrack::GetEventId() const
{
    return EventId::Track;
}

int ECTrack::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Conductor);
    return static_cast<int>(types.size());
}

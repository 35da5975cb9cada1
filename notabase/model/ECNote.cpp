#include "notabase/model/ECNote.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <mutex>

PLAT_IMPLEMENT_SERIAL(ECNote, ECWithTimeChild, plat::kVersionableSchema | 2)

namespace {

// The duration functions are set from the interface thread and used by the sequencer's
// thread too: the three are read and written together.
struct DurationFuncs {
    ECNote::DurationFunc forward = nullptr;
    ECNote::DurationFunc inverse = nullptr;
    void* data = nullptr;
};

std::mutex s_durationFuncsLock;
DurationFuncs s_durationFuncs;

}  // namespace

ECNote::ECNote()
{
    SetTime(&MCTime::TimeZero());
}

ECNote::ECNote(const MCTime& time, const MCTime& duration) : m_duration(duration)
{
    SetTime(&time);
}

ECNote::ECNote(const ECNote& other) : ECWithTimeChild(other), m_duration(other.m_duration)
{
}

ECNote& ECNote::operator=(const ECNote& other)
{
    ECWithTimeChild::operator=(other);
    return *this;
}

bool ECNote::operator==(const ECNote& other) const
{
    auto& self = const_cast<ECNote&>(*this);
    auto& that = const_cast<ECNote&>(other);
    return *self.GetTime() == *that.GetTime() && m_duration == other.m_duration;
}

ECBase* ECNote::Copy(plat::Object* other)
{
    if (auto* note = plat::dynamicDowncast<ECNote>(other))
        *this = *note;
    return this;
}

int ECNote::GetEventId() const
{
    return EventId::Note;
}

int ECNote::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Measure, EventId::Chord, EventId::Beam, EventId::Tuplet});
    return static_cast<int>(types.size());
}

void ECNote::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

MCTime ECNote::ScaleDuration(MCTime* duration, int inverse)
{
    DurationFuncs funcs;
    {
        const std::lock_guard<std::mutex> lock(s_durationFuncsLock);
        funcs = s_durationFuncs;
    }
    const DurationFunc func = inverse ? funcs.inverse : funcs.forward;
    if (func)
        return func(duration, funcs.data);
    return *duration;
}

void ECNote::SetDurationFuncs(DurationFunc forward, DurationFunc inverse, void* data)
{
    const std::lock_guard<std::mutex> lock(s_durationFuncsLock);
    s_durationFuncs = {forward, inverse, data};
}

void ECNote::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    m_duration.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}

#pragma once

#include "notabase/model/ECBase.h"
#include "notabase/values/MCTime.h"
#include "sequencer/data/DCsqBase.h"
#include "wavegate/CWavegate.h"

#include <cmath>

// Small helpers shared by the files that make up CSequence.
namespace sequence_support {

inline constexpr const char* kMidiSaveSection = "Sequencer\\Midi\\Save";

inline CWavegate* wavegate()
{
    return CWavegate::GetWavegate();
}

inline float clampSpeed(float speed)
{
    return (std::isnan(speed) || speed <= 0.0f) ? 0.1f : speed;
}

inline bool isNull(const MCTime& time)
{
    return time.GetMode() != MCTime::barPulseTick && time.GetSeconds() == MCTime::TimeNull().GetSeconds();
}

// A time of the given mode and value.
inline MCTime timeOf(float value, unsigned char mode)
{
    MCTime time(value);
    time.SetMode(mode);
    return time;
}

// The time of a data's element; the null time when it has none.
inline MCTime dataTime(const DCsqBase* data)
{
    ECBase* owner = data ? data->GetOwner() : nullptr;
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    return time ? *time : MCTime::TimeNull();
}

}  // namespace sequence_support

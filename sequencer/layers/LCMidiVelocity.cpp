#include "sequencer/layers/LCMidiVelocity.h"

#include "notabase/model/ECDynamic.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqStaff.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(LCMidiVelocity, LCMidiFilter, plat::kVersionableSchema | 2)

namespace {

uint8_t heldByte(float value, float low, float high)
{
    if (!(value >= low))
        return static_cast<uint8_t>(low);
    if (value > high)
        return static_cast<uint8_t>(high);
    return static_cast<uint8_t>(value);
}

}  // namespace

LCMidiVelocity::LCMidiVelocity(const LCMidiVelocity& other) : LCMidiFilter(other)
{
    *this = other;
}

LCMidiVelocity& LCMidiVelocity::operator=(const LCMidiVelocity& other)
{
    if (this == &other)
        return *this;
    LCMidiFilter::operator=(other);
    m_prepared = other.m_prepared;
    m_changing = other.m_changing;
    m_dynamicType = other.m_dynamicType;
    m_velocityExact = other.m_velocityExact;
    m_dynamicChange = other.m_dynamicChange;
    m_initialVelocity = other.m_initialVelocity;
    m_finalVelocity = other.m_finalVelocity;
    return *this;
}

bool LCMidiVelocity::operator==(const LCMidiVelocity& other) const
{
    return m_prepared == other.m_prepared && m_changing == other.m_changing && m_dynamicType == other.m_dynamicType
        && m_velocityExact == other.m_velocityExact && m_dynamicChange == other.m_dynamicChange
        && m_initialVelocity == other.m_initialVelocity && m_finalVelocity == other.m_finalVelocity;
}

void LCMidiVelocity::Serialize(plat::Archive& archive)
{
    LCMidiFilter::Serialize(archive);
    if (archive.isStoring())
        archive.writeObject(m_staff);
    else
        m_staff = archive.readObjectAs<DCsqStaff>();
}

LCBase* LCMidiVelocity::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiVelocity>(other))
        *this = *filter;
    return this;
}

void LCMidiVelocity::SetInitialVelocity(uint8_t velocity)
{
    m_initialVelocity = velocity & 0x7F;
    if (!ECDynamic::HasDuration(m_dynamicType))
        m_finalVelocity = m_initialVelocity;
}

void LCMidiVelocity::SetFinalVelocity(uint8_t velocity)
{
    m_finalVelocity = velocity & 0x7F;
    if (!ECDynamic::HasDuration(m_dynamicType))
        m_initialVelocity = m_finalVelocity;
}

float LCMidiVelocity::Base() const
{
    return m_staff ? std::trunc(m_staff->GetTrackGain()) : 64.0f;
}

int LCMidiVelocity::DynamicChanges() const
{
    return ECDynamic::HasDuration(m_dynamicType);
}

float LCMidiVelocity::GetInitialFloor() const
{
    float floor = 0.0f;
    if (DynamicChanges() && m_dynamicType != 10)
        floor = m_floor;
    else
        floor = Base() * DCsqDynamic::GetMultiplierForType(m_dynamicType);
    return std::clamp(floor, 1.0f, 127.0f);
}

float LCMidiVelocity::GetInitialRange(float floor) const
{
    float range = Base() / 127.0f * 21.0f;
    if (range < 0.0f)
        range = 0.0f;
    if (floor + range > 127.0f)
        range = 127.0f - floor;
    return range;
}

float LCMidiVelocity::GetFloorChange(float floor) const
{
    const float change = Base() / 127.0f * (static_cast<float>(m_dynamicChange) * 14.0f);
    switch (m_dynamicType) {
    case 10:
    case 12:
    case 13:
    case 15:
        return floor - change >= 1.0f ? -change : -(floor - 1.0f);
    default:
        return floor + change <= 127.0f ? change : 127.0f - floor;
    }
}

float LCMidiVelocity::GetRangeChange(float startRange, float endFloor) const
{
    return GetInitialRange(endFloor) - startRange;
}

void LCMidiVelocity::PrepareValues()
{
    m_changing = 0;
    if (m_velocityExact) {
        m_floor = m_initialVelocity;
        m_range = 0.0f;
        if (DynamicChanges()) {
            m_startFloor = m_floor;
            m_startRange = 0.0f;
            m_endFloor = m_finalVelocity;
            m_endRange = 0.0f;
            m_floorChange = m_endFloor - m_startFloor;
            m_rangeChange = 0.0f;
            m_changing = 1;
        }
    } else {
        m_floor = GetInitialFloor();
        m_range = GetInitialRange(m_floor);
        if (DynamicChanges()) {
            m_startFloor = m_floor;
            m_startRange = m_range;
            m_floorChange = GetFloorChange(m_startFloor);
            m_endFloor = m_startFloor + m_floorChange;
            m_rangeChange = GetRangeChange(m_startRange, m_endFloor);
            m_endRange = m_startRange + m_rangeChange;
            m_changing = 1;
        }
    }
    m_prepared = 1;
}

void LCMidiVelocity::ProcessVelocity(FCMidi& message) const
{
    if (m_velocityExact) {
        message.SetDataByte2(heldByte(m_floor, 0.0f, 127.0f));
        return;
    }
    const float velocity = static_cast<float>(message.GetDataByte2()) / 127.0f * m_range + m_floor;
    message.SetDataByte2(heldByte(velocity, 1.0f, 127.0f));
}

void LCMidiVelocity::UpdateVelocity(const MCTime& time)
{
    if (!m_startTime || !m_duration || m_duration->GetSeconds() == 0.0f)
        return;
    const float fraction = (time.GetSeconds() - m_startTime->GetSeconds()) / m_duration->GetSeconds();
    if (fraction < 1.0f) {
        m_range = m_startRange + fraction * m_rangeChange;
        m_floor = m_startFloor + fraction * m_floorChange;
        return;
    }
    m_range = m_endRange;
    m_floor = m_endFloor;
    m_startTime = nullptr;
    m_duration = nullptr;
    m_changing = 0;
}

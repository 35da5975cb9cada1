#include "notabase/model/ECTempo.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(ECTempo, ECEnvPoint, plat::kVersionableSchema | 2)

namespace {

bool isPositive(float value)
{
    return std::isfinite(value) && value > 0.0f;
}

}  // namespace

ECTempo::ECTempo() : MCMirrored(static_cast<ECBase&>(*this))
{
    setTempoType(typeMetronome);
    ECEnvPoint::SetValue(m_tempo);
}

ECTempo::ECTempo(const ECTempo& other) : ECEnvPoint(other), MCMirrored(static_cast<ECBase&>(*this))
{
    *this = other;
    m_duration = other.m_duration;
}

ECTempo::ECTempo(unsigned char type, const MCTime& duration) : ECTempo()
{
    SetTempoType(type, duration);
}

ECTempo& ECTempo::operator=(const ECTempo& other)
{
    if (this == &other)
        return *this;
    ECEnvPoint::operator=(other);
    setTempoType(other.GetTempoType());
    m_text = other.m_text;
    m_tempo = other.m_tempo;
    m_rate = other.m_rate;
    m_speed = other.m_speed;
    m_beat = other.m_beat;
    m_pausePercent = other.m_pausePercent;
    ECEnvPoint::SetValue(m_tempo);
    return *this;
}

bool ECTempo::operator==(const ECTempo& other) const
{
    return GetTempoType() == other.GetTempoType() && m_duration == other.m_duration && m_text == other.m_text
           && m_tempo == other.m_tempo && m_speed == other.m_speed && m_beat == other.m_beat
           && m_pausePercent == other.m_pausePercent;
}

ECBase* ECTempo::Copy(plat::Object* other)
{
    if (auto* tempo = plat::dynamicDowncast<ECTempo>(other))
        *this = *tempo;
    return this;
}

int ECTempo::GetEventId() const
{
    return EventId::Tempo;
}

int ECTempo::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::TempoEnv);
    return static_cast<int>(types.size());
}

void ECTempo::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
    for (ECBase* parent : *GetParents()) {
        if (auto* map = plat::dynamicDowncast<ECTempoEnv>(parent)) {
            map->RecalculateClockTimes();
            return;
        }
    }
}

const MCTime& ECTempo::GetClockTime() const
{
    for (ECBase* parent : *const_cast<ECTempo*>(this)->GetParents()) {
        if (auto* map = plat::dynamicDowncast<ECTempoEnv>(parent)) {
            map->UpdateClockTimes();
            break;
        }
    }
    return m_clockTime;
}

float ECTempo::GetValue()
{
    return m_tempo;
}

void ECTempo::SetValue(float value)
{
    SetTempo(value, 1.0f);
}

int ECTempo::SetTempo(float bpm, float beat)
{
    // A tempo that is not a positive number would make clock time stand still or run backward.
    const float tempo = bpm * beat;
    if (!isPositive(tempo))
        return 0;
    m_tempo = tempo;
    m_rate = tempo / 60.0f;
    m_speed = 60.0f / tempo;
    m_beat = beat;
    ECEnvPoint::SetValue(m_tempo);
    return 1;
}

float ECTempo::GetTempo(float unit) const
{
    if (m_beat == 0.0f)
        return 0.0f;
    if (unit == 1.0f)
        return m_tempo;
    return m_tempo / m_beat;
}

int ECTempo::SetTempoType(unsigned char type, const MCTime& duration)
{
    if (type > typeLast)
        return 0;
    setTempoType(type);
    if (type >= typeFirstWord && type <= typeLastWord) {
        const int value = GetTempoValue(type);
        if (value > 0)
            SetTempo(static_cast<float>(value), 1.0f);
    } else if (type >= typeAccelerando && type <= typeRitardando) {
        m_duration = duration;
    }
    return 1;
}

float ECTempo::GetPausePercent() const
{
    return IsPauseTempo(GetTempoType()) ? m_pausePercent : 0.0f;
}

float ECTempo::GetPauseTempo(float base) const
{
    return static_cast<float>(base / std::pow(2.0, GetPausePercent() / 100.0));
}

void ECTempo::SetPausePercent(float percent)
{
    m_pausePercent = percent > 0.0f ? std::min(percent, 400.0f) : 0.0f;
}

std::string ECTempo::GetText() const
{
    return m_text.empty() ? GetTempoString(GetTempoType()) : m_text;
}

void ECTempo::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeFloat(m_tempo);
        archive.writeFloat(m_rate);
        archive.writeFloat(m_speed);
        archive.writeFloat(m_beat);
        archive.writeU8(GetTempoType());
        if (HasDuration(GetTempoType()))
            m_duration.Serialize(archive, -1);
        archive.writeString(m_text);
        archive.writeFloat(m_pausePercent);
        return;
    }
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    const float tempo = archive.readFloat();
    const float rate = archive.readFloat();
    const float speed = archive.readFloat();
    const float beat = archive.readFloat();
    if (!isPositive(tempo) || !isPositive(rate) || !isPositive(speed) || !std::isfinite(beat))
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "tempo mark without a positive tempo");
    const unsigned char type = archive.readU8();
    if (HasDuration(type))
        m_duration.Serialize(archive, version);
    m_text = archive.readString();
    if (version >= 3)
        SetPausePercent(archive.readFloat());
    m_tempo = tempo;
    m_rate = rate;
    m_speed = speed;
    m_beat = beat;
    ECEnvPoint::SetValue(m_tempo);
    setTempoType(type);
}

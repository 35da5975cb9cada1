#include "sequencer/layers/LCsqQuantize.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/EventTypes.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"

#include <algorithm>
#include <climits>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(LCsqQuantize, LCsqBase, plat::kVersionableSchema | 2)

LCsqQuantize::LCsqQuantize()
{
    for (auto& table : m_voiceTables)
        table.assign(kTableGrowth, kFreshEntry);
    SetPrimaryDivision(4);
    SetSecondaryDivision(0);
    SetQuantizationPercent(100);
    SetQuantizationMode(0);
}

LCsqQuantize::LCsqQuantize(const LCsqQuantize& other) : LCsqQuantize()
{
    *this = other;
}

LCsqQuantize& LCsqQuantize::operator=(const LCsqQuantize& other)
{
    if (this == &other)
        return *this;
    LCsqBase::operator=(other);
    SetPrimaryDivision(other.m_primaryDivision);
    SetSecondaryDivision(other.m_secondaryDivision);
    SetQuantizationPercent(other.m_percent);
    SetQuantizationMode(other.GetQuantizationMode());
    return *this;
}

bool LCsqQuantize::operator==(const LCsqQuantize& other) const
{
    return m_percent == other.m_percent && m_primaryDivision == other.m_primaryDivision
        && m_secondaryDivision == other.m_secondaryDivision && m_mode == other.m_mode;
}

LCBase* LCsqQuantize::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCsqQuantize>(other))
        *this = *filter;
    return this;
}

int LCsqQuantize::GetClassType() const
{
    return FilterQuantize;
}

void LCsqQuantize::BuildQList(std::vector<CQPoint>& list, int division)
{
    CleanQList(list);
    const int count = std::clamp(division, 1, maxDivision);
    const float step = 1000.0f / static_cast<float>(count);
    const float half = step / 2.0f;
    float boundary = half;
    float position = 0.0f;
    list.reserve(static_cast<size_t>(count) + 1);
    for (int k = 0; k <= count; ++k) {
        list.push_back({static_cast<int32_t>(boundary + 0.5f), static_cast<int32_t>(position + 0.5f)});
        boundary += step;
        position += step;
    }
}

void LCsqQuantize::BuildQArray(std::array<uint8_t, positionsPerBeat>& weights, const std::vector<CQPoint>& list)
{
    const int cells = static_cast<int>(list.size()) - 1;
    if (cells <= 0) {
        weights.fill(0);
        return;
    }
    const float width = 1000.0f / static_cast<float>(cells);
    const int cell = static_cast<int>(width + 0.5f);
    const int falling = static_cast<int>(width / 2.0f + 0.5f);
    if (falling == 0)
        return;
    const int rising = static_cast<int>((width - static_cast<float>(falling)) + 0.5f);
    if (rising == 0)
        return;
    std::vector<float> ramp(static_cast<size_t>(cell));
    float value = 1.0f;
    const float down = 1.0f / static_cast<float>(falling);
    for (int i = 0; i < falling && i < cell; ++i) {
        ramp[static_cast<size_t>(i)] = value;
        value -= down;
    }
    value = 0.0f;
    const float up = 1.0f / static_cast<float>(rising);
    for (int i = falling; i < cell; ++i) {
        ramp[static_cast<size_t>(i)] = value;
        value += up;
    }
    int written = -1;
    for (int c = 0; c < cells; ++c) {
        for (int i = 0; i < cell; ++i) {
            const int index = c * cell + i;
            if (index >= positionsPerBeat)
                break;
            const float scaled = ramp[static_cast<size_t>(i)] * 255.0f;
            weights[static_cast<size_t>(index)] = static_cast<uint8_t>(std::clamp(static_cast<int>(scaled), 0, 255));
            written = index;
        }
    }
    for (int index = written + 1; index < positionsPerBeat; ++index)
        weights[static_cast<size_t>(index)] = 255;
}

void LCsqQuantize::SetListUsage()
{
    m_mode &= 0xF;
    if (m_secondaryDivision <= 1)
        m_mode |= modePrimaryOnly;
    else if (m_primaryDivision % m_secondaryDivision == 0)
        m_mode |= modePrimaryOnly;
    else if (m_primaryDivision != 0 && m_secondaryDivision % m_primaryDivision == 0)
        m_mode |= modeSecondaryOnly;
}

void LCsqQuantize::SetPrimaryDivision(int division)
{
    m_primaryDivision = std::clamp(division, 0, maxDivision);
    BuildQList(m_primaryPoints, m_primaryDivision);
    BuildQArray(m_primaryWeights, m_primaryPoints);
    SetListUsage();
}

void LCsqQuantize::SetSecondaryDivision(int division)
{
    m_secondaryDivision = std::clamp(division, 0, maxDivision);
    BuildQList(m_secondaryPoints, m_secondaryDivision);
    BuildQArray(m_secondaryWeights, m_secondaryPoints);
    SetListUsage();
}

void LCsqQuantize::SetQuantizationPercent(int percent)
{
    m_percent = percent;
    m_strength = static_cast<float>(percent) / 100.0f;
    UpdateEnabled();
}

void LCsqQuantize::SetQuantizationMode(unsigned int mode)
{
    m_mode = (m_mode & 0xF000) | (mode & 0xF);
    UpdateEnabled();
}

void LCsqQuantize::UpdateEnabled()
{
    SetEnabled(GetQuantizationMode() != 0 && m_percent != 0 ? 1 : 0);
}

void LCsqQuantize::PrepareQuantization()
{
    for (auto& table : m_voiceTables)
        std::fill(table.begin(), table.end(), kFreshEntry);
}

int LCsqQuantize::GetPrimaryWeight(int position) const
{
    return m_primaryWeights[static_cast<size_t>(std::clamp(position, 0, positionsPerBeat - 1))];
}

int LCsqQuantize::GetSecondaryWeight(int position) const
{
    return m_secondaryWeights[static_cast<size_t>(std::clamp(position, 0, positionsPerBeat - 1))];
}

LCsqQuantize::VoiceEntry* LCsqQuantize::Entry(const MCVoiceTrack& voiceTrack)
{
    const int voice = voiceTrack.IsConverted() ? MCVoiceTrack::noVoice : voiceTrack.GetVoice();
    const int track = voiceTrack.IsConverted() ? MCVoiceTrack::noTrack : voiceTrack.GetTrack();
    // Voices 8 and above have no memory: the weights alone choose their grid.
    if (voice < 0 || voice >= voiceTableCount || track < 0)
        return nullptr;
    while (static_cast<size_t>(track) >= m_voiceTables[0].size()) {
        for (auto& table : m_voiceTables)
            table.resize(table.size() + kTableGrowth, kFreshEntry);
    }
    return &m_voiceTables[static_cast<size_t>(voice)][static_cast<size_t>(track)];
}

void LCsqQuantize::Quantize(MCTime& time, const MCVoiceTrack& voiceTrack, int end)
{
    const float value = time.GetSeconds();
    // Beyond the range of a beat number nothing is moved.
    if (!(std::fabs(value) < 2.0e9f))
        return;
    const int beat = static_cast<int>(value);
    const int key = end ? (end >> 8) : beat;
    MCTime base(static_cast<float>(beat));
    long position = time.GetMSec() - base.GetMSec();
    if (position >= positionsPerBeat) {
        base += MCTime(1.0f);
        position -= positionsPerBeat;
    }

    bool primary = true;
    VoiceEntry* entry = nullptr;
    if (m_mode & modeSecondaryOnly) {
        primary = false;
    } else if (!(m_mode & modePrimaryOnly)) {
        entry = Entry(voiceTrack);
        const int index = static_cast<int>(position);
        if (entry && entry->lastBeat == key)
            primary = entry->primaryUsed == 1;
        else
            primary = !(GetPrimaryWeight(index) < GetSecondaryWeight(index));
    }
    const std::vector<CQPoint>& points = primary ? m_primaryPoints : m_secondaryPoints;
    const auto chosen = std::find_if(points.begin(), points.end(), [position, end](const CQPoint& point) {
        return end ? point.position > position : point.boundary > position;
    });
    if (chosen == points.end())
        return;
    const long offset = position - chosen->position;
    const long moved = position - static_cast<long>(static_cast<float>(offset) * m_strength);
    base.AddTicks(moved, positionsPerBeat);
    time = base;
    if (!end && entry && chosen != points.begin() && chosen != points.end() - 1)
        *entry = {static_cast<int>(time.GetSeconds()), primary ? 1 : 0};
}

int LCsqQuantize::QuantizeEvent(const FCMidi& message, MCTime& time, const MCVoiceTrack& voiceTrack)
{
    if (message.IsNoteOn() && (m_mode & modeNoteStarts)) {
        Quantize(time, voiceTrack, 0);
        return 1;
    }
    if (message.IsNoteOff() && (m_mode & modeNoteEnds)) {
        Quantize(time, voiceTrack, 1);
        return 1;
    }
    if (m_mode & modeOtherEvents) {
        Quantize(time, voiceTrack, 0);
        return 1;
    }
    return 0;
}

int LCsqQuantize::QuantizeEvent(ECBase* element, MCTime& start, MCTime& duration)
{
    start = MCTime::TimeNull();
    duration = MCTime::TimeNull();
    if (!element)
        return 0;
    const MCVoiceTrack* word = element->GetVoiceTrack();
    const MCVoiceTrack voiceTrack = word ? *word : MCVoiceTrack();
    const MCTime* time = element->GetTime();
    if (element->GetEventId() == EventId::Note) {
        int result = 0;
        if ((m_mode & modeNoteStarts) && time) {
            start = *time;
            Quantize(start, voiceTrack, 0);
            result = 1;
        }
        const MCTime* length = element->GetDuration();
        if ((m_mode & modeNoteEnds) && length) {
            duration = *length;
            const MCTime& from = start != MCTime::TimeNull() ? start : (time ? *time : MCTime::TimeZero());
            const float beat = from.GetSeconds();
            const int key = std::fabs(beat) < 8.0e6f ? (static_cast<int>(beat) << 8) + 1 : 1;
            Quantize(duration, voiceTrack, key);
            duration = ECNote::ScaleDuration(&duration, 0);
            result = 1;
        }
        return result;
    }
    if (!(m_mode & modeOtherEvents) || !time)
        return 0;
    const int voice = voiceTrack.IsConverted() ? MCVoiceTrack::noVoice : voiceTrack.GetVoice();
    if (*time == MCTime(0.0f) || voice >= voiceTableCount)
        return 0;
    start = *time;
    Quantize(start, voiceTrack, 0);
    return 1;
}

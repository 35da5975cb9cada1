#include "notabase/score/ECTuplet.h"

#include "notabase/model/ECMeter.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <cmath>

// Schema 2 stores the units.
PLAT_IMPLEMENT_SERIAL(ECTuplet, ECWithTimeChild, plat::kVersionableSchema | 2)

namespace {

constexpr uint32_t firstSchemaWithUnits = 2;
constexpr float shortestRemainderPulse = 0.03125f;

long ticksOf(float quarters)
{
    return MCTime(quarters).GetTicks(MCTime::GlobalPPQ);
}

// Puts the value at the position, making room up to it.
void setGrow(std::vector<unsigned char>& values, int position, unsigned char value)
{
    if (static_cast<size_t>(position) >= values.size())
        values.resize(static_cast<size_t>(position) + 1, 0);
    values[static_cast<size_t>(position)] = value;
}

void put(std::vector<unsigned char>& values, int position, unsigned char value, int insert)
{
    if (insert && static_cast<size_t>(position) <= values.size())
        values.insert(values.begin() + position, value);
    else
        setGrow(values, position, value);
}

}  // namespace

ECTuplet::ECTuplet()
{
    setUnits(unitsEighth);
}

ECTuplet::ECTuplet(unsigned char irregular, unsigned char normal, unsigned char units)
{
    SetTuplet(irregular, normal, units);
}

ECTuplet::ECTuplet(const ECTuplet& other) : ECWithTimeChild(other)
{
    SetTuplet(other.m_irregular, other.m_normal, other.GetUnits());
}

ECTuplet& ECTuplet::operator=(const ECTuplet& other)
{
    ECWithTimeChild::operator=(other);
    SetTuplet(other.m_irregular, other.m_normal, other.GetUnits());
    return *this;
}

bool ECTuplet::operator==(const ECTuplet& other) const
{
    return m_irregular == other.m_irregular && m_normal == other.m_normal && GetUnits() == other.GetUnits();
}

void ECTuplet::SetTuplet(unsigned char irregular, unsigned char normal, unsigned char units)
{
    m_irregular = irregular;
    m_normal = normal;
    setUnits(units);
}

ECBase* ECTuplet::Copy(plat::Object* other)
{
    if (auto* tuplet = plat::dynamicDowncast<ECTuplet>(other))
        *this = *tuplet;
    return this;
}

int ECTuplet::GetEventId() const
{
    return EventId::Tuplet;
}

int ECTuplet::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECTuplet::leaveParentsWhenEmpty()
{
    if ((GetFlags() & flagHasChildren) || GetParents()->IsEmpty())
        return;
    const plat::RefPtr<ECBase> self(this);
    RemoveFromParents();
}

int ECTuplet::RemoveChild(ECBase* child, int recursive)
{
    if (!ECWithTimeChild::RemoveChild(child, recursive))
        return 0;
    leaveParentsWhenEmpty();
    return 1;
}

int ECTuplet::RemoveChildren(int recursive)
{
    if (!ECWithTimeChild::RemoveChildren(recursive))
        return 0;
    leaveParentsWhenEmpty();
    return 1;
}

int ECTuplet::RemoveFromParents()
{
    if (ECBase* measure = GetAncestor(EventId::Measure, -1)) {
        MCEventList* measureChildren = measure->GetChildren();
        for (ECBase* child : *GetChildren()) {
            if (!measureChildren->Find(child))
                measure->AddChild(child, 1);
        }
        ECWithTimeChild::RemoveChildren(0);
    }
    return ECBase::RemoveFromParents();
}

MCTime ECTuplet::GetUnitsAsTime(int units)
{
    static constexpr float lengths[] = {4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    if (units < 0 || units >= static_cast<int>(std::size(lengths)))
        return MCTime(0.0f);
    return MCTime(lengths[units]);
}

void ECTuplet::GetEquivalentTuplet(int irregular, int normal, unsigned char units, int& outIrregular, int& outNormal,
                                   unsigned char& outUnits)
{
    outIrregular = irregular;
    outNormal = normal;
    outUnits = noUnits;
    // A count of 0 (or less) has no equivalent; the doubling below would never end.
    if (irregular <= 0 || normal <= 0)
        return;
    auto unitTicks = static_cast<uint16_t>(GetUnitsAsTime(units).GetTicks(MCTime::GlobalPPQ));
    if (irregular >= 2 * normal) {
        while (irregular >= 2 * outNormal) {
            outNormal *= 2;
            unitTicks = static_cast<uint16_t>(unitTicks / 2);
        }
    } else {
        while (normal >= 2 * outIrregular) {
            outIrregular *= 2;
            unitTicks = static_cast<uint16_t>(unitTicks * 2);
        }
    }
    MCTime unit;
    unit.SetTicks(unitTicks, MCTime::GlobalPPQ);
    static constexpr float standard[] = {4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f};
    for (unsigned char code = 0; code < std::size(standard); ++code) {
        if (unit.GetSeconds() == standard[code]) {
            outUnits = code;
            return;
        }
    }
}

int ECTuplet::CalcIrregularUnits(int irregular, int normal, unsigned char units)
{
    int equivalentIrregular = 0;
    int equivalentNormal = 0;
    unsigned char equivalentUnits = noUnits;
    GetEquivalentTuplet(irregular, normal, units, equivalentIrregular, equivalentNormal, equivalentUnits);
    return equivalentUnits;
}

MCTime ECTuplet::ScaleDuration(MCTime* duration) const
{
    if (hasZeroCount() || !duration)
        return MCTime::TimeNull();
    int irregular = 0;
    int normal = 0;
    unsigned char units = noUnits;
    GetEquivalentTuplet(m_irregular, m_normal, GetUnits(), irregular, normal, units);
    return MCTime(static_cast<float>(normal) * duration->GetSeconds() / static_cast<float>(irregular));
}

int ECTuplet::GetAdjustedDenominator() const
{
    const float unit = GetUnitsAsTime(GetUnits()).GetSeconds();
    if (unit == 0.0f)
        return 4;
    int denominator = static_cast<int>(4.0f / unit);
    if (hasZeroCount())
        return denominator;
    int irregular = m_irregular;
    int normal = m_normal;
    if (2 * normal > irregular) {
        while (2 * irregular <= normal) {
            irregular *= 2;
            denominator /= 2;
        }
    } else {
        while (2 * normal <= irregular) {
            normal *= 2;
            denominator *= 2;
        }
    }
    return denominator;
}

int ECTuplet::FindFit(ECMeter* meter, float length, int& level, int& index, unsigned char mode) const
{
    level = -1;
    index = -1;
    if (!meter)
        return 0;
    for (int step = 0; step <= 3; ++step) {
        const int at = mode == 2 ? 3 - step : step;
        std::vector<float> parts;
        meter->GetSubdivision(at, parts);
        if (parts.empty())
            continue;
        if (mode == 0) {
            if (std::all_of(parts.begin(), parts.end(), [length](float part) { return part == length; })) {
                level = at;
                index = static_cast<int>(parts.size());
                return 1;
            }
            continue;
        }
        for (size_t k = 0; k < parts.size(); ++k) {
            if (mode == 1 ? parts[k] == length : parts[k] > length) {
                level = at;
                index = static_cast<int>(k);
                return 1;
            }
        }
    }
    return 0;
}

int ECTuplet::FitInside(ECMeter* meter, std::vector<unsigned char>& numerators, std::vector<unsigned char>& denominators,
                        float unitLength, float span, int& position, int insert) const
{
    const float groupLength = static_cast<float>(m_normal) * unitLength;
    if (!meter || m_irregular == 0 || !(groupLength > 0.0f))
        return 0;
    const auto denominator = static_cast<unsigned char>(GetAdjustedDenominator());
    float remainder = span;
    int at = position;
    do {
        put(numerators, at, m_irregular, insert);
        put(denominators, at, denominator, insert);
        ++at;
        remainder -= groupLength;
    } while (remainder >= groupLength);
    // What the groups leave goes into the entry after them, in the largest pulse that divides
    // it. A span shorter than one group leaves nothing to fill.
    if (remainder > 0.0f) {
        float pulse = meter->GetPulse();
        while (std::fmod(remainder, pulse) != 0.0f && pulse > shortestRemainderPulse)
            pulse /= 2.0f;
        setGrow(numerators, at, static_cast<unsigned char>(remainder / pulse));
        setGrow(denominators, at, static_cast<unsigned char>(4.0f / pulse));
    }
    if (insert)
        position = at;
    return 1;
}

int ECTuplet::SetupBorrowedMeter(ECMeter* meter, ECMeter* borrowed)
{
    const float unitLength = GetUnitsAsTime(GetUnits()).GetSeconds();
    if (!meter || !borrowed || unitLength == 0.0f || hasZeroCount())
        return 0;
    const float normalLength = static_cast<float>(m_normal) * unitLength;
    std::vector<unsigned char> numerators;
    std::vector<unsigned char> denominators;
    int level = -1;
    int index = -1;
    if (FindFit(meter, normalLength, level, index, 0)) {
        numerators.assign(static_cast<size_t>(index), m_irregular);
        denominators.assign(1, static_cast<unsigned char>(GetAdjustedDenominator()));
    } else if (FindFit(meter, normalLength, level, index, 1)) {
        std::vector<float> parts;
        meter->GetSubdivision(level, parts);
        numerators.assign(parts.size(), 0);
        denominators.assign(parts.size(), 0);
        const float pulse = meter->GetPulse();
        for (int i = 0, k = 0; i < static_cast<int>(numerators.size()) && k < static_cast<int>(parts.size()); ++i, ++k) {
            const float part = parts[static_cast<size_t>(k)];
            if (part == normalLength) {
                numerators[static_cast<size_t>(i)] = m_irregular;
                denominators[static_cast<size_t>(i)] = static_cast<unsigned char>(GetAdjustedDenominator());
            } else if (part < normalLength) {
                numerators[static_cast<size_t>(i)] = static_cast<unsigned char>(part / pulse);
                denominators[static_cast<size_t>(i)] = static_cast<unsigned char>(4.0f / pulse);
            } else if (!FitInside(meter, numerators, denominators, unitLength, part, i, 1)) {
                return 0;
            }
        }
    } else if (FindFit(meter, normalLength, level, index, 2)) {
        int position = 0;
        if (!FitInside(meter, numerators, denominators, unitLength, meter->GetMeasureLength(), position, 0))
            return 0;
    } else {
        return 0;
    }
    // A part that groups filled exactly keeps an entry of nothing: it is no part of the meter.
    if (numerators.size() == denominators.size()) {
        for (size_t i = numerators.size(); i-- > 0;) {
            if (numerators[i] == 0 && denominators[i] == 0) {
                numerators.erase(numerators.begin() + static_cast<std::ptrdiff_t>(i));
                denominators.erase(denominators.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    return borrowed->SetMeter(numerators, denominators, 1);
}

MCTime ECTuplet::placementTime()
{
    MCTime time = *GetTime();
    if (time != MCTime::TimeNull())
        return time;
    for (ECBase* child : *GetChildren()) {
        const MCTime* childTime = child->GetTime();
        if (childTime && *childTime != MCTime::TimeNull())
            time = *childTime;
    }
    return time;
}

int ECTuplet::GetTupletRange(ECMeasure* measure, ECMeter* meter, MCTime& start, MCTime& end, int mode)
{
    if (!measure || !meter || hasZeroCount())
        return 0;
    const MCTime time = placementTime();
    if (time == MCTime::TimeNull())
        return 0;
    const float relative = std::max(0.0f, time.GetSeconds() - measure->GetTime()->GetSeconds());

    ECMeter borrowed;
    if (!SetupBorrowedMeter(meter, &borrowed))
        return 0;
    std::vector<float> groups;
    borrowed.GetSubdivision(1, groups);
    const float unitLength = GetUnitsAsTime(GetUnits()).GetSeconds();
    int irregular = m_irregular;
    int normal = m_normal;
    float written = static_cast<float>(irregular) * unitLength;
    const float played = static_cast<float>(normal) * unitLength;
    if (written == 0.0f)
        return 0;
    if (2 * normal > irregular) {
        while (2 * irregular <= normal) {
            irregular *= 2;
            written *= 2.0f;
        }
    } else {
        while (2 * normal <= irregular) {
            normal *= 2;
            written /= 2.0f;
        }
    }

    const long relativeTicks = ticksOf(relative);
    float writtenPosition = 0.0f;
    float playedPosition = 0.0f;
    float groupEnd = 0.0f;
    bool found = false;
    for (size_t k = 0; k < groups.size(); ++k) {
        const float length = groups[k];
        const auto group = static_cast<unsigned short>(k);
        const bool tupletGroup = borrowed.GetPulsesPerStress(group) == m_irregular && borrowed.GetBeat(group) == written;
        const float playedLength = tupletGroup ? static_cast<float>(normal) * length / static_cast<float>(irregular) : length;
        if (relativeTicks >= ticksOf(playedPosition) && relativeTicks < ticksOf(playedPosition + playedLength)) {
            groupEnd = playedPosition + playedLength;
            found = true;
            break;
        }
        writtenPosition += length;
        playedPosition += playedLength;
    }
    if (!found)
        groupEnd = playedPosition + played;
    if (mode == 1) {
        start = MCTime(writtenPosition);
        end = MCTime(writtenPosition + written);
    } else {
        start = MCTime(playedPosition);
        end = MCTime(groupEnd);
    }
    return 1;
}

int ECTuplet::IsValid(ECMeasure* measure, ECMeter* meter)
{
    MCTime start;
    MCTime end;
    if (GetIrregularUnits() == noUnits || !GetTupletRange(measure, meter, start, end, 0))
        return 2;
    const float measureTime = measure->GetTime()->GetSeconds();
    return end.GetSeconds() + measureTime > measureTime + meter->GetMeasureLength() ? 1 : 0;
}

void ECTuplet::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(m_irregular);
        archive.writeU8(m_normal);
        archive.writeU8(GetUnits());
        return;
    }
    m_irregular = archive.readU8();
    m_normal = archive.readU8();
    setUnits(archive.objectSchema() >= firstSchemaWithUnits ? archive.readU8() : static_cast<unsigned char>(unitsEighth));
}

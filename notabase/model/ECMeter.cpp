#include "notabase/model/ECMeter.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <string>

PLAT_IMPLEMENT_SERIAL(ECMeter, ECEnvPoint, plat::kVersionableSchema | 2)

namespace {

bool isPowerOfTwoDenominator(unsigned char denominator)
{
    return denominator != 0 && (denominator & (denominator - 1)) == 0;
}

// Subdivision levels halve the beats; past this many halvings a part would be shorter than a
// 65536th of a beat, and the list would only grow.
constexpr int maxHalvings = 16;

void writeShorts(plat::Archive& archive, const std::vector<unsigned short>& values)
{
    archive.writeCount(static_cast<uint32_t>(values.size()));
    for (unsigned short v : values)
        archive.writeU16(v);
}

std::vector<unsigned short> readShorts(plat::Archive& archive)
{
    std::vector<unsigned short> values(archive.readCount(2));
    for (unsigned short& v : values)
        v = archive.readU16();
    return values;
}

void writeBytes(plat::Archive& archive, const std::vector<unsigned char>& values)
{
    archive.writeCount(static_cast<uint32_t>(values.size()));
    archive.writeBytes(values.data(), values.size());
}

std::vector<unsigned char> readBytes(plat::Archive& archive)
{
    std::vector<unsigned char> values(archive.readCount(1));
    archive.readBytes(values.data(), values.size());
    return values;
}

}  // namespace

ECMeter::ECMeter() : MCMirrored(static_cast<ECBase&>(*this))
{
    SetMeter(4, 4, 0);
}

ECMeter::ECMeter(unsigned char numerator, unsigned char denominator, unsigned char type)
    : MCMirrored(static_cast<ECBase&>(*this))
{
    // A refused meter stays 4/4.
    if (!SetMeter(numerator, denominator, type))
        SetMeter(4, 4, 0);
}

ECMeter::ECMeter(const ECMeter& other) : ECEnvPoint(other), MCMirrored(static_cast<ECBase&>(*this))
{
    *this = other;
}

ECMeter& ECMeter::operator=(const ECMeter& other)
{
    if (this == &other)
        return *this;
    ECEnvPoint::operator=(other);
    if (other.GetMeterType() != typeComposite)
        SetMeter(other.m_numerator, other.m_denominator, other.GetMeterType());
    else
        SetMeter(other.m_compoundNumerator, other.m_compoundDenominator, 0);
    return *this;
}

bool ECMeter::operator==(const ECMeter& other) const
{
    return GetMeterType() == other.GetMeterType() && m_numerator == other.m_numerator
           && m_denominator == other.m_denominator && m_stressPulsesPerMeasure == other.m_stressPulsesPerMeasure
           && m_pulseTicks == other.m_pulseTicks && m_stressTicks == other.m_stressTicks
           && m_pulsesPerStress == other.m_pulsesPerStress && m_compoundNumerator == other.m_compoundNumerator
           && m_compoundDenominator == other.m_compoundDenominator;
}

ECBase* ECMeter::Copy(plat::Object* other)
{
    if (auto* meter = plat::dynamicDowncast<ECMeter>(other))
        *this = *meter;
    return this;
}

int ECMeter::GetEventId() const
{
    return EventId::Meter;
}

int ECMeter::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

void ECMeter::clearStresses()
{
    m_stressTicks.clear();
    m_pulsesPerStress.clear();
    m_stressPulsesPerMeasure = 0;
}

int ECMeter::SetMeter(unsigned char numerator, unsigned char denominator, unsigned char type)
{
    if (numerator == 0 || !isPowerOfTwoDenominator(denominator))
        return 0;
    if (numerator * pulseTicksOf(denominator) > maxMeasureTicks)
        return 0;
    if (GetMeterType() == typeComposite) {
        m_compoundNumerator.clear();
        m_compoundDenominator.clear();
    }
    clearStresses();
    m_numerator = numerator;
    m_denominator = denominator;
    setMeterType(type == 0 || type == 1 ? type : CalculateMeterType(numerator, denominator));
    CalculateStress(numerator, denominator);
    m_pulseTicks = static_cast<unsigned short>(pulseTicksOf(denominator));
    return 1;
}

int ECMeter::SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators, int mode)
{
    if (numerators.size() == 1 && denominators.size() == 1 && mode == 0)
        return SetMeter(numerators[0], denominators[0], 255);
    if (numerators.empty() || denominators.empty())
        return 0;
    if (denominators.size() > 1 && denominators.size() != numerators.size())
        return 0;
    if (std::find(numerators.begin(), numerators.end(), 0) != numerators.end())
        return 0;
    if (!std::all_of(denominators.begin(), denominators.end(), isPowerOfTwoDenominator))
        return 0;

    // The whole bar, counted in pulses of the smallest note value, must fit the numerator's byte
    // and the 16-bit bar length.
    const unsigned char denominator = *std::max_element(denominators.begin(), denominators.end());
    unsigned int numerator = 0;
    for (size_t i = 0; i < numerators.size(); ++i) {
        const unsigned char partDenominator = denominators.size() > 1 ? denominators[i] : denominator;
        numerator += static_cast<unsigned int>(denominator / partDenominator) * numerators[i];
    }
    if (numerator > 255 || numerator * pulseTicksOf(denominator) > maxMeasureTicks)
        return 0;

    // Copied before the meter changes: the arrays may be this meter's own parts.
    const std::vector<unsigned char> nums = numerators;
    const std::vector<unsigned char> dens = denominators;
    clearStresses();
    m_compoundNumerator = nums;
    m_compoundDenominator = dens;
    m_denominator = denominator;
    m_numerator = static_cast<unsigned char>(numerator);
    m_pulseTicks = static_cast<unsigned short>(pulseTicksOf(denominator));
    if (dens.size() > 1) {
        for (size_t i = 0; i < nums.size(); ++i) {
            if (mode == 1) {
                SetSingleStress(nums[i], dens[i]);
            } else {
                setMeterType(CalculateMeterType(nums[i], dens[i]));
                CalculateStress(nums[i], dens[i]);
            }
        }
    } else {
        for (unsigned char part : nums)
            SetSingleStress(part, denominator);
    }
    setMeterType(typeComposite);
    return 1;
}

int ECMeter::SetMeterType(unsigned char /*type*/)
{
    return 0;
}

void ECMeter::SetBarPulseTick(int bar, int pulse, int tick, int ppq)
{
    m_barPulseTick = BPTTime{bar, pulse, tick, ppq};
}

void ECMeter::SetBarPulseTick(const BPTTime& position)
{
    m_barPulseTick = position;
}

unsigned char ECMeter::CalculateMeterType(unsigned char numerator, unsigned char /*denominator*/)
{
    if (numerator < 5 || (numerator & (numerator - 1)) == 0)
        return typeSimple;
    if (numerator % 5 == 0 || numerator % 7 == 0)
        return typeImperfect;
    if (numerator % 3 != 0)
        return typeCombined;
    const int q = numerator / 3;
    return q % 3 == 0 || q % 2 == 0 ? typeCompound : typeCombined;
}

void ECMeter::CalculateStress(unsigned char numerator, unsigned char denominator)
{
    const unsigned char type = GetMeterType();
    if (type <= typeCompound)
        SetPerfectStress(numerator, denominator);
    else if (type == typeImperfect)
        SetImperfectStress(numerator, denominator);
    else if (type == typeCombined)
        SetCombinedStress(numerator, denominator);
}

void ECMeter::AddToStress(unsigned short ticks)
{
    m_stressTicks.push_back(ticks);
    ++m_stressPulsesPerMeasure;
}

void ECMeter::AddToPulsesPerStress(unsigned short pulses)
{
    m_pulsesPerStress.push_back(pulses);
}

void ECMeter::SetPerfectStress(unsigned char numerator, unsigned char denominator)
{
    if (denominator == 0)
        return;
    const unsigned int pulse = pulseTicksOf(denominator);
    auto stresses = [&](unsigned int count, unsigned int pulses) {
        for (unsigned int k = 0; k < count; ++k) {
            AddToStress(static_cast<unsigned short>(pulse * pulses));
            AddToPulsesPerStress(static_cast<unsigned short>(pulses));
        }
    };
    if (GetMeterType() == typeCompound) {
        stresses(numerator / 3u, 3);
        return;
    }
    if (denominator < 8 && (denominator != 4 || numerator > 3)) {
        if (numerator % 2 != 0)
            stresses(numerator, 1);
        else
            stresses(2, numerator / 2u);
    } else {
        stresses(1, numerator);
    }
}

void ECMeter::SetImperfectStress(unsigned char numerator, unsigned char denominator)
{
    if (denominator == 0)
        return;
    const unsigned int pulse = pulseTicksOf(denominator);
    auto stress = [&](unsigned int pulses) {
        AddToStress(static_cast<unsigned short>(pulse * pulses));
        AddToPulsesPerStress(static_cast<unsigned short>(pulses));
    };
    if (numerator % 3 == 0) {
        for (int k = 0; k < 3; ++k)
            stress(numerator / 3u);
    } else if (numerator % 2 == 0) {
        unsigned int rest = numerator;
        unsigned int count = 0;
        while (rest % 2 == 0) {
            rest /= 2;
            count += 2;
        }
        for (unsigned int k = 0; k < count; ++k)
            stress(rest);
    } else if (numerator == 5) {
        stress(2);
        stress(3);
    } else if (numerator == 7) {
        stress(4);
        stress(3);
    }
}

void ECMeter::SetCombinedStress(unsigned char numerator, unsigned char denominator)
{
    if (denominator == 0)
        return;
    const unsigned int pulse = pulseTicksOf(denominator);
    for (unsigned int k = 0; k < numerator / 3u; ++k) {
        AddToStress(static_cast<unsigned short>(3 * pulse));
        AddToPulsesPerStress(3);
    }
    const unsigned int rest = numerator % 3u;
    AddToStress(static_cast<unsigned short>(rest * pulse));
    AddToPulsesPerStress(static_cast<unsigned short>(rest));
}

void ECMeter::SetSingleStress(unsigned char numerator, unsigned char denominator)
{
    if (denominator == 0)
        return;
    AddToStress(static_cast<unsigned short>(numerator * pulseTicksOf(denominator)));
    AddToPulsesPerStress(numerator);
}

unsigned int ECMeter::ConvertResolution(unsigned int value, unsigned int to, unsigned int from)
{
    if (from == 0)
        return 0;
    return static_cast<unsigned int>((static_cast<uint64_t>(value) * to + from / 2) / from);
}

unsigned int ECMeter::GetPulseTicks(unsigned short resolution) const
{
    if (resolution == meterResolution)
        return m_pulseTicks;
    return ConvertResolution(m_pulseTicks, resolution, meterResolution);
}

unsigned int ECMeter::GetTicksPerMeasure(unsigned short resolution) const
{
    return m_numerator * GetPulseTicks(resolution);
}

unsigned int ECMeter::GetStressTicks(unsigned short index, unsigned short resolution) const
{
    if (index >= m_stressTicks.size())
        return 0;
    return ConvertResolution(m_stressTicks[index], resolution, meterResolution);
}

unsigned int ECMeter::GetBeatTicks(unsigned short index, unsigned short resolution) const
{
    const unsigned char type = GetMeterType();
    if (type <= typeSimple)
        return GetPulseTicks(resolution);
    if (type == typeCompound)
        return GetStressTicks(0, resolution);
    if (type <= typeComposite)
        return GetStressTicks(index, resolution);
    return 0;
}

unsigned short ECMeter::GetBeatsPerMeasure() const
{
    const unsigned char type = GetMeterType();
    if (type <= typeSimple)
        return m_numerator;
    if (type <= typeComposite)
        return m_stressPulsesPerMeasure;
    return 0;
}

unsigned short ECMeter::GetPulsesPerStress(unsigned short index) const
{
    return index < m_pulsesPerStress.size() ? m_pulsesPerStress[index] : 0;
}

unsigned short ECMeter::GetPulsesPerBeat(unsigned short index) const
{
    const unsigned char type = GetMeterType();
    if (type <= typeSimple)
        return 1;
    if (type == typeCompound)
        return GetPulsesPerStress(0);
    if (type <= typeComposite)
        return GetPulsesPerStress(index);
    return 0;
}

float ECMeter::GetMeasureLength() const
{
    return static_cast<float>(GetTicksPerMeasure(meterResolution)) / meterResolution;
}

float ECMeter::GetPulse() const
{
    return static_cast<float>(m_pulseTicks) / meterResolution;
}

float ECMeter::GetStress(unsigned short index) const
{
    return index < m_stressTicks.size() ? static_cast<float>(m_stressTicks[index]) / meterResolution : 0.0f;
}

float ECMeter::GetBeat(unsigned short index) const
{
    const unsigned char type = GetMeterType();
    if (type <= typeSimple)
        return GetPulse();
    if (type == typeCompound)
        return GetStress(0);
    if (type <= typeComposite)
        return GetStress(index);
    return 0.0f;
}

void ECMeter::GetSubdivision(int level, std::vector<unsigned int>& out, unsigned short resolution) const
{
    const unsigned char type = GetMeterType();
    if (type > typeComposite || level < 0 || level - 2 > maxHalvings)
        return;
    const bool simple = type <= typeSimple;
    out.clear();
    if (level == 0) {
        out.push_back(GetTicksPerMeasure(resolution));
    } else if (level == 1) {
        const unsigned short count = simple ? m_stressPulsesPerMeasure : GetBeatsPerMeasure();
        for (unsigned short i = 0; i < count; ++i)
            out.push_back(simple ? GetStressTicks(i, resolution) : GetBeatTicks(i, resolution));
    } else if (level == 2) {
        if (simple) {
            for (unsigned short i = 0; i < GetBeatsPerMeasure(); ++i)
                out.push_back(GetBeatTicks(i, resolution));
        } else {
            out.assign(m_numerator, GetPulseTicks(resolution));
        }
    } else {
        const unsigned int k = 1u << (level - 2);
        if (simple)
            out.assign(static_cast<size_t>(k) * GetBeatsPerMeasure(), GetBeatTicks(0, resolution) / k);
        else
            out.assign(static_cast<size_t>(k) * m_numerator, GetPulseTicks(resolution) / k);
    }
}

void ECMeter::GetSubdivision(int level, std::vector<float>& out) const
{
    const unsigned char type = GetMeterType();
    if (type > typeComposite || level < 0 || level - 2 > maxHalvings)
        return;
    const bool simple = type <= typeSimple;
    out.clear();
    if (level == 0) {
        out.push_back(GetMeasureLength());
    } else if (level == 1) {
        const unsigned short count = simple ? m_stressPulsesPerMeasure : GetBeatsPerMeasure();
        for (unsigned short i = 0; i < count; ++i)
            out.push_back(simple ? GetStress(i) : GetBeat(i));
    } else if (level == 2) {
        if (simple) {
            for (unsigned short i = 0; i < GetBeatsPerMeasure(); ++i)
                out.push_back(GetBeat(i));
        } else {
            out.assign(m_numerator, GetPulse());
        }
    } else {
        const unsigned int k = 1u << (level - 2);
        if (simple)
            out.assign(static_cast<size_t>(k) * GetBeatsPerMeasure(), GetBeat(0) / static_cast<float>(k));
        else
            out.assign(static_cast<size_t>(k) * m_numerator, GetPulse() / static_cast<float>(k));
    }
}

void ECMeter::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(GetMeterType());
        archive.writeU8(m_numerator);
        archive.writeU8(m_denominator);
        archive.writeU16(m_stressPulsesPerMeasure);
        archive.writeU16(m_pulseTicks);
        writeShorts(archive, m_stressTicks);
        writeShorts(archive, m_pulsesPerStress);
        if (GetMeterType() > typeCompound) {
            writeBytes(archive, m_compoundNumerator);
            writeBytes(archive, m_compoundDenominator);
        }
        return;
    }
    const unsigned char type = archive.readU8();
    const unsigned char numerator = archive.readU8();
    const unsigned char denominator = archive.readU8();
    const unsigned short stressCount = archive.readU16();
    const unsigned short pulseTicks = archive.readU16();
    std::vector<unsigned short> stressTicks = readShorts(archive);
    std::vector<unsigned short> pulsesPerStress = readShorts(archive);
    std::vector<unsigned char> compoundNumerator;
    std::vector<unsigned char> compoundDenominator;
    if (type > typeCompound) {
        compoundNumerator = readBytes(archive);
        compoundDenominator = readBytes(archive);
    }
    // A meter that SetMeter would refuse has no bar length to count with.
    if (numerator == 0 || !isPowerOfTwoDenominator(denominator) || pulseTicks == 0
        || numerator * static_cast<unsigned int>(pulseTicks) > maxMeasureTicks)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic,
                                 "meter " + std::to_string(numerator) + "/" + std::to_string(denominator) + " has no valid bar length");
    setMeterType(type);
    m_numerator = numerator;
    m_denominator = denominator;
    m_stressPulsesPerMeasure = stressCount;
    m_pulseTicks = pulseTicks;
    m_stressTicks = std::move(stressTicks);
    m_pulsesPerStress = std::move(pulsesPerStress);
    m_compoundNumerator = std::move(compoundNumerator);
    m_compoundDenominator = std::move(compoundDenominator);
}

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/MCMirrored.h"
#include "notabase/values/MCTime.h"

#include <cstdint>
#include <vector>

// A time signature: a point of the meter map that holds from its time to the next meter. Beyond
// numerator and denominator it works out how a bar divides into stresses (the beats a player
// feels, such as two dotted quarters in 6/8 or 2+3 in 5/8), pulses (denominator units) and finer
// subdivisions, with the length of each in ticks at any resolution. A composite meter (such as
// 3/4 + 3/8) is made from arrays of numerators and denominators.
//
// Lengths inside a meter are counted at 256 ticks per quarter note, a whole note being 1024, and
// are stored in 16 bits: a meter whose bar would not fit (longer than 65535 ticks, such as 64/1)
// is refused. Lengths at another resolution are computed and handed out in 32 bits.
class NOTABASE_API ECMeter : public ECEnvPoint, public MCMirrored {
    PLAT_DECLARE_SERIAL(ECMeter)
public:
    // The resolution lengths are kept in, and the longest bar it can hold.
    static constexpr unsigned short meterResolution = 256;
    static constexpr uint32_t maxMeasureTicks = 65535;

    // Meter types, from SetMeter.
    enum : unsigned char {
        typeSimple = 2,  // 0 and 1 are simple too, when the caller asks for them
        typeCompound = 3,
        typeImperfect = 4,
        typeCombined = 5,
        typeComposite = 6,
    };

    // 4/4, meter type 0.
    ECMeter();
    ECMeter(unsigned char numerator, unsigned char denominator, unsigned char type);
    ECMeter(const ECMeter& other);
    // The point (not the time), then the meter made anew from the other's numerator and
    // denominator (or parts, for a composite meter); not the position nor the mirrors.
    ECMeter& operator=(const ECMeter& other);
    // Type, numerator, denominator, stresses and pulse length; not the time, position or mirrors.
    bool operator==(const ECMeter& other) const;
    bool operator!=(const ECMeter& other) const { return !(*this == other); }

    // The ECEnvPoint record, then type, numerator, denominator, the stress count, the pulse
    // length, the stress lengths and pulses per stress, and the parts of a meter of type 4 and up.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // A numerator above 0 and a denominator that is a power of two, 1 to 128; type 0 or 1 is kept,
    // any other is worked out. 0, changing nothing, for other values.
    int SetMeter(unsigned char numerator, unsigned char denominator, unsigned char type);
    // A composite meter from its parts: one denominator for all numerators, or one for each. Mode
    // 1 makes each part one stress; otherwise each part is stressed by its own type. 0, changing
    // nothing, for empty or unequal arrays, a zero numerator or a denominator that is not a power
    // of two.
    int SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators, int mode);

    unsigned char GetNumerator() const { return m_numerator; }
    unsigned char GetDenominator() const { return m_denominator; }
    unsigned char GetMeterType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    // Refused: the type follows from the meter.
    int SetMeterType(unsigned char type);
    const std::vector<unsigned char>& GetCompoundNumerator() const { return m_compoundNumerator; }
    const std::vector<unsigned char>& GetCompoundDenominator() const { return m_compoundDenominator; }
    unsigned short GetStressPulsesPerMeasure() const { return m_stressPulsesPerMeasure; }

    // Where the meter map found this meter to begin.
    BPTTime& GetBarPulseTick() { return m_barPulseTick; }
    void SetBarPulseTick(int bar, int pulse, int tick, int ppq);
    void SetBarPulseTick(const BPTTime& position);

    // Lengths in ticks at a resolution (ticks per quarter note). An index past the stresses or
    // beats gives 0.
    unsigned int GetPulseTicks(unsigned short resolution) const;
    unsigned int GetTicksPerMeasure(unsigned short resolution) const;
    unsigned int GetStressTicks(unsigned short index, unsigned short resolution) const;
    unsigned int GetBeatTicks(unsigned short index, unsigned short resolution) const;
    unsigned short GetBeatsPerMeasure() const;
    unsigned short GetPulsesPerStress(unsigned short index) const;
    unsigned short GetPulsesPerBeat(unsigned short index) const;

    // Lengths in quarter notes.
    float GetMeasureLength() const;
    float GetPulse() const;
    float GetStress(unsigned short index) const;
    float GetBeat(unsigned short index) const;

    // The lengths of a bar divided at a level: 0 the bar, 1 its stresses (beats for compound and
    // irregular meters), 2 its beats (pulses), and each further level halves them. The list is
    // left as it was for an unknown meter type and for levels so fine that a part would be
    // shorter than a 65536th of a beat.
    void GetSubdivision(int level, std::vector<unsigned int>& out, unsigned short resolution) const;
    void GetSubdivision(int level, std::vector<float>& out) const;

protected:
    // value x to / from, rounded to the nearest (halves up); 0 when from is 0.
    static unsigned int ConvertResolution(unsigned int value, unsigned int to, unsigned int from);
    static unsigned char CalculateMeterType(unsigned char numerator, unsigned char denominator);
    void CalculateStress(unsigned char numerator, unsigned char denominator);
    void SetPerfectStress(unsigned char numerator, unsigned char denominator);
    void SetImperfectStress(unsigned char numerator, unsigned char denominator);
    void SetCombinedStress(unsigned char numerator, unsigned char denominator);
    void SetSingleStress(unsigned char numerator, unsigned char denominator);
    // Appends a stress of that many ticks, or the pulse count of the latest stress.
    void AddToStress(unsigned short ticks);
    void AddToPulsesPerStress(unsigned short pulses);

private:
    void setMeterType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
    void clearStresses();
    // A whole note split into pulses of the denominator, at 256 ticks per quarter note.
    static unsigned int pulseTicksOf(unsigned char denominator) { return 1024u / denominator; }

    unsigned char m_numerator = 4;
    unsigned char m_denominator = 4;
    std::vector<unsigned char> m_compoundNumerator;
    std::vector<unsigned char> m_compoundDenominator;
    unsigned short m_stressPulsesPerMeasure = 0;
    unsigned short m_pulseTicks = 256;
    std::vector<unsigned short> m_stressTicks;
    std::vector<unsigned short> m_pulsesPerStress;
    BPTTime m_barPulseTick{0, 0, 0, static_cast<int32_t>(MCTime::GlobalPPQ)};
};

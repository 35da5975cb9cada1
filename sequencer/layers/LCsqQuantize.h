#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

#include <array>
#include <cstdint>
#include <vector>

class ECBase;
class FCMidi;
class MCTime;
class MCVoiceTrack;

// Moves recorded times toward a rhythmic grid. Two grids, a primary and a secondary division
// of the quarter note, are used at once: per event the nearer one is taken, and the choice
// holds within one beat for one voice of one track. Below 100 percent an event moves only part
// of the way. Positions within a beat are thousandths of a quarter note, and the arithmetic
// stays in those integers: grid choice and rounding are table lookups.
//
// It acts only through QuantizeEvent; ProcessEvent does nothing. Stored as its LCBase record.
class SEQUENCER_API LCsqQuantize : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqQuantize)
public:
    // One grid point within a beat: the capture boundary and the position, in thousandths.
    struct CQPoint {
        int32_t boundary;
        int32_t position;
    };

    static constexpr int voiceTableCount = 8;
    static constexpr int positionsPerBeat = 1000;
    // A finer division than a thousandth of a quarter puts several points on one position.
    static constexpr int maxDivision = positionsPerBeat;
    // Mode bits: what is quantized, and which grid is used.
    enum : uint32_t {
        modeNoteStarts = 0x1,
        modeNoteEnds = 0x2,
        modeOtherEvents = 0x4,
        modeSecondaryOnly = 0x4000,
        modePrimaryOnly = 0x8000,
    };

    // Primary division 4, no secondary, 100 percent, mode 0 (disabled).
    LCsqQuantize();
    // A copy takes the settings and starts with fresh voice memory.
    LCsqQuantize(const LCsqQuantize& other);
    LCsqQuantize& operator=(const LCsqQuantize& other);
    // Equal percent, divisions and mode word.
    bool operator==(const LCsqQuantize& other) const;
    bool operator!=(const LCsqQuantize& other) const { return !(*this == other); }

    LCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;

    // Divisions are held to 0..1000 and rebuild their grid.
    void SetPrimaryDivision(int division);
    void SetSecondaryDivision(int division);
    int GetPrimaryDivision() const { return m_primaryDivision; }
    int GetSecondaryDivision() const { return m_secondaryDivision; }
    // The strength; values outside 0..100 over- or undershoot the grid.
    void SetQuantizationPercent(int percent);
    int GetQuantizationPercent() const { return m_percent; }
    // Bits 0-3: note starts, note ends, other events.
    void SetQuantizationMode(unsigned int mode);
    unsigned int GetQuantizationMode() const { return m_mode & 0xF; }
    uint32_t GetModeWord() const { return m_mode; }
    // Forgets the grid each voice and track chose; a recording starts with it.
    void PrepareQuantization();

    // Quantizes the time of one message in place; 1 when it did.
    int QuantizeEvent(const FCMidi& message, MCTime& time, const MCVoiceTrack& voiceTrack);
    // The quantized start and duration of an element (the null time for what is not
    // quantized); 1 when anything was.
    int QuantizeEvent(ECBase* element, MCTime& start, MCTime& duration);

    const std::vector<CQPoint>& GetPrimaryPoints() const { return m_primaryPoints; }
    const std::vector<CQPoint>& GetSecondaryPoints() const { return m_secondaryPoints; }
    // How close a position 0-999 is to the nearest point of that grid: 255 on it, 0 half way.
    int GetPrimaryWeight(int position) const;
    int GetSecondaryWeight(int position) const;

protected:
    // end is 0 for a start, else (beat << 8) | 1, the beat whose grid the end follows.
    void Quantize(MCTime& time, const MCVoiceTrack& voiceTrack, int end);
    static void BuildQList(std::vector<CQPoint>& list, int division);
    static void BuildQArray(std::array<uint8_t, positionsPerBeat>& weights, const std::vector<CQPoint>& list);
    static void CleanQList(std::vector<CQPoint>& list) { list.clear(); }
    void SetListUsage();

private:
    struct VoiceEntry {
        int lastBeat;
        int primaryUsed;
    };
    static constexpr int kTableGrowth = 50;
    static constexpr VoiceEntry kFreshEntry{INT32_MIN, 1};

    void UpdateEnabled();
    // The entry of a voice 0-7 and a track, the tables grown to hold it; null for other voices.
    VoiceEntry* Entry(const MCVoiceTrack& voiceTrack);

    std::vector<CQPoint> m_primaryPoints;
    std::vector<CQPoint> m_secondaryPoints;
    std::array<uint8_t, positionsPerBeat> m_primaryWeights{};
    std::array<uint8_t, positionsPerBeat> m_secondaryWeights{};
    float m_strength = 1.0f;
    int m_percent = 100;
    int m_primaryDivision = 4;
    int m_secondaryDivision = 0;
    uint32_t m_mode = 0;
    std::array<std::vector<VoiceEntry>, voiceTableCount> m_voiceTables;
};

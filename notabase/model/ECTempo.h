#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/MCMirrored.h"
#include "notabase/values/MCTime.h"

#include <string>

// A tempo mark: a point of the tempo map holding a tempo in quarter notes per minute (with its
// rate, quarter notes per second, and speed, seconds per quarter note), the kind of mark (a
// metronome mark, a tempo word, a gradual change with a duration, a pause, a return) and the
// clock time at which it falls, which the tempo map keeps up to date.
class NOTABASE_API ECTempo : public ECEnvPoint, public MCMirrored {
    PLAT_DECLARE_SERIAL(ECTempo)
public:
    // Tempo types: 0 no word, 1 a metronome mark, 2..20 tempo words, 21..23 accel., rall. and
    // rit., 24 a pause without a word, 25 and 26 "G.P." and "L.P.", 27 "a tempo", 28 "rubato",
    // 29 no word.
    enum : unsigned char {
        typeNone = 0,
        typeMetronome = 1,
        typeFirstWord = 2,
        typeLastWord = 20,
        typeAccelerando = 21,
        typeRitardando = 23,
        typePause = 24,
        typeLongPause = 26,
        typeATempo = 27,
        typeLast = 29,
    };

    ECTempo();
    // Time, duration and the mark itself.
    ECTempo(const ECTempo& other);
    // A metronome mark made into the given type (see SetTempoType).
    ECTempo(unsigned char type, const MCTime& duration);
    // The point (not its time), type, text, tempo, rate, speed, beat and pause percent; not the
    // duration, the clock time nor the mirrors.
    ECTempo& operator=(const ECTempo& other);
    bool operator==(const ECTempo& other) const;
    bool operator!=(const ECTempo& other) const { return !(*this == other); }

    // The ECEnvPoint record, then tempo, rate, speed, beat, the type, the duration (types with a
    // duration only), the text and the pause percent (read from version 3 on).
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    // Stores the duration; the tempo map above recomputes its clock times.
    void SetDuration(const MCTime* duration) override;
    // The tempo, in quarter notes per minute.
    float GetValue() override;
    // SetTempo(value, 1).
    void SetValue(float value) override;

    static bool HasDuration(unsigned char type) { return type >= 21 && type <= 26; }
    static bool IsRelativeTempo(unsigned char type) { return type >= 21 && type <= 27; }
    static bool IsPauseTempo(unsigned char type) { return type >= 24 && type <= 26; }

    // bpm beats of the beat unit (in quarter notes) per minute; 0, changing nothing, when that
    // makes no tempo.
    int SetTempo(float bpm, float beat);
    // The tempo in quarter notes per minute for a unit of 1; for another unit, in the mark's own
    // beat unit. 0 when the beat is 0.
    float GetTempo(float unit) const;
    float GetRate() const { return m_rate; }
    float GetSpeed() const { return m_speed; }
    float GetBeat() const { return m_beat; }
    unsigned char GetTempoType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    // A tempo word sets its tempo; a gradual change keeps the duration. 0, changing nothing, for
    // a type above 29.
    int SetTempoType(unsigned char type, const MCTime& duration);
    // The percent by which a pause slows the tempo; 0 for a mark that is not a pause.
    float GetPausePercent() const;
    // Held to 0..400.
    void SetPausePercent(float percent);
    // The tempo a pause holds after a tempo of base: base / 2^(pause percent / 100), so half
    // the tempo at the 100 percent a new mark has. The one rule for the tempo map and the
    // command that adds a pause.
    float GetPauseTempo(float base) const;
    // Where the mark falls in clock time; its tempo map works that out first when a change left
    // it behind.
    const MCTime& GetClockTime() const;
    void SetClockTime(const MCTime& time) { m_clockTime = time; }
    // The text, or when it is empty the word of the type.
    std::string GetText() const;
    void SetText(const std::string& text) { m_text = text; }

private:
    friend class ECTempoEnv;

    void setTempoType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }

    MCTime m_duration{0.0f};
    MCTime m_clockTime{0.0f};
    std::string m_text;
    float m_tempo = 60.0f;
    float m_rate = 1.0f;
    float m_speed = 1.0f;
    float m_beat = 1.0f;
    float m_pausePercent = 100.0f;
};

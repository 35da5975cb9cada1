#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

class ECBase;

// The filter of an accent mark: it scales the velocities and the duration of its note's events
// by three factors (1.0 leaves a value as it is), taken from the accent preferences of the
// mark's type. Until UpdateParametersFrom runs the factors are -1.0.
class SEQUENCER_API LCsqAccent : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqAccent)
public:
    // The accent types that have preferences: 0 (Staccato) to 14 (Sforzato).
    static constexpr int accentTypeCount = 15;
    // The preference section of the accent percentages.
    static constexpr const char* kSection = "Sequencer\\Midi\\Play\\Accents";

    LCsqAccent() = default;
    LCsqAccent(const LCsqAccent& other) = default;
    LCsqAccent& operator=(const LCsqAccent& other) = default;
    // Equal factors.
    bool operator==(const LCsqAccent& other) const;
    bool operator!=(const LCsqAccent& other) const { return !(*this == other); }

    // The LCBase bytes, then the duration, velocity-on and velocity-off factors.
    void Serialize(plat::Archive& archive) override;
    LCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // Note ons (and the on half of note events) take the velocity-on factor, note offs the
    // velocity-off factor, note events' durations and release velocities the other two.
    void ProcessEvent(CSeqEvent* event, CSeqEventList& list) override;
    // Reads the three factors of the accent element's type from the preferences (percent);
    // a type without preferences leaves every value unchanged (1.0).
    virtual void UpdateParametersFrom(ECBase* accent);

    float GetDurationChange() const { return m_durationChange; }
    void SetDurationChange(float factor) { m_durationChange = factor; }
    float GetVelocityOnChange() const { return m_velocityOnChange; }
    void SetVelocityOnChange(float factor) { m_velocityOnChange = factor; }
    float GetVelocityOffChange() const { return m_velocityOffChange; }
    void SetVelocityOffChange(float factor) { m_velocityOffChange = factor; }

    // The name of an accent type 0-14 as its preference keys begin ("Staccato"), or null.
    static const char* AccentName(int type);
    // The percent the filter takes when a preference is missing: which 0 duration, 1 velocity
    // on, 2 velocity off.
    static int DefaultPercent(int type, int which);
    // A velocity scaled by a factor: 1..127, truncated.
    static uint8_t ScaledVelocity(uint8_t velocity, float factor);

    // The steps, on a bare message or time, shared with the older accent layer.
    static void ApplyNoteOn(FCMidi& message, float factor);
    static void ApplyNoteOff(FCMidi& message, float factor);
    static void ApplyDuration(MCTime& duration, float factor);

private:
    float m_durationChange = -1.0f;
    float m_velocityOnChange = -1.0f;
    float m_velocityOffChange = -1.0f;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCMidiFilter.h"

#include <cstdint>

class DCsqStaff;
class FCMidi;

// The velocity curve of one dynamic mark in older documents: a floor and a range of velocities
// that a mark with a duration (a crescendo, say) moves from a start to an end over its time.
// "Base" is the staff's track gain as a whole number, or 64 without a staff.
class SEQUENCER_API LCMidiVelocity : public LCMidiFilter {
    PLAT_DECLARE_SERIAL(LCMidiVelocity)
public:
    LCMidiVelocity() = default;
    // Copies the flags and the five bytes.
    LCMidiVelocity(const LCMidiVelocity& other);
    LCMidiVelocity& operator=(const LCMidiVelocity& other);
    bool operator==(const LCMidiVelocity& other) const;
    bool operator!=(const LCMidiVelocity& other) const { return !(*this == other); }

    // The LCBase bytes, then the staff as a reference.
    void Serialize(plat::Archive& archive) override;
    LCBase* Copy(plat::Object* other) override;

    DCsqStaff* GetStaff() const { return m_staff; }
    void SetStaff(DCsqStaff* staff) { m_staff = staff; }
    void SetDynamicType(uint8_t type) { m_dynamicType = type; }
    uint8_t GetDynamicType() const { return m_dynamicType; }
    void SetVelocityExact(uint8_t exact) { m_velocityExact = exact; }
    uint8_t GetVelocityExact() const { return m_velocityExact; }
    // Not owned; the caller keeps them alive while the curve moves.
    void SetStartTime(MCTime* time) { m_startTime = time; }
    MCTime* GetStartTime() const { return m_startTime; }
    void SetDuration(MCTime* duration) { m_duration = duration; }
    MCTime* GetDuration() const { return m_duration; }
    void SetDynamicChange(uint8_t change) { m_dynamicChange = change; }
    uint8_t GetDynamicChange() const { return m_dynamicChange; }
    // The low 7 bits; a mark without a duration sets the other end too.
    void SetInitialVelocity(uint8_t velocity);
    void SetFinalVelocity(uint8_t velocity);
    uint8_t GetInitialVelocity() const { return m_initialVelocity; }
    uint8_t GetFinalVelocity() const { return m_finalVelocity; }
    void SetPrepared(int prepared) { m_prepared = prepared ? 1 : 0; }
    int IsPrepared() const { return m_prepared; }
    int IsChanging() const { return m_changing; }
    float GetCurrentFloor() const { return m_floor; }
    float GetCurrentRange() const { return m_range; }

protected:
    void PrepareValues();
    void ProcessVelocity(FCMidi& message) const;
    void UpdateVelocity(const MCTime& time);
    float GetInitialFloor() const;
    float GetInitialRange(float floor) const;
    float GetFloorChange(float floor) const;
    float GetRangeChange(float startRange, float endFloor) const;
    int DynamicChanges() const;

private:
    float Base() const;

    DCsqStaff* m_staff = nullptr;
    uint8_t m_prepared = 0;
    uint8_t m_changing = 0;
    uint8_t m_dynamicType = 5;
    uint8_t m_velocityExact = 0;
    uint8_t m_dynamicChange = 2;
    uint8_t m_initialVelocity = 64;
    uint8_t m_finalVelocity = 64;
    MCTime* m_startTime = nullptr;
    MCTime* m_duration = nullptr;
    float m_range = 0.0f;
    float m_floor = 0.0f;
    float m_startRange = 0.0f;
    float m_startFloor = 0.0f;
    float m_endRange = 0.0f;
    float m_endFloor = 0.0f;
    float m_rangeChange = 0.0f;
    float m_floorChange = 0.0f;
};

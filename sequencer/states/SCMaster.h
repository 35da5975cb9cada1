#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/states/SCBase.h"

#include <atomic>

// A master state: 3500 master volume, 3501 user speed, 3502 tempo display, 3503 and 3504. Its
// one value serves as volume, speed and beats per minute. The class counts the states alive,
// so a sender can hold back updates while the receiver lags behind.
class SEQUENCER_API SCMaster : public SCBase {
public:
    enum : int { codeVolume = 3500, codeSpeed = 3501, codeTempoDisplay = 3502 };

    SCMaster() : SCMaster(0) {}
    explicit SCMaster(int code) : SCBase(code) { ++s_iMessageCount; }
    SCMaster(const SCMaster& other) : SCBase(other), m_value(other.m_value) { ++s_iMessageCount; }
    SCMaster& operator=(const SCMaster& other) = default;
    ~SCMaster() override { --s_iMessageCount; }

    // The value rounded to the nearest integer.
    int GetVolume() const;
    void SetVolume(int volume) { m_value = static_cast<float>(volume); }
    float GetSpeed() const { return m_value; }
    void SetSpeed(float speed) { m_value = speed; }
    float GetBPM() const { return m_value; }
    void SetBPM(float bpm) { m_value = bpm; }

    // Master states alive; made on the driver thread, deleted on the main thread.
    static std::atomic<int> s_iMessageCount;

private:
    float m_value = 0.0f;
};

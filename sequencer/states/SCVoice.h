#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/states/SCBase.h"

// The voice state, 3600: the voice (0 .. 7) that input goes to from now on.
class SEQUENCER_API SCVoice : public SCBase {
public:
    enum : int { codeVoice = 3600 };

    SCVoice() : SCBase(codeVoice) {}
    explicit SCVoice(int code) : SCBase(code) {}
    SCVoice(const SCVoice& other) = default;
    SCVoice& operator=(const SCVoice& other) = default;
    ~SCVoice() override;

    int GetVoice() const { return m_voice; }
    void SetVoice(int voice) { m_voice = voice; }

private:
    int m_voice = 0;
};

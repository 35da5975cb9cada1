#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/states/SCBase.h"
#include "notabase/values/MCTime.h"

// A transport state: 3300 stop, 3301 pause, 3302 play, 3303 step, 3304 record, 3305 next,
// 3306 previous, 3307 forward, 3308 return to the stored position, 3309 the transport has
// come to rest.
class SEQUENCER_API SCPerform : public SCBase {
public:
    enum : int {
        codeStop = 3300,
        codePause = 3301,
        codePlay = 3302,
        codeStep = 3303,
        codeRecord = 3304,
        codeNext = 3305,
        codePrevious = 3306,
        codeForward = 3307,
        codeReturn = 3308,
        codeAtRest = 3309,
    };

    SCPerform() = default;
    explicit SCPerform(int code) : SCBase(code) {}
    SCPerform(int code, const MCTime& time) : SCBase(code), m_time(time) {}
    SCPerform(const SCPerform& other) = default;
    SCPerform& operator=(const SCPerform& other) = default;

    // A stop also stops the target's command timer, before any handler sees the state.
    void DoState() override;

    MCTime& GetTime() { return m_time; }

private:
    MCTime m_time;
};

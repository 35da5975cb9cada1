#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/values/MCTime.h"

class CSequence;

// Moves the transport clock from the current time to the next through time states (1901, and
// 1900 before it when asked), as step recording advances; its undo moves it back.
class SEQUENCER_API CCAdvanceClock : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCAdvanceClock)
public:
    CCAdvanceClock() = default;
    ~CCAdvanceClock() override;

    int GetCommandId() override;
    void SetCurrentTime(const MCTime& time) { m_currentTime = time; }
    const MCTime& GetTickCount() const { return m_currentTime; }
    void SetNextTime(const MCTime& time) { m_nextTime = time; }
    const MCTime& GetNextTime() const { return m_nextTime; }
    void SetSequence(CSequence* sequence) { m_sequence = sequence; }
    CSequence* GetSequence() const { return m_sequence; }
    // Whether the current time (1900) is announced before the locate.
    void SetAnnounceTime(int on) { m_announceTime = on != 0; }
    int GetAnnounceTime() const { return m_announceTime ? 1 : 0; }

    int Process() override;
    void Undo() override;

private:
    MCTime m_currentTime;
    MCTime m_nextTime;
    CSequence* m_sequence = nullptr;
    bool m_announceTime = false;
};

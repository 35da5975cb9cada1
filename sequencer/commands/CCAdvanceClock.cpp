#include "sequencer/commands/CCAdvanceClock.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/states/SCTime.h"

PLAT_IMPLEMENT_DYNCREATE(CCAdvanceClock, CCBase)

CCAdvanceClock::~CCAdvanceClock() = default;

int CCAdvanceClock::GetCommandId()
{
    return CommandIds::CCAdvanceClock;
}

int CCAdvanceClock::Process()
{
    if (!CCBase::Process())
        return 0;
    for (const int code : {1900, 1901}) {
        if (code == 1900 && !m_announceTime)
            continue;
        auto* state = new SCTime(code, m_nextTime);
        if (IsSynchronous())
            state->SetSynchronous(1);
        state->Apply(GetTarget());
    }
    return 1;
}

void CCAdvanceClock::Undo()
{
    auto* back = new CCAdvanceClock;
    back->SetSynchronous(1);
    back->SetCurrentTime(m_nextTime);
    back->SetNextTime(m_currentTime);
    back->SetSequence(m_sequence);
    back->SetAnnounceTime(m_announceTime);
    back->Apply(GetTarget());
}

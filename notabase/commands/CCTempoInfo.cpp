#include "notabase/commands/CCTempoInfo.h"

CCTempoInfo::CCTempoInfo(ECTempo* tempo) : m_tempo(tempo)
{
    if (tempo && tempo->GetTime())
        m_time = *tempo->GetTime();
}

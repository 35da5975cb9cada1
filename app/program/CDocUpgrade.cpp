#include "app/program/CDocUpgrade.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/transport/CSequence.h"

CDocUpgrade::CDocUpgrade(MCOpusDoc* document) : m_document(document) {}

void CDocUpgrade::Run()
{
    ECPerformance* performance = m_document ? m_document->GetBaseEvent() : nullptr;
    if (!performance || !performance->GetConductor())
        return;
    const int version = performance->GetVersion();
    if (version == 0 || version > 3)
        return;
    SetTrackNumbers();
    m_document->GetSequence()->CheckDataIntegrity();
}

void CDocUpgrade::SetTrackNumbers()
{
    ECConductor* conductor = m_document->GetBaseEvent()->GetConductor();
    for (int kind = 0; kind <= 2; ++kind) {
        const int last = conductor->GetMaxTrackNumber(kind);
        for (int number = 1; number <= last; ++number) {
            ECTrack* track = conductor->GetTrack(kind, number, 0);
            if (!track)
                continue;
            ACSetVoiceTrack action;
            action.BypassNone();
            action.SetTrack(number);
            action.Apply(track);
        }
    }
}

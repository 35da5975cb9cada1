#pragma once

// What the mixer's tests share: the application object, a document with a small piece made the
// active one, and a record of the states its performance delivers, which also passes them on
// to a window the way the main frame passes every state to its tool windows.

#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCTrack.h"

#include <functional>
#include <vector>

namespace mixertest {

// One state as the global handler saw it.
struct SeenState {
    int code = 0;
    int track = 0;
    int value = 0;
    float number = 0.0f;
};

// The states of every performance, in order, after their own handlers; each is also handed to
// forward (a tool window's OnUpdate) while it is delivered.
class StateRecord {
public:
    StateRecord() { MCStateMgr::SetGlobalHandler(&StateRecord::Handler, this); }
    ~StateRecord() { MCStateMgr::SetGlobalHandler(nullptr, nullptr); }
    StateRecord(const StateRecord&) = delete;
    StateRecord& operator=(const StateRecord&) = delete;

    std::function<void(long code, SCBase* state)> forward;

    // Delivers what was posted to this thread, then hands over what was seen so far.
    std::vector<SeenState> Take()
    {
        plat::MessageLoop::current().pump();
        return std::exchange(m_seen, {});
    }
    // The codes of Take(), each with its value, of the codes in [from, to].
    std::vector<SeenState> Take(int from, int to)
    {
        std::vector<SeenState> kept;
        for (const SeenState& seen : Take()) {
            if (seen.code >= from && seen.code <= to)
                kept.push_back(seen);
        }
        return kept;
    }

private:
    static int Handler(ECBase*, int phase, void* state, void* user)
    {
        auto* self = static_cast<StateRecord*>(user);
        auto* base = static_cast<SCBase*>(state);
        if (phase != 0 || !self || !base)
            return 0;
        SeenState seen;
        seen.code = base->GetCode();
        if (const auto* track = dynamic_cast<const SCTrack*>(base)) {
            seen.track = track->GetTrack();
            seen.value = track->GetValue();
        }
        if (const auto* master = dynamic_cast<const SCMaster*>(base))
            seen.number = master->GetBPM();
        self->m_seen.push_back(seen);
        if (self->forward)
            self->forward(base->GetCode(), base);
        return 0;
    }
    std::vector<SeenState> m_seen;
};

// A document of staves, each with a note at every quarter, 120 beats a minute, staff n
// playing on output 0, channel n - 1; it is the active document.
class MixerTest : public documenttest::DocumentTest {
protected:
    void MakePiece(int staves, int quarters)
    {
        FillPiece(doc, staves, quarters);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        auto* tempo = new ECTempo;
        const MCTime zero(0.0f);
        tempo->SetTime(&zero);
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        conductor->GetConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        conductor->GetConductorStaff()->GetTempoEnv()->RecalculateClockTimes();
        for (int staff = 1; staff <= staves; ++staff) {
            auto* data = plat::dynamicDowncast<DCsqStaff>(conductor->GetTrack(1, staff, 0)->GetData(0, 1));
            ASSERT_NE(data, nullptr);
            for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
                data->GetVoiceMap(voice)->SetDevice(0);
                data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>((staff - 1) % 16));
            }
        }
        doc.GetSequence()->CheckDataIntegrity();
        MCOpusDoc::SetActiveDoc(&doc);
    }
    ECBase* Staff(int number) { return doc.GetBaseEvent()->GetConductor()->GetTrack(1, number, 0); }
    DCsqTrack* TrackData(int number) { return plat::dynamicDowncast<DCsqTrack>(Staff(number)->GetData(0, 0)); }

    MCOpusDoc doc;
};

}  // namespace mixertest

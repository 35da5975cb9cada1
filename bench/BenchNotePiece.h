#pragma once

// A one-staff piece of 4/4 bars holding a quarter note on each beat, for the benchmarks of
// edits to many notes.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"

#include <vector>

class BenchNotePiece {
public:
    // notes quarter notes, the first at offset beats.
    BenchNotePiece(int notes, float offset)
    {
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 1);
        add->SetSynchronous(1);
        add->Apply(m_performance);
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(static_cast<float>(notes) - 1.0f), 1, 1);
        for (int n = 0; n < notes; ++n) {
            const MCTime time(static_cast<float>(n) + offset);
            auto* note = new ECNote(time, MCTime(1.0f));
            note->SetVoiceTrack(0, 1);
            conductor->GetMeasure(1, time, 0, 0)->AddChild(note, 1);
            m_notes.push_back(note);
        }
    }
    ~BenchNotePiece()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    BenchNotePiece(const BenchNotePiece&) = delete;
    BenchNotePiece& operator=(const BenchNotePiece&) = delete;

    ECPerformance* performance() const { return m_performance; }
    const std::vector<ECNote*>& notes() const { return m_notes; }

private:
    ECPerformance* m_performance = new ECPerformance;
    std::vector<ECNote*> m_notes;
};

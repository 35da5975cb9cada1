#pragma once

// A piece of 4/4 bars holding quarter notes on the beats, for the benchmarks of edits to many
// notes and of storing and loading. The notes go round the staves: densely, each staff holding a
// quarter note on each beat from the offset on, so that more staves make a shorter piece; or
// sparsely, one note on each beat of the piece in turn, so that the piece is as long as on one
// staff and most measures of many staves are empty. A piece can append at most
// ECConductorStaff::maxAppendedMeasureCount bars: a piece that would need more is refused with a
// message (spread the notes densely over more staves).

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

class BenchNotePiece {
public:
    enum class Layout { dense, sparse };

    // notes quarter notes over the staves, the first at offset beats.
    BenchNotePiece(int notes, float offset, int staves = 1, Layout layout = Layout::dense)
    {
        if (notes < 0 || staves < 1)
            throw std::invalid_argument("BenchNotePiece: a piece needs a staff and no fewer than 0 notes");
        // The beats the piece spans.
        const int beats = layout == Layout::dense ? (notes + staves - 1) / staves : notes;
        const double bars = std::ceil((beats + static_cast<double>(offset)) / 4.0);
        if (bars > ECConductorStaff::maxAppendedMeasureCount)
            throw std::length_error("BenchNotePiece: " + std::to_string(notes) + " notes on " + std::to_string(staves)
                                    + " staves need " + std::to_string(static_cast<long>(bars))
                                    + " bars, more than a piece appends ("
                                    + std::to_string(ECConductorStaff::maxAppendedMeasureCount)
                                    + "): spread them over more staves");
        m_performance = new ECPerformance;
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, staves);
        add->SetSynchronous(1);
        add->Apply(m_performance);
        if (beats > 0)
            conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(static_cast<float>(beats) - 1.0f + offset), 1, 1);
        m_notes.reserve(static_cast<size_t>(notes));
        for (int n = 0; n < notes; ++n) {
            const int staff = n % staves + 1;
            const MCTime time(static_cast<float>(layout == Layout::dense ? n / staves : n) + offset);
            auto* note = new ECNote(time, MCTime(1.0f));
            note->SetVoiceTrack(0, staff);
            conductor->GetMeasure(staff, time, 0, 0)->AddChild(note, 1);
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
    ECPerformance* m_performance = nullptr;
    std::vector<ECNote*> m_notes;
};

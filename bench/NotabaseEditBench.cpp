// Undo and redo of one edit of 10,000 selected notes (a change of voice, and a move in time)
// on a staff of 2,500 bars.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kNotes = 10000;

// A one-staff piece of 4/4 bars holding a quarter note a beat, a quarter of a beat late.
class Piece {
public:
    Piece()
    {
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 1);
        add->SetSynchronous(1);
        add->Apply(m_performance);
        m_conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(kNotes - 1.0f), 1, 1);
        for (int n = 0; n < kNotes; ++n) {
            const MCTime time(static_cast<float>(n) + 0.25f);
            auto* note = new ECNote(time, MCTime(1.0f));
            note->SetVoiceTrack(0, 1);
            m_conductor->GetMeasure(1, time, 0, 0)->AddChild(note, 1);
            m_notes.push_back(note);
        }
    }
    ~Piece()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    void act(CCBase* command)
    {
        MCCommandMgr::BeginUndo(m_performance, "Edit");
        command->SetSynchronous(1);
        command->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }
    ECPerformance* performance() { return m_performance; }
    const std::vector<ECNote*>& notes() const { return m_notes; }

private:
    ECPerformance* m_performance = new ECPerformance;
    ECConductor* m_conductor = nullptr;
    std::vector<ECNote*> m_notes;
};

void undoAndRedo(benchmark::State& state, Piece& piece)
{
    for (auto _ : state) {
        piece.performance()->Undo(1);
        piece.performance()->Redo(1);
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

void BM_UndoRedoVoiceEdit(benchmark::State& state)
{
    Piece piece;
    auto* edit = new CCEdit;
    for (ECNote* note : piece.notes())
        edit->EditEvent(note)->GetNewEvent()->SetVoice(3);
    piece.act(edit);
    undoAndRedo(state, piece);
}
BENCHMARK(BM_UndoRedoVoiceEdit)->Unit(benchmark::kMillisecond);

void BM_UndoRedoTimeEdit(benchmark::State& state)
{
    Piece piece;
    auto* edit = new CCEditTime;
    for (ECNote* note : piece.notes()) {
        const MCTime later(note->GetTime()->GetSeconds() + 0.5f);
        edit->EditTime(note, &later);
    }
    piece.act(edit);
    undoAndRedo(state, piece);
}
BENCHMARK(BM_UndoRedoTimeEdit)->Unit(benchmark::kMillisecond);

}  // namespace

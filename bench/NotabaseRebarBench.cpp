// Re-barring a whole piece: a meter added at bar 1 of 1,000 bars of 4/4 on four staves holding
// 20,000 notes (every bar changes, every note is checked and most move to another bar), and the
// undo of that command, which re-bars the piece back. The argument is the meter's numerator over
// 4: 5/4 makes the bars longer; 3/4 shorter, so the piece needs a third more bars for its notes
// and the undo takes them out again.

#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kBars = 1000;
constexpr int kStaves = 4;
constexpr int kNotesPerBarAndStaff = 5;

class Piece {
public:
    Piece()
    {
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, kStaves);
        add->SetSynchronous(1);
        add->Apply(m_performance);
        ECConductorStaff* staff = m_conductor->GetConductorStaff();
        staff->GetMeterEnv()->AddChild(new ECMeter(4, 4, 0), 1);
        staff->GetConductorMeasureAtTime(MCTime(kBars * 4.0f - 1.0f), 1, 1);
        for (int bar = 1; bar <= kBars; ++bar) {
            for (int s = 1; s <= kStaves; ++s) {
                ECMeasure* measure = m_conductor->GetMeasure(s, bar);
                const float start = measure->GetTime()->GetSeconds();
                for (int n = 0; n < kNotesPerBarAndStaff; ++n) {
                    auto* note = new ECNote(MCTime(start + 0.75f * static_cast<float>(n)), MCTime(0.5f));
                    note->SetVoiceTrack(0, s);
                    measure->AddChild(note, 1);
                }
            }
        }
        MCCommandMgr::SetUndoLevels(1);
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

    void addMeter(int numerator)
    {
        auto* meter = new ECMeter(static_cast<unsigned char>(numerator), 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        auto* add = new CCAddMeter(meter);
        add->SetSynchronous(1);
        MCCommandMgr::BeginUndo(m_performance, "Add Meter");
        add->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }
    void undo() { m_performance->Undo(1); }
    void tidy() { MCCommandMgr::OnIdle(); }
    int bars() { return m_conductor->GetMaxMeasureNumber(); }

private:
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
};

void BM_AddMeterAtBarOne(benchmark::State& state)
{
    Piece piece;
    for (auto _ : state) {
        piece.addMeter(static_cast<int>(state.range(0)));
        state.PauseTiming();
        piece.undo();
        piece.tidy();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(piece.bars());
    state.SetItemsProcessed(state.iterations() * kBars * kStaves * kNotesPerBarAndStaff);
}
BENCHMARK(BM_AddMeterAtBarOne)->Arg(5)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_UndoAddMeterAtBarOne(benchmark::State& state)
{
    Piece piece;
    for (auto _ : state) {
        state.PauseTiming();
        piece.addMeter(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        piece.undo();
        state.PauseTiming();
        piece.tidy();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(piece.bars());
    state.SetItemsProcessed(state.iterations() * kBars * kStaves * kNotesPerBarAndStaff);
}
BENCHMARK(BM_UndoAddMeterAtBarOne)->Arg(5)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

// Copy and paste of 10,000 notes through the clipboard in memory: the copy writes both
// formats, the paste reads them back as fresh elements.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCPaste.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/MemoryClipboard.h"
#include "platform/core/RefPtr.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kNotes = 10000;

// A one-staff piece of 4/4 bars holding a quarter note a beat, the notes listed as selected.
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
            const MCTime time(static_cast<float>(n));
            auto* note = new ECNote(time, MCTime(1.0f));
            note->SetVoiceTrack(0, 1);
            m_conductor->GetMeasure(1, time, 0, 0)->AddChild(note, 1);
            m_notes.AddEvent(note, 0);
        }
    }
    ~Piece()
    {
        m_notes.RemoveAll();
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    void copy()
    {
        plat::RefPtr<CCCopy> command(new CCCopy);
        command->CopyEvents(&m_notes);
        command->SetSynchronous(1);
        command->Apply(m_performance);
    }
    int paste()
    {
        plat::RefPtr<CCPaste> command(new CCPaste);
        command->SetSynchronous(1);
        command->Apply(m_performance);
        return command->GetEvents().GetCount();
    }

private:
    ECPerformance* m_performance = new ECPerformance;
    ECConductor* m_conductor = nullptr;
    MCEventList m_notes;
};

void BM_CopyNotes(benchmark::State& state)
{
    plat::MemoryClipboard clipboard;
    const plat::Clipboard::ScopedInstall installed(clipboard);
    Piece piece;
    for (auto _ : state)
        piece.copy();
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_CopyNotes)->Unit(benchmark::kMillisecond);

void BM_PasteNotes(benchmark::State& state)
{
    plat::MemoryClipboard clipboard;
    const plat::Clipboard::ScopedInstall installed(clipboard);
    Piece piece;
    piece.copy();
    for (auto _ : state) {
        if (piece.paste() != kNotes)
            state.SkipWithError("the paste lost notes");
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_PasteNotes)->Unit(benchmark::kMillisecond);

}  // namespace

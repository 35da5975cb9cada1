// Copy and paste of 10,000 notes through the clipboard in memory: the copy writes both
// formats, the paste reads them back as fresh elements.

#include "bench/BenchNotePiece.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCPaste.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/core/MemoryClipboard.h"
#include "platform/core/RefPtr.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kNotes = 10000;

// The notes listed as selected.
class Piece {
public:
    Piece()
    {
        for (ECNote* note : m_piece.notes())
            m_notes.AddEvent(note, 0);
    }
    ~Piece() { m_notes.RemoveAll(); }
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
    BenchNotePiece m_piece{kNotes, 0.0f};
    ECPerformance* m_performance = m_piece.performance();
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

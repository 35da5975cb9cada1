// The interface thread's work when the user picks Edit > Select Events, checks the notes and
// presses OK in a piece of 12,500 to 100,000 notes: the search, the selection state through the
// document's selection, and the inspector window hearing it and showing its note page with the
// fields of all the notes merged (durations and velocities shared, so every note is looked at).
// The dialog is made and the selection cleared outside the timed part. The aim is well under
// 0.2 s at 100,000 notes, so that selecting everything never holds the window up.
//
// Then a new duration picked on the note page for every note of a selection and applied, at
// three sizes: shorter, which moves nothing, or longer, which (after the warning, answered yes)
// moves the later notes of each staff on by what the notes before them grew, each note once;
// and undone.
#include "app/dialogs/CSelectEventsDlg.h"
#include "bench/BenchProfile.h"
#include "bench/BenchWidgetMain.h"
#include "inspector/core/InitInspector.h"
#include "inspector/pages/PCsqNote.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/controls/MCCheckList.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/data/DCsqNote.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kStaves = 8;

// Eighth notes over eight staves, rising keys, one velocity.
void FillDocument(MCOpusDoc& doc, int notes)
{
    doc.OnNewDocument();
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, kStaves);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    const float end = float(notes / kStaves) * 0.5f;
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(end + 4.0f), 1, 1);
    for (int index = 0; index < notes; ++index) {
        const int track = index % kStaves + 1;
        const float time = float(index / kStaves) * 0.5f;
        ECMeasure* measure = conductor->GetMeasure(track, MCTime(time), 0, 0);
        auto* note = new ECNote(MCTime(time), MCTime(0.5f));
        note->SetVoiceTrack(0, track);
        measure->AddChild(note, 1);
        auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
        const auto key = static_cast<MIDIWORD>(36 + index % 60);
        data->SetNoteOnData(FCMidi(0x90u | key << 8 | 100u << 16));
        data->SetNoteOffData(FCMidi(0x80u | key << 8));
    }
    doc.GetSequence()->CheckDataIntegrity();
}

// The states of the piece reach the inspector window as the main frame hands them on.
int HandOnToInspector(ECBase*, int phase, void* state, void* window)
{
    auto* s = static_cast<SCBase*>(state);
    if (phase == 0 && s)
        static_cast<CPropertiesWnd*>(window)->OnUpdate(s->GetCode(), s);
    return 0;
}

// The Select Events dialog with only the notes checked.
void CheckNotesOnly(CSelectEventsDlg& dialog)
{
    auto* list = plat::ui::item<MCCheckList>(&dialog, CSelectEventsDlg::kTypes);
    for (int row = 0; row < list->GetItemCount(); ++row)
        list->SetCheck(row, list->topLevelItem(row)->data(0, Qt::UserRole).toUInt() == EventId::Note);
}

// A document of the notes, active, with the inspector shown and told of the program's states;
// each is let go of at the end.
class ShownPiece {
public:
    explicit ShownPiece(int notes)
    {
        InitInspector();
        m_doc = std::make_unique<MCOpusDoc>();
        FillDocument(*m_doc, notes);
        MCOpusDoc::SetActiveDoc(m_doc.get());
        m_inspector = std::make_unique<CPropertiesWnd>();
        m_inspector->InitToolLayout(nullptr, CPropertiesWnd::kDialogId);
        m_inspector->show();
        MCStateMgr::SetGlobalHandler(&HandOnToInspector, m_inspector.get());
    }
    ~ShownPiece()
    {
        MCStateMgr::SetGlobalHandler(nullptr, nullptr);
        (new SCSelection(SCSelection::kClear))->Apply(m_doc->GetBaseEvent());
        MCOpusDoc::SetActiveDoc(nullptr);
    }
    ShownPiece(const ShownPiece&) = delete;
    ShownPiece& operator=(const ShownPiece&) = delete;

    MCOpusDoc& doc() { return *m_doc; }
    CPropertiesWnd& inspector() { return *m_inspector; }

private:
    BenchProfile m_profile;
    // Made once the inspector's classes are known, the window let go of before the document.
    std::unique_ptr<MCOpusDoc> m_doc;
    std::unique_ptr<CPropertiesWnd> m_inspector;
};

void BM_SelectEventsAndShowNotePage(benchmark::State& state)
{
    const int notes = static_cast<int>(state.range(0));
    ShownPiece shown(notes);
    MCOpusDoc& doc = shown.doc();
    CPropertiesWnd& inspector = shown.inspector();
    QApplication::processEvents();

    for (auto _ : state) {
        state.PauseTiming();
        (new SCSelection(SCSelection::kClear))->Apply(doc.GetBaseEvent());
        CSelectEventsDlg dialog(&doc);
        CheckNotesOnly(dialog);
        QApplication::processEvents();
        state.ResumeTiming();

        dialog.accept();
        QApplication::processEvents();
    }

    const auto* page = dynamic_cast<const PCsqNote*>(inspector.GetInspector()->ActivePage());
    if (doc.GetSelection().GetCount() != notes || inspector.GetShownState() != CPropertiesWnd::kShowingPages)
        state.SkipWithError("the notes are not selected and shown");
    else if (!page || page->GetFieldState(PCsqNote::fieldVelocity) != PCsqNote::stateCommon ||
             page->GetFieldState(PCsqNote::fieldPitch) != PCsqNote::stateMixed)
        state.SkipWithError("the note page does not show the merged fields of the selection");
    state.SetItemsProcessed(state.iterations() * notes);
}
// A fixed count of iterations: building the piece costs more than selecting it.
BENCHMARK(BM_SelectEventsAndShowNotePage)->Arg(12500)->Arg(50000)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Every note of the piece selected and shown on the note page, a duration picked from its menu
// and applied (a warning answered yes), then undone.
void BM_ChangeDurationOfSelectedNotes(benchmark::State& state)
{
    const int notes = static_cast<int>(state.range(0));
    const bool longer = state.range(1) != 0;
    ShownPiece shown(notes);
    MCOpusDoc& doc = shown.doc();
    CPropertiesWnd& inspector = shown.inspector();
    plat::ui::ModalHooks::Hooks yes;
    yes.runDialog = [](QDialog&) { return int(QDialog::Accepted); };
    const plat::ui::ModalHooks::Scoped answers(std::move(yes));
    {
        CSelectEventsDlg dialog(&doc);
        CheckNotesOnly(dialog);
        dialog.accept();
    }
    QApplication::processEvents();
    auto* page = dynamic_cast<PCsqNote*>(inspector.GetInspector()->ActivePage());
    if (!page || doc.GetSelection().GetCount() != notes) {
        state.SkipWithError("the notes are not selected and shown");
    } else {
        // A quarter note where the notes are eighths, or a sixteenth.
        const int command = longer ? 36868 : 36871;
        for (auto _ : state) {
            for (QAction* action : page->GetDurationMenu()->actions().value(0)->menu()->actions())
                if (action->data().toInt() == command)
                    action->trigger();
            page->onApply();
            QApplication::processEvents();
            state.PauseTiming();
            doc.OnEditUndo();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * notes);
    state.SetComplexityN(notes);
}
BENCHMARK(BM_ChangeDurationOfSelectedNotes)
    ->ArgsProduct({{500, 1000, 2000}, {0, 1}})
    ->ArgNames({"notes", "longer"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunWidgetBenchmarks(argc, argv);
}

// The interface thread's work when the user selects 10,000 notes and the inspector shows the
// note page: the selection handed to the page, the fields of all the notes merged (durations and
// velocities shared, so every note is looked at), and the page's controls loaded. The aim is
// well under 50 ms, so that selecting everything never holds the window up.
#include "bench/BenchProfile.h"
#include "bench/BenchWidgetMain.h"
#include "inspector/pages/PCsqNote.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "sequencer/data/DCsqNote.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kNotes = 10000;
constexpr int kStaves = 8;

// Eighth notes over eight staves, rising keys, one velocity.
void FillDocument(MCOpusDoc& doc, std::vector<ECNote*>& notes)
{
    doc.OnNewDocument();
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, kStaves);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    const float end = float(kNotes / kStaves) * 0.5f;
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(end + 4.0f), 1, 1);
    for (int index = 0; index < kNotes; ++index) {
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
        notes.push_back(note);
    }
    doc.GetSequence()->CheckDataIntegrity();
}

void BM_SelectAndShowNotePage(benchmark::State& state)
{
    BenchProfile profile;
    MCOpusDoc doc;
    std::vector<ECNote*> notes;
    FillDocument(doc, notes);
    PCsqNote page;
    page.SetDocument(&doc);
    page.resize(320, 220);
    page.show();
    MCEventList selection;
    for (auto _ : state) {
        selection.RemoveAll();
        for (ECNote* note : notes)
            selection.AddTail(note);
        page.SetEventList(&selection);
        page.UpdatePage();
        page.updateData(false);
        QApplication::processEvents();
    }
    if (page.GetFieldState(PCsqNote::fieldVelocity) != PCsqNote::stateCommon ||
        page.GetFieldState(PCsqNote::fieldPitch) != PCsqNote::stateMixed)
        state.SkipWithError("the merged fields are not what the selection holds");
    state.SetItemsProcessed(state.iterations() * kNotes);
    page.SetEventList(nullptr);
}
BENCHMARK(BM_SelectAndShowNotePage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return RunWidgetBenchmarks(argc, argv);
}

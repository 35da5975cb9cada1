// The interface thread's share of the mixer's meter update: every 100 ms the mixer takes the
// levels the player queued and steps the meters of its strips and master section, which
// repaint the bands that changed. A dense piece of 32 staves plays through memory MIDI outputs
// on a manual clock; the clock's advance between updates, and the player's work, are not
// timed. The figure: the update's processor time as a percentage of its 100 ms period.

#include "bench/BenchManualOutput.h"
#include "bench/BenchProfile.h"
#include "bench/BenchSliceShare.h"
#include "bench/BenchWidgetMain.h"

#include "interface/document/MCOpusDoc.h"
#include "mixer/views/CMasterArea.h"
#include "mixer/views/CMixerWnd.h"
#include "mixer/controls/CLevelMeter.h"
#include "mixer/views/CTrackList.h"
#include "mixer/views/CTrackStrip.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/MessageLoop.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/states/SCPerform.h"

#include <QApplication>
#include <QEvent>
#include <QObject>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kStaves = 32;
constexpr float kQuarters = 64.0f;  // 32 seconds at 120 beats a minute
constexpr uint32_t kPeriodMs = CMixerWnd::kMeterMs;

// Moves the clock on in 10 ms steps, each time until the driver and devices have caught up.
void Step(BenchManualOutput& devices, uint32_t ms)
{
    for (; ms > 0; ms -= std::min<uint32_t>(ms, 10))
        devices.Advance(std::min<uint32_t>(ms, 10));
}

// A document of 32 staves, each playing on its own channel of output 0, with the given number
// of notes a second spread over them.
void FillDocument(MCOpusDoc& doc, int notesPerSecond)
{
    doc.OnNewDocument();
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, kStaves);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(kQuarters + 4.0f), 1, 1);
    auto* tempo = new ECTempo;
    const MCTime zero(0.0f);
    tempo->SetTime(&zero);
    tempo->SetTempo(120.0f, 1.0f);
    tempo->SetStyle(ECEnvPoint::styleStep);
    conductor->GetConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    conductor->GetConductorStaff()->GetTempoEnv()->RecalculateClockTimes();
    const float spacing = 2.0f / static_cast<float>(notesPerSecond);
    int index = 0;
    for (float time = 0.0f; time < kQuarters; time += spacing, ++index) {
        const int track = index % kStaves + 1;
        ECMeasure* measure = conductor->GetMeasure(track, MCTime(time), 0, 0);
        auto* note = new ECNote(MCTime(time), MCTime(0.25f));
        note->SetVoiceTrack(0, track);
        measure->AddChild(note, 1);
        auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
        const auto channel = static_cast<MIDIWORD>((track - 1) % 16);
        const auto key = static_cast<MIDIWORD>(36 + index % 60);
        // Soft notes of changing velocity: the meters rise and fall instead of standing full,
        // so each update has bands to repaint.
        const auto velocity = static_cast<MIDIWORD>(8 + (index / kStaves * 11) % 32);
        data->SetNoteOnData(FCMidi((0x90u | channel) | key << 8 | velocity << 16));
        data->SetNoteOffData(FCMidi((0x80u | channel) | key << 8));
    }
    for (int track = 1; track <= kStaves; ++track) {
        auto* data = plat::dynamicDowncast<DCsqTrack>(conductor->GetTrack(1, track, 0)->GetData(0, 1));
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
            data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>((track - 1) % 16));
    }
    doc.GetSequence()->CheckDataIntegrity();
}

// Counts the paints of the meters it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void BM_MeterUpdate(benchmark::State& state)
{
    BenchProfile profile;
    BenchManualOutput devices(2);
    auto doc = std::make_unique<MCOpusDoc>();
    FillDocument(*doc, static_cast<int>(state.range(0)));
    MCOpusDoc::SetActiveDoc(doc.get());
    {
        CMixerWnd mixer(nullptr, nullptr);
        mixer.onCommand(CMixerWnd::kFullButton);
        mixer.StopTrackTimer();
        mixer.resize(1200, mixer.height());
        mixer.show();
        QApplication::processEvents();
        if (mixer.TrackList()->GetStripCount() != kStaves)
            state.SkipWithError("the mixer has no strip per staff");

        CSequence& sequence = *doc->GetSequence();
        sequence.EnableAutoStop(0);
        sequence.EnableLoopRegion(1);
        sequence.SetPlayRegion(MCTime(0.0f), MCTime(kQuarters));
        auto* play = new SCPerform(3302);
        play->SetSynchronous(1);
        play->Apply(doc->GetBaseEvent());
        plat::MessageLoop::current().pump();
        PaintCounter painted;
        for (const CTrackStrip* strip : mixer.TrackList()->Strips())
            if (strip->Meter())
                strip->Meter()->installEventFilter(&painted);
        if (CLevelMeter* master = mixer.MasterArea() ? mixer.MasterArea()->Meter() : nullptr)
            master->installEventFilter(&painted);
        double cpu = 0.0;
        for (auto _ : state) {
            state.PauseTiming();
            Step(devices, kPeriodMs);
            plat::MessageLoop::current().pump();
            state.ResumeTiming();
            const double before = BenchSliceShare::ThreadCpuSeconds();
            mixer.OnMeterTimer();
            // The repaint of what the meters marked, which the window system would ask for a
            // few milliseconds later, runs here, inside the timed region.
            QEvent paintNow(QEvent::UpdateRequest);
            QApplication::sendEvent(mixer.window(), &paintNow);
            QApplication::processEvents();
            cpu += BenchSliceShare::ThreadCpuSeconds() - before;
        }
        // The meters the last update left lit, so a figure of unlit meters shows as such.
        int lit = 0;
        for (const CTrackStrip* strip : mixer.TrackList()->Strips())
            lit += strip->Meter() && strip->Meter()->GetLitHeight() > 0 ? 1 : 0;
        state.counters["lit_meters"] = lit;
        // The paints the updates led to, so a figure of updates that painted nothing shows as such.
        state.counters["meter_paints_per_update"] =
            static_cast<double>(painted.paints) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        if (painted.paints == 0)
            state.SkipWithError("the meters painted nothing");
        state.counters["percent_of_core"] =
            100.0 * cpu / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)) /
            (kPeriodMs / 1000.0);
        sequence.Stop(0);
        Step(devices, 200);
        plat::MessageLoop::current().pump();
    }
    MCOpusDoc::SetActiveDoc(nullptr);
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
}
BENCHMARK(BM_MeterUpdate)->Arg(400)->Arg(1600)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

int main(int argc, char** argv)
{
    return RunWidgetBenchmarks(argc, argv);
}

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTrack.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/layers/LCsqAccent.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/layers/LCsqTranspose.h"
#include "sequencer/layers/LCsqVelocity.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

// The record quantizer's rate, and what a track's filters cost the player.

namespace {

using plat::media::Backend;

// 100,000 recorded note ons at random times on 8 voices of 16 tracks, quantized with the
// triplet and sixteenth grids chosen per event: notes per second.
void BM_QuantizeNotes(benchmark::State& state)
{
    constexpr int kNotes = 100000;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> time(0.0f, 2000.0f);
    std::vector<MCTime> times;
    std::vector<MCVoiceTrack> voices;
    for (int i = 0; i < kNotes; ++i) {
        times.emplace_back(time(random));
        voices.emplace_back(i % 8, 1 + i % 16);
    }
    const FCMidi noteOn(0x90u | 60u << 8 | 100u << 16);
    LCsqQuantize quantizer;
    quantizer.SetPrimaryDivision(4);
    quantizer.SetSecondaryDivision(3);
    quantizer.SetQuantizationPercent(90);
    quantizer.SetQuantizationMode(LCsqQuantize::modeNoteStarts);
    for (auto _ : state) {
        quantizer.PrepareQuantization();
        for (int i = 0; i < kNotes; ++i) {
            MCTime at = times[static_cast<size_t>(i)];
            quantizer.QuantizeEvent(noteOn, at, voices[static_cast<size_t>(i)]);
            benchmark::DoNotOptimize(at);
        }
    }
    state.counters["notes_per_second"] = benchmark::Counter(static_cast<double>(kNotes) * static_cast<double>(state.iterations()),
                                                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QuantizeNotes)->Unit(benchmark::kMillisecond);

constexpr int kStaves = 16;

// A piece of 16 staves at 120 beats per minute, a note every 1/800 s spread over the staves.
// With filters each staff transposes by its track and a transposition envelope, scales its
// velocities by an envelope and accents every voice; without, its track list is emptied.
class Piece {
public:
    Piece(float quarters, float spacing, bool filters)
    {
        char pattern[] = "/tmp/quavix-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        InitSequencer();
        m_performance = new ECPerformance;
        m_performance->Ref();
        auto* conductor = new ECConductor;
        m_performance->AddChild(conductor, 0);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, kStaves);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        ECConductorStaff* staff = conductor->GetConductorStaff();
        staff->GetConductorMeasureAtTime(MCTime(quarters + 4.0f), 1, 1);
        auto* tempo = new ECTempo;
        const MCTime zero(0.0f);
        tempo->SetTime(&zero);
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        staff->GetTempoEnv()->AddChild(tempo, 1);
        int index = 0;
        for (float time = 1.0f; time < quarters; time += spacing, ++index) {
            const int track = index % kStaves + 1;
            auto* note = new ECNote(MCTime(time), MCTime(spacing * 0.5f));
            note->SetVoiceTrack(0, track);
            conductor->GetMeasure(track, MCTime(time), 0, 0)->AddChild(note, 1);
            auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
            const auto key = static_cast<MIDIWORD>(36 + index % 60);
            data->SetNoteOnData(FCMidi(0x90u | key << 8 | 90u << 16));
            data->SetNoteOffData(FCMidi(0x80u | key << 8));
            ++m_notes;
        }
        m_velocity.SetDefaultValue(1.1f);
        for (int track = 1; track <= kStaves; ++track) {
            auto* data = plat::dynamicDowncast<DCsqStaff>(conductor->GetTrack(1, track, 0)->GetData(0, 1));
            for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
                data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(track - 1));
            auto* transpose = plat::dynamicDowncast<LCsqTranspose>(data->GetFilter(FilterTranspose, DCsqTrack::allVoices));
            if (!filters) {
                data->RemoveTrackFilter(transpose);
                delete transpose;
                continue;
            }
            data->SetTrackTransposition(2.0f);
            data->GetTranspositionEnv(1);
            auto* velocity = new LCsqVelocity;
            velocity->SetEnvelope(&m_velocity);
            data->AddTrackFilter(velocity);
            auto* accent = new LCsqAccent;
            accent->SetVelocityOnChange(1.1f);
            accent->SetVelocityOffChange(1.0f);
            accent->SetDurationChange(0.9f);
            data->AddVoiceFilter(accent, DCsqTrack::allVoices);
        }
    }
    ~Piece()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    std::unique_ptr<CSequence> NewSequence()
    {
        auto sequence = std::make_unique<CSequence>();
        sequence->Attach(m_performance);
        sequence->CheckDataIntegrity();
        sequence->EnableAutoRewind(0);
        sequence->SetLocation(MCTime(0.0f));
        return sequence;
    }
    int Notes() const { return m_notes; }

private:
    std::string m_folder;
    ECPerformance* m_performance = nullptr;
    ECEnvelope m_velocity;
    int m_notes = 0;
};

// The player's events per second of processor time through the sequence's callback, with
// every filter of each track (argument 1) or none (argument 0).
void BM_PlayerEventsWithFilters(benchmark::State& state)
{
    const bool filters = state.range(0) != 0;
    constexpr float kQuarters = 64.0f;
    auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, 0, 0));
    auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
    {
        auto wavegate = std::make_unique<CWavegate>();
        wavegate->Initialize(CWavegate::WG_INIT_MIDI);
        Piece piece(kQuarters, 2.0f / 1600.0f, filters);
        std::unique_ptr<CSequence> sequence = piece.NewSequence();
        sequence->EnableAutoStop(1);
        const auto user = reinterpret_cast<uintptr_t>(sequence.get());
        sequence->Play();
        int tag = sequence->GetPerformTag();
        uint32_t begin = wavegate->GetBufferTime();
        int64_t slices = 0;
        int64_t passes = 0;
        for (auto _ : state) {
            if (CSequence::PerformProc(user, tag, begin, begin + 100) == 0) {
                state.PauseTiming();
                ++passes;
                sequence->SetLocation(MCTime(0.0f));
                sequence->Play();
                tag = sequence->GetPerformTag();
                begin = wavegate->GetBufferTime() - 100;
                state.ResumeTiming();
            }
            begin += 100;
            ++slices;
        }
        sequence->Stop(0);
        CSequence::PerformProc(user, tag, begin, begin + 100);
        const double perSlice = 2.0 * piece.Notes() / (kQuarters * 5.0);
        state.counters["events_per_second"] = benchmark::Counter(perSlice * static_cast<double>(slices - passes), benchmark::Counter::kIsRate);
        sequence.reset();
        wavegate.reset();
    }
    Backend::install(std::move(previous));
}
BENCHMARK(BM_PlayerEventsWithFilters)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

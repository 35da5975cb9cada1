#include "bench/BenchMidiBackend.h"
#include "bench/BenchProfile.h"
#include "bench/BenchSequence.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/values/MCVoiceTrack.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/layers/LCsqAccent.h"
#include "sequencer/layers/LCsqQuantize.h"
#include "sequencer/layers/LCsqTranspose.h"
#include "sequencer/layers/LCsqVelocity.h"
#include "sequencer/transport/CSequence.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

// The record quantizer's rate, and what a track's filters cost the player.

namespace {

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
    Piece(float quarters, float spacing, bool filters) : m_piece(kStaves, quarters)
    {
        m_notes = static_cast<int>(m_piece.AddNotes(1.0f, quarters, spacing, spacing * 0.5f, false).size());
        m_piece.MapVoices(DCsqTrack::voiceCount);
        m_velocity.SetDefaultValue(1.1f);
        for (int track = 1; track <= kStaves; ++track) {
            auto* data = plat::dynamicDowncast<DCsqStaff>(m_piece.StaffData(track));
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

    std::unique_ptr<CSequence> NewSequence()
    {
        std::unique_ptr<CSequence> sequence = m_piece.NewSequence();
        sequence->EnableAutoRewind(0);
        sequence->SetLocation(MCTime(0.0f));
        return sequence;
    }
    int Notes() const { return m_notes; }

private:
    // The velocity filters' envelope outlives the performance that holds them.
    ECEnvelope m_velocity;
    BenchProfile m_profile;
    BenchSequence m_piece;
    int m_notes = 0;
};

// The player's events per second of processor time through the sequence's callback, with
// every filter of each track (argument 1) or none (argument 0).
void BM_PlayerEventsWithFilters(benchmark::State& state)
{
    const bool filters = state.range(0) != 0;
    constexpr float kQuarters = 64.0f;
    BenchMidiBackend backend(0);
    Piece piece(kQuarters, 2.0f / 1600.0f, filters);
    std::unique_ptr<CSequence> sequence = piece.NewSequence();
    BenchSequence::MeasurePlayerEvents(state, backend.Wavegate(), *sequence, piece.Notes(), kQuarters);
}
BENCHMARK(BM_PlayerEventsWithFilters)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

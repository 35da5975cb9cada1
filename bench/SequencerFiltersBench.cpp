#include "bench/BenchManualOutput.h"
#include "bench/BenchPlayerPiece.h"
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

// With filters each staff of the piece transposes by its track and a transposition envelope,
// scales its velocities by the envelope given and accents every voice; without, its track list
// is emptied.
void setFilters(BenchPlayerPiece& piece, bool filters, ECEnvelope& velocityEnvelope)
{
    for (int track = 1; track <= BenchPlayerPiece::kStaves; ++track) {
        auto* data = plat::dynamicDowncast<DCsqStaff>(piece.StaffData(track));
        auto* transpose = plat::dynamicDowncast<LCsqTranspose>(data->GetFilter(FilterTranspose, DCsqTrack::allVoices));
        if (!filters) {
            data->RemoveTrackFilter(transpose);
            delete transpose;
            continue;
        }
        data->SetTrackTransposition(2.0f);
        data->GetTranspositionEnv(1);
        auto* velocity = new LCsqVelocity;
        velocity->SetEnvelope(&velocityEnvelope);
        data->AddTrackFilter(velocity);
        auto* accent = new LCsqAccent;
        accent->SetVelocityOnChange(1.1f);
        accent->SetVelocityOffChange(1.0f);
        accent->SetDurationChange(0.9f);
        data->AddVoiceFilter(accent, DCsqTrack::allVoices);
    }
}

// The player's events per second of processor time on the player benchmarks' piece at 1600
// notes a second, with every filter of each track (argument 1) or none (argument 0). Each
// iteration the driver polls the sequence for one 100 ms slice and the device manager hands
// what the player made of it to a memory MIDI output: the figure counts the messages that
// output played, per second of the process's processor time. When the piece has played
// through it is located back to its start, untimed.
void BM_PlayerEventsWithFilters(benchmark::State& state)
{
    const bool filters = state.range(0) != 0;
    constexpr float kQuarters = 64.0f;
    // The velocity filters' envelope outlives the performance that holds them.
    ECEnvelope velocity;
    velocity.SetDefaultValue(1.1f);
    BenchManualOutput output;
    BenchPlayerPiece piece(kQuarters, 2.0f / 1600.0f);
    setFilters(piece, filters, velocity);
    std::unique_ptr<CSequence> sequence = piece.NewSequence();
    output.PlayCounted(state, *sequence);
}
BENCHMARK(BM_PlayerEventsWithFilters)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace

// Reading stored settings from a profile as the program's start-up leaves it: a MIDI save
// reads four of them each time, the Select Events dialog dozens.

#include "BenchProfile.h"

#include "notabase/prefs/Preferences.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr const char* kMidiSave = "Sequencer\\Midi\\Save";

// The four values a MIDI save reads.
void BM_ReadSavePreferences(benchmark::State& state)
{
    const BenchProfile profile;
    constexpr std::array<const char*, 4> names{"Ignore Track State", "Ignore Filters", "Ignore Repeats",
                                               "Ignore Prestart"};
    for (auto _ : state) {
        for (const char* name : names)
            benchmark::DoNotOptimize(LoadIntPreference(kMidiSave, name, 0));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}
BENCHMARK(BM_ReadSavePreferences);

// A stored value asked for in another spelling of its section and name.
void BM_ReadOtherSpelling(benchmark::State& state)
{
    const BenchProfile profile;
    SaveIntPreference("Settings\\Select\\Events", "Channel", 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadIntPreference("settings\\SELECT\\events", "CHANNEL", 0));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadOtherSpelling);

// A value of a section nothing stored: the caller's default.
void BM_ReadMissing(benchmark::State& state)
{
    const BenchProfile profile;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadIntPreference("Settings\\Nowhere", "Nothing", 7));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadMissing);

}  // namespace

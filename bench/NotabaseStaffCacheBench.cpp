// Clef and key lookups through a staff's cache, as drawing and playback make them: a staff of
// 10,000 measures of 4/4 with a change of clef and key (in both hands) every 10 measures, so a
// cache of 1,000 points. Sweeping forward walks a point or none per lookup; lookups scattered
// over the piece walk from wherever the last one left the cursor.

#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kMeasures = 10000;
constexpr int kMeasuresPerChange = 10;
constexpr float kMeasureLength = 4.0f;

std::unique_ptr<ECStaff> buildStaff()
{
    auto staff = std::make_unique<ECStaff>();
    for (int m = 0; m < kMeasures; ++m) {
        auto* measure = new ECMeasure;
        MCTime bar(static_cast<float>(m) * kMeasureLength);
        measure->SetTime(&bar);
        staff->AddChild(measure, 0);
        if (m % kMeasuresPerChange != 0)
            continue;
        for (unsigned char hand = 0; hand < 2; ++hand) {
            auto* clef = new ECClef(static_cast<unsigned char>((m / kMeasuresPerChange + hand) % 4));
            clef->SetTime(&bar);
            clef->SetHand(hand);
            measure->AddChild(clef, 0);
            auto* key = new ECKey(static_cast<unsigned char>((m / kMeasuresPerChange) % 8), 0, 0);
            key->SetTime(&bar);
            key->SetHand(hand);
            measure->AddChild(key, 0);
        }
    }
    return staff;
}

// Every beat from the start to the end, as playback asks.
void BM_StaffCacheSweep(benchmark::State& state)
{
    const auto staff = buildStaff();
    const int beats = kMeasures * static_cast<int>(kMeasureLength);
    for (auto _ : state) {
        for (int beat = 0; beat < beats; ++beat) {
            const MCTime t(static_cast<float>(beat));
            benchmark::DoNotOptimize(staff->GetClefAtTime(t, 0));
            benchmark::DoNotOptimize(staff->GetKeyAtTime(t, 1));
        }
    }
    state.SetItemsProcessed(state.iterations() * beats * 2);
}
BENCHMARK(BM_StaffCacheSweep)->Unit(benchmark::kMillisecond);

// A page of 40 measures drawn at a time, pages in random order: each page jumps, then sweeps.
void BM_StaffCachePages(benchmark::State& state)
{
    const auto staff = buildStaff();
    constexpr int kPageMeasures = 40;
    std::mt19937 random(7);
    std::vector<int> pages(kMeasures / kPageMeasures);
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i] = static_cast<int>(i);
    std::shuffle(pages.begin(), pages.end(), random);
    for (auto _ : state) {
        for (int page : pages) {
            for (int m = 0; m < kPageMeasures; ++m) {
                const MCTime t(static_cast<float>(page * kPageMeasures + m) * kMeasureLength);
                benchmark::DoNotOptimize(staff->GetClefAtTime(t, 0));
                benchmark::DoNotOptimize(staff->GetKeyAtTime(t, 0));
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kMeasures * 2);
}
BENCHMARK(BM_StaffCachePages)->Unit(benchmark::kMillisecond);

// Single lookups at random times, the worst case for a cursor.
void BM_StaffCacheScattered(benchmark::State& state)
{
    const auto staff = buildStaff();
    std::mt19937 random(11);
    std::uniform_real_distribution<float> time(0.0f, kMeasures * kMeasureLength);
    std::vector<MCTime> times;
    for (int i = 0; i < 4096; ++i)
        times.emplace_back(time(random));
    size_t next = 0;
    for (auto _ : state) {
        const MCTime& t = times[next++ % times.size()];
        benchmark::DoNotOptimize(staff->GetClefAtTime(t, 1));
        benchmark::DoNotOptimize(staff->GetKeyAtTime(t, 1));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_StaffCacheScattered);

// The cache built anew from the staff's measures, as after a load.
void BM_StaffCacheRebuild(benchmark::State& state)
{
    const auto staff = buildStaff();
    for (auto _ : state)
        staff->RebuildCache();
}
BENCHMARK(BM_StaffCacheRebuild)->Unit(benchmark::kMillisecond);

}  // namespace

// The score's time maps and bars: 10,000 conversions of musical time to clock seconds and back
// on a tempo map of 500 marks with ramps, 10,000 conversions to bar/pulse/tick and back, and
// appending 10,000 bars to a piece of four staves.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr int kMarks = 500;
constexpr int kConversions = 10000;
constexpr int kBars = 10000;

std::vector<float> randomTimes(float end)
{
    std::mt19937 random(121);
    std::uniform_real_distribution<float> anywhere(0.0f, end);
    std::vector<float> times(kConversions);
    for (float& t : times)
        t = anywhere(random);
    return times;
}

void BM_TempoMapConversions(benchmark::State& state)
{
    ECTempoEnv map;
    std::mt19937 random(1121);
    std::uniform_real_distribution<float> tempo(40.0f, 240.0f);
    for (int m = 0; m < kMarks; ++m) {
        auto* mark = new ECTempo;
        MCTime at(static_cast<float>(m) * 4.0f);
        mark->SetTime(&at);
        mark->SetTempo(tempo(random), 1.0f);
        mark->SetStyle(m % 3 == 0 ? ECEnvPoint::styleLinear : ECEnvPoint::styleStep);
        map.AddChild(mark, 1);
    }
    const std::vector<float> times = randomTimes(kMarks * 4.0f);
    for (auto _ : state) {
        float sum = 0.0f;
        for (float t : times) {
            MCTime time(t);
            map.GetClockTime(time);
            map.GetNormalizedTime(time);
            sum += time.GetSeconds();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kConversions);
    map.RemoveChildren(1);
}
BENCHMARK(BM_TempoMapConversions)->Unit(benchmark::kMicrosecond);

void BM_MeterMapConversions(benchmark::State& state)
{
    ECMeterEnv map;
    const unsigned char numerators[] = {4, 3, 6, 5, 7, 2};
    float time = 0.0f;
    for (int m = 0; m < 50; ++m) {
        auto* meter = new ECMeter(numerators[m % 6], m % 2 ? 8 : 4, 255);
        MCTime at(time);
        meter->SetTime(&at);
        time += meter->GetMeasureLength() * 8.0f;
        map.AddChild(meter, 1);
    }
    const std::vector<float> times = randomTimes(time);
    for (auto _ : state) {
        float sum = 0.0f;
        for (float t : times) {
            MCTime position(t);
            map.GetBarPulseTick(position, 480);
            map.GetNormalizedTime(position);
            sum += position.GetSeconds();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kConversions);
    map.RemoveChildren(1);
}
BENCHMARK(BM_MeterMapConversions)->Unit(benchmark::kMicrosecond);

void BM_AppendBars(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto* performance = new ECPerformance;
        performance->Ref();
        auto* conductor = new ECConductor;
        performance->AddChild(conductor, 0);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 4);
        add->SetSynchronous(1);
        add->Apply(performance);
        ECConductorStaff* staff = conductor->GetConductorStaff();
        auto* common = new ECMeter(4, 4, 255);
        common->SetTime(&MCTime::TimeZero());
        staff->GetMeterEnv()->AddChild(common, 1);
        state.ResumeTiming();

        for (int bar = 0; bar < kBars; ++bar)
            staff->GetConductorMeasureAtTime(MCTime(static_cast<float>(bar) * 4.0f + 1.0f), 1, 1);
        benchmark::DoNotOptimize(staff->GetMaxMeasureNumber());

        state.PauseTiming();
        performance->RemoveChildren(1);
        performance->Unref(1);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBars);
}
BENCHMARK(BM_AppendBars)->Unit(benchmark::kMillisecond);

}  // namespace

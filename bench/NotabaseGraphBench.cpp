// Building, walking, storing and loading an element graph of 100,000 notes under 1,000
// measures.

#include "notabase/actions/ACBase.h"
#include "notabase/model/ECWithTime.h"
#include "notabase/model/ECWithTimeChild.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class BenchNote : public ECWithTime {
    PLAT_DECLARE_SERIAL(BenchNote)
public:
    int GetEventId() const override { return EventId::Note; }
};

class BenchMeasure : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(BenchMeasure)
public:
    int GetEventId() const override { return EventId::Measure; }
};

class BenchStaff : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(BenchStaff)
public:
    int GetEventId() const override { return EventId::Staff; }
};

PLAT_IMPLEMENT_SERIAL(BenchNote, ECWithTime, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(BenchMeasure, ECWithTimeChild, plat::kVersionableSchema | 2)
PLAT_IMPLEMENT_SERIAL(BenchStaff, ECWithTimeChild, plat::kVersionableSchema | 2)

constexpr int kMeasures = 1000;
constexpr int kNotesPerMeasure = 100;

std::unique_ptr<ECPerformance> buildPiece()
{
    auto performance = std::make_unique<ECPerformance>();
    auto* staff = new BenchStaff;
    performance->AddChild(staff, 0);
    for (int m = 0; m < kMeasures; ++m) {
        auto* measure = new BenchMeasure;
        MCTime bar(static_cast<float>(4 * m));
        measure->SetTime(&bar);
        staff->AddChild(measure, 1);
        for (int n = 0; n < kNotesPerMeasure; ++n) {
            auto* note = new BenchNote;
            MCTime t(static_cast<float>(4 * m) + static_cast<float>(n) * 0.04f);
            note->SetTime(&t);
            note->SetVoiceTrack(n % 4, 1);
            measure->AddChild(note, 1);
        }
    }
    return performance;
}

class CountNotes : public ACBase {
public:
    int BeginAction() override
    {
        count = 0;
        return ACBase::BeginAction();
    }
    int DoAction(ECBase* element) override
    {
        if (element->GetEventId() == EventId::Note)
            ++count;
        return 0;
    }
    long count = 0;
};

std::vector<uint8_t> store(ECPerformance& performance)
{
    plat::MemoryStream stream;
    {
        plat::Archive archive(stream, plat::Archive::Mode::store);
        archive.mapObject(&performance);
        performance.Serialize(archive);
        archive.flush();
    }
    return stream.takeData();
}

void load(ECPerformance& performance, const std::vector<uint8_t>& bytes)
{
    plat::MemoryStream stream{std::span<const uint8_t>(bytes)};
    plat::Archive archive(stream, plat::Archive::Mode::load);
    archive.mapObject(&performance);
    performance.Serialize(archive);
}

void BM_BuildGraph(benchmark::State& state)
{
    for (auto _ : state) {
        auto piece = buildPiece();
        benchmark::DoNotOptimize(piece.get());
        state.PauseTiming();
        piece.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMeasures * kNotesPerMeasure);
}
BENCHMARK(BM_BuildGraph)->Unit(benchmark::kMillisecond);

void BM_ReleaseGraph(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto piece = buildPiece();
        state.ResumeTiming();
        piece.reset();
    }
    state.SetItemsProcessed(state.iterations() * kMeasures * kNotesPerMeasure);
}
BENCHMARK(BM_ReleaseGraph)->Unit(benchmark::kMillisecond);

void BM_WalkGraph(benchmark::State& state)
{
    auto piece = buildPiece();
    for (auto _ : state) {
        CountNotes action;
        action.Apply(piece.get());
        if (action.count != kMeasures * kNotesPerMeasure)
            state.SkipWithError("the walk missed notes");
        benchmark::DoNotOptimize(action.count);
    }
    state.SetItemsProcessed(state.iterations() * kMeasures * kNotesPerMeasure);
}
BENCHMARK(BM_WalkGraph)->Unit(benchmark::kMillisecond);

void BM_StoreGraph(benchmark::State& state)
{
    auto piece = buildPiece();
    size_t bytes = 0;
    for (auto _ : state) {
        const auto data = store(*piece);
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * kMeasures * kNotesPerMeasure);
}
BENCHMARK(BM_StoreGraph)->Unit(benchmark::kMillisecond);

void BM_LoadGraph(benchmark::State& state)
{
    std::vector<uint8_t> bytes;
    {
        auto piece = buildPiece();
        bytes = store(*piece);
    }
    for (auto _ : state) {
        auto loaded = std::make_unique<ECPerformance>();
        load(*loaded, bytes);
        benchmark::DoNotOptimize(loaded.get());
        state.PauseTiming();
        loaded.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMeasures * kNotesPerMeasure);
}
BENCHMARK(BM_LoadGraph)->Unit(benchmark::kMillisecond);

}  // namespace

// Storing and loading a piece as a document does (the record pass, then the second pass over
// the graph): 100,000 quarter notes on one staff and densely on 16 staves, a million densely on
// 16 staves, and 100,000 sparsely on 16 staves, a piece of 25,000 bars whose measures are mostly
// empty. The counters give the stored bytes and the heap a loaded piece takes, per note.

#include "bench/BenchNotePiece.h"
#include "notabase/actions/ACPostSerialize.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <span>
#include <vector>

namespace {

std::vector<uint8_t> store(ECPerformance& performance)
{
    plat::MemoryStream stream;
    {
        plat::Archive archive(stream, plat::Archive::Mode::store);
        archive.mapObject(&performance);
        performance.Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(&performance);
        archive.flush();
    }
    return stream.takeData();
}

ECPerformance* load(const std::vector<uint8_t>& bytes)
{
    auto* performance = new ECPerformance;
    performance->Ref();
    // The version of the documents this program writes.
    performance->SetVersion(3);
    ECPerformance* previous = ECPerformance::SetActivePerformance(performance);
    {
        plat::MemoryStream stream{std::span<const uint8_t>(bytes)};
        plat::Archive archive(stream, plat::Archive::Mode::load);
        archive.mapObject(performance);
        performance->Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(performance);
    }
    ECPerformance::SetActivePerformance(previous);
    return performance;
}

void release(ECPerformance* performance)
{
    performance->RemoveChildren(1);
    performance->Unref(1);
}

// The heap in use, small blocks and mapped ones.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

BenchNotePiece::Layout layoutOf(const benchmark::State& state)
{
    return state.range(2) ? BenchNotePiece::Layout::sparse : BenchNotePiece::Layout::dense;
}

void BM_StorePiece(benchmark::State& state)
{
    const auto notes = static_cast<int>(state.range(0));
    const BenchNotePiece piece(notes, 0.0f, static_cast<int>(state.range(1)), layoutOf(state));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> data = store(*piece.performance());
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.counters["stored_bytes_per_note"] = static_cast<double>(bytes) / notes;
    state.SetItemsProcessed(state.iterations() * notes);
}

void BM_LoadPiece(benchmark::State& state)
{
    const auto notes = static_cast<int>(state.range(0));
    std::vector<uint8_t> bytes;
    {
        const BenchNotePiece piece(notes, 0.0f, static_cast<int>(state.range(1)), layoutOf(state));
        bytes = store(*piece.performance());
    }
    size_t heap = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        ECPerformance* loaded = load(bytes);
        state.PauseTiming();
        heap = heapInUse() - before;
        release(loaded);
        state.ResumeTiming();
    }
    state.counters["heap_bytes_per_note"] = static_cast<double>(heap) / notes;
    state.SetItemsProcessed(state.iterations() * notes);
}

void pieces(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"notes", "staves", "sparse"});
    benchmark->Args({100000, 1, 0})->Args({100000, 16, 0})->Args({1000000, 16, 0})->Args({100000, 16, 1});
    benchmark->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_StorePiece)->Apply(pieces);
BENCHMARK(BM_LoadPiece)->Apply(pieces);

}  // namespace

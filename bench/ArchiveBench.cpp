#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kItems = 1000000;

// A small stored object that refers to another one.
class BenchItem : public plat::Object {
    PLAT_DECLARE_SERIAL(BenchItem)
public:
    int32_t value = 0;
    BenchItem* other = nullptr;

    void Serialize(plat::Archive& ar) override
    {
        if (ar.isStoring()) {
            ar << value;
            ar.writeObject(other);
        } else {
            ar >> value;
            other = ar.readObjectAs<BenchItem>();
        }
    }
};
PLAT_IMPLEMENT_SERIAL(BenchItem, plat::Object, 1)

// Each item refers to the one before it, every tenth to a shared one.
std::vector<std::unique_ptr<BenchItem>> makeItems()
{
    std::vector<std::unique_ptr<BenchItem>> items;
    items.reserve(kItems + 1);
    items.push_back(std::make_unique<BenchItem>());
    BenchItem* shared = items.front().get();
    for (int i = 0; i < kItems; ++i) {
        auto item = std::make_unique<BenchItem>();
        item->value = i;
        item->other = i % 10 == 0 ? shared : items.back().get();
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<uint8_t> storeItems(const std::vector<std::unique_ptr<BenchItem>>& items)
{
    plat::MemoryStream stream;
    plat::Archive ar(stream, plat::Archive::Mode::store);
    ar.writeCount(static_cast<uint32_t>(items.size()));
    for (const auto& item : items)
        ar.writeObject(item.get());
    return stream.takeData();
}

void BM_StoreObjects(benchmark::State& state)
{
    const auto items = makeItems();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> data = storeItems(items);
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(items.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_StoreObjects)->Unit(benchmark::kMillisecond);

void BM_LoadObjects(benchmark::State& state)
{
    const std::vector<uint8_t> data = storeItems(makeItems());
    for (auto _ : state) {
        plat::MemoryStream stream{std::span<const uint8_t>(data)};
        plat::Archive ar(stream, plat::Archive::Mode::load);
        const uint32_t count = ar.readCount(1);
        std::vector<std::unique_ptr<BenchItem>> loaded;
        loaded.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            loaded.emplace_back(ar.readObjectAs<BenchItem>());
        benchmark::DoNotOptimize(loaded.back()->other);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_LoadObjects)->Unit(benchmark::kMillisecond);

}  // namespace

#include "rack/outside/plinthbase/GlobalMemory.h"

#include <map>
#include <memory>
#include <vector>

namespace rack {

struct GlobalBlock {
    std::vector<unsigned char> bytes;
};

namespace {

std::map<GlobalBlock*, std::unique_ptr<GlobalBlock>>& blocks()
{
    static std::map<GlobalBlock*, std::unique_ptr<GlobalBlock>> live;
    return live;
}

GlobalBlock* find(GlobalHandle handle)
{
    const auto found = blocks().find(handle);
    return found == blocks().end() ? nullptr : found->second.get();
}

}  // namespace

GlobalHandle GlobalNew(size_t bytes)
{
    auto block = std::make_unique<GlobalBlock>();
    block->bytes.resize(bytes);
    GlobalBlock* handle = block.get();
    blocks().emplace(handle, std::move(block));
    return handle;
}

GlobalHandle GlobalResize(GlobalHandle handle, size_t bytes)
{
    GlobalBlock* block = find(handle);
    if (!block)
        return nullptr;
    block->bytes.resize(bytes);
    return block;
}

void* GlobalLock(GlobalHandle handle)
{
    GlobalBlock* block = find(handle);
    return block && !block->bytes.empty() ? block->bytes.data() : nullptr;
}

size_t GlobalSize(GlobalHandle handle)
{
    const GlobalBlock* block = find(handle);
    return block ? block->bytes.size() : 0;
}

GlobalHandle GlobalToss(GlobalHandle handle)
{
    blocks().erase(handle);
    return nullptr;
}

}  // namespace rack

#include "platform/core/Clipboard.h"

#include "platform/core/MemoryClipboard.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace plat {

namespace {

constexpr uint32_t firstFormatId = 0xC000;
constexpr uint32_t formatIdLimit = 0x10000;

struct FormatRegistry {
    std::mutex mutex;
    std::unordered_map<std::string, uint16_t> ids;
    std::vector<std::string> names;  // by id - firstFormatId
};

FormatRegistry& registry()
{
    static FormatRegistry instance;
    return instance;
}

MemoryClipboard& processClipboard()
{
    static MemoryClipboard instance;
    return instance;
}

std::atomic<Clipboard*> installed{nullptr};

}  // namespace

uint16_t Clipboard::registerFormat(std::string_view name)
{
    if (name.empty())
        return 0;
    FormatRegistry& formats = registry();
    const std::lock_guard<std::mutex> guard(formats.mutex);
    std::string key(name);
    if (const auto it = formats.ids.find(key); it != formats.ids.end())
        return it->second;
    if (firstFormatId + formats.names.size() >= formatIdLimit)
        return 0;
    const auto id = static_cast<uint16_t>(firstFormatId + formats.names.size());
    formats.names.push_back(key);
    formats.ids.emplace(std::move(key), id);
    return id;
}

std::string Clipboard::formatName(uint16_t id)
{
    FormatRegistry& formats = registry();
    const std::lock_guard<std::mutex> guard(formats.mutex);
    if (id < firstFormatId || id - firstFormatId >= formats.names.size())
        return {};
    return formats.names[id - firstFormatId];
}

Clipboard& Clipboard::current()
{
    Clipboard* clipboard = installed.load();
    return clipboard ? *clipboard : processClipboard();
}

Clipboard* Clipboard::install(Clipboard* clipboard)
{
    return installed.exchange(clipboard);
}

}  // namespace plat

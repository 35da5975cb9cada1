#include "platform/ui/draw/BitmapResources.h"

#include "platform/core/Strings.h"

#include <map>
#include <mutex>

namespace plat::ui {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::map<std::string, BitmapResources::Entry>> modules;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

}  // namespace

std::string BitmapResources::resourceName(uint32_t id)
{
    return "#" + std::to_string(id);
}

void BitmapResources::registerModule(std::string_view module, std::span<const Entry> entries)
{
    std::map<std::string, Entry> table;
    for (const Entry& entry : entries)
        table.emplace(plat::upperAscii(entry.name), entry);
    const std::lock_guard lock(registry().mutex);
    registry().modules[plat::upperAscii(module)] = std::move(table);
}

void BitmapResources::unregisterModule(std::string_view module)
{
    const std::lock_guard lock(registry().mutex);
    registry().modules.erase(plat::upperAscii(module));
}

bool BitmapResources::contains(std::string_view module, std::string_view name)
{
    const std::lock_guard lock(registry().mutex);
    const auto found = registry().modules.find(plat::upperAscii(module));
    return found != registry().modules.end() && found->second.contains(plat::upperAscii(name));
}

std::optional<BitmapResources::Loaded> BitmapResources::load(std::string_view module, std::string_view name)
{
    Entry entry;
    {
        const std::lock_guard lock(registry().mutex);
        const auto found = registry().modules.find(plat::upperAscii(module));
        if (found == registry().modules.end())
            return std::nullopt;
        const auto resource = found->second.find(plat::upperAscii(name));
        if (resource == found->second.end())
            return std::nullopt;
        entry = resource->second;
    }
    // Painted outside the lock: a painter may load other resources.
    QImage image = entry.paint ? entry.paint() : QImage();
    if (image.isNull())
        return std::nullopt;
    return Loaded{std::move(image), entry.colorTableBits};
}

BitmapResources::Registration::Registration(std::string_view module, std::span<const Entry> entries)
    : m_module(module)
{
    registerModule(module, entries);
}

BitmapResources::Registration::~Registration()
{
    unregisterModule(m_module);
}

}  // namespace plat::ui

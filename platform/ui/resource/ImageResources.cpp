#include "platform/ui/resource/ImageResources.h"

#include "platform/core/Resources.h"
#include "platform/core/Strings.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace plat::ui {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::map<std::string, ImageResources::Entry>> modules;
    // Module names in the order they registered: the libraries' chain.
    std::vector<std::string> order;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

}  // namespace

std::string ImageResources::imageName(uint32_t id)
{
    return "#" + std::to_string(id);
}

void ImageResources::registerModule(std::string_view module, std::span<const Entry> entries)
{
    std::map<std::string, Entry> table;
    for (const Entry& entry : entries)
        table.emplace(plat::upperAscii(entry.name), entry);
    const std::lock_guard lock(registry().mutex);
    const std::string name = plat::upperAscii(module);
    if (!registry().modules.contains(name))
        registry().order.push_back(name);
    registry().modules[name] = std::move(table);
}

void ImageResources::unregisterModule(std::string_view module)
{
    const std::lock_guard lock(registry().mutex);
    registry().modules.erase(plat::upperAscii(module));
    std::erase(registry().order, plat::upperAscii(module));
}

bool ImageResources::contains(std::string_view module, std::string_view name)
{
    const std::lock_guard lock(registry().mutex);
    const auto found = registry().modules.find(plat::upperAscii(module));
    return found != registry().modules.end() && found->second.contains(plat::upperAscii(name));
}

std::optional<QImage> ImageResources::load(std::string_view module, std::string_view name, int scale)
{
    if (scale < 1)
        return std::nullopt;
    std::function<QImage(int)> paint;
    {
        const std::lock_guard lock(registry().mutex);
        const auto found = registry().modules.find(plat::upperAscii(module));
        if (found == registry().modules.end())
            return std::nullopt;
        const auto entry = found->second.find(plat::upperAscii(name));
        if (entry == found->second.end())
            return std::nullopt;
        paint = entry->second.paint;
    }
    // Painted outside the lock: a painter may load other images.
    QImage image = paint ? paint(scale) : QImage();
    if (image.isNull())
        return std::nullopt;
    image.setDevicePixelRatio(scale);
    return image;
}

std::optional<QImage> ImageResources::find(std::string_view name, int scale)
{
    const std::string current = plat::upperAscii(Resources::currentModule()), program = plat::upperAscii(Resources::programModule());
    if (auto image = load(current, name, scale))
        return image;
    if (auto image = load(program, name, scale))
        return image;
    std::vector<std::string> chain;
    {
        const std::lock_guard lock(registry().mutex);
        chain = registry().order;
    }
    for (const std::string& module : chain) {
        if (module == current || module == program)
            continue;
        if (auto image = load(module, name, scale))
            return image;
    }
    return std::nullopt;
}

ImageResources::Registration::Registration(std::string_view module, std::span<const Entry> entries)
    : m_module(module)
{
    registerModule(module, entries);
}

ImageResources::Registration::~Registration()
{
    unregisterModule(m_module);
}

}  // namespace plat::ui

#include "platform/ui/resource/ImageResources.h"

#include "platform/core/Resources.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace plat::ui {

namespace {

std::string folded(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return result;
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::map<std::string, ImageResources::Entry>> modules;
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
        table.emplace(folded(entry.name), entry);
    const std::lock_guard lock(registry().mutex);
    registry().modules[folded(module)] = std::move(table);
}

void ImageResources::unregisterModule(std::string_view module)
{
    const std::lock_guard lock(registry().mutex);
    registry().modules.erase(folded(module));
}

bool ImageResources::contains(std::string_view module, std::string_view name)
{
    const std::lock_guard lock(registry().mutex);
    const auto found = registry().modules.find(folded(module));
    return found != registry().modules.end() && found->second.contains(folded(name));
}

std::optional<QImage> ImageResources::load(std::string_view module, std::string_view name, int scale)
{
    if (scale < 1)
        return std::nullopt;
    std::function<QImage(int)> paint;
    {
        const std::lock_guard lock(registry().mutex);
        const auto found = registry().modules.find(folded(module));
        if (found == registry().modules.end())
            return std::nullopt;
        const auto entry = found->second.find(folded(name));
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
    if (auto image = load(Resources::currentModule(), name, scale))
        return image;
    return load(Resources::programModule(), name, scale);
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

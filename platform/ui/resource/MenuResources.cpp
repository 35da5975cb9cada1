#include "platform/ui/resource/MenuResources.h"

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
    std::map<std::string, std::map<uint32_t, MenuResources::Menu>> modules;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

}  // namespace

void MenuResources::registerModule(std::string_view module, std::span<const Menu> menus)
{
    std::map<uint32_t, Menu> table;
    for (const Menu& menu : menus)
        table.emplace(menu.id, menu);
    const std::lock_guard lock(registry().mutex);
    registry().modules[folded(module)] = std::move(table);
}

void MenuResources::unregisterModule(std::string_view module)
{
    const std::lock_guard lock(registry().mutex);
    registry().modules.erase(folded(module));
}

std::optional<MenuResources::Menu> MenuResources::load(std::string_view module, uint32_t id)
{
    const std::lock_guard lock(registry().mutex);
    const auto found = registry().modules.find(folded(module));
    if (found == registry().modules.end())
        return std::nullopt;
    const auto menu = found->second.find(id);
    if (menu == found->second.end())
        return std::nullopt;
    return menu->second;
}

std::optional<MenuResources::Menu> MenuResources::find(uint32_t id)
{
    if (auto menu = load(Resources::currentModule(), id))
        return menu;
    return load(Resources::programModule(), id);
}

MenuResources::Registration::Registration(std::string_view module, std::span<const Menu> menus) : m_module(module)
{
    registerModule(module, menus);
}

MenuResources::Registration::~Registration()
{
    unregisterModule(m_module);
}

}  // namespace plat::ui

#include "platform/ui/resource/MenuResources.h"

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
    std::map<std::string, std::map<uint32_t, MenuResources::Menu>> modules;
    // Module names in the order they registered: the libraries' chain.
    std::vector<std::string> order;
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
    const std::string name = plat::upperAscii(module);
    if (!registry().modules.contains(name))
        registry().order.push_back(name);
    registry().modules[name] = std::move(table);
}

void MenuResources::unregisterModule(std::string_view module)
{
    const std::lock_guard lock(registry().mutex);
    registry().modules.erase(plat::upperAscii(module));
    std::erase(registry().order, plat::upperAscii(module));
}

std::optional<MenuResources::Menu> MenuResources::load(std::string_view module, uint32_t id)
{
    const std::lock_guard lock(registry().mutex);
    const auto found = registry().modules.find(plat::upperAscii(module));
    if (found == registry().modules.end())
        return std::nullopt;
    const auto menu = found->second.find(id);
    if (menu == found->second.end())
        return std::nullopt;
    return menu->second;
}

std::optional<MenuResources::Menu> MenuResources::find(uint32_t id)
{
    const std::string current = plat::upperAscii(Resources::currentModule()), program = plat::upperAscii(Resources::programModule());
    if (auto menu = load(current, id))
        return menu;
    if (auto menu = load(program, id))
        return menu;
    std::vector<std::string> chain;
    {
        const std::lock_guard lock(registry().mutex);
        chain = registry().order;
    }
    for (const std::string& module : chain) {
        if (module == current || module == program)
            continue;
        if (auto menu = load(module, id))
            return menu;
    }
    return std::nullopt;
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

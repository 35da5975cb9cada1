#pragma once

#include "platform/ui/PlatUiExport.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat::ui {

// One entry of a menu as a library declares it: a command item (id and text, "&" marking the
// mnemonic and "\t" the shortcut shown), a separator (id 0, no text) or a popup (id 0, a
// text and its own entries).
struct PLATUI_API MenuEntry {
    uint32_t id = 0;
    std::string text;
    std::vector<MenuEntry> entries;

    bool isSeparator() const { return id == 0 && text.empty(); }
    bool isPopup() const { return id == 0 && !text.empty(); }
};

// The menus of the windows' libraries by module and menu id. find() looks in the calling
// thread's current resource module, then in the program's, then in the other modules in the
// order they registered.
class PLATUI_API MenuResources {
public:
    struct Menu {
        uint32_t id = 0;
        std::vector<MenuEntry> entries;
    };

    static void registerModule(std::string_view module, std::span<const Menu> menus);
    static void unregisterModule(std::string_view module);

    static std::optional<Menu> load(std::string_view module, uint32_t id);
    static std::optional<Menu> find(uint32_t id);

    class Registration {
    public:
        Registration(std::string_view module, std::span<const Menu> menus);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        std::string m_module;
    };
};

}  // namespace plat::ui

#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/MCMenuItem.h"
#include "notabase/plugins/CPlugin.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {
class Object;
struct RuntimeClass;
}

// The registration of a music palette page: its page class and order. Its page is made on
// first request and owned by the registration. The registry is sorted by order and holds
// registrations without owning them.
class INTERFACE_API CPluginMusic : public CPlugin {
public:
    static constexpr unsigned kFirstPageCommand = 38960;
    // The title of a page, as the palette shows it; the palette library installs it.
    using TitleOf = std::function<std::string(plat::Object* page)>;
    static TitleOf SetTitleOf(TitleOf titleOf);

    CPluginMusic(const plat::RuntimeClass* pageClass, int order);
    // A copy has the class and order and makes a page of its own.
    CPluginMusic(const CPluginMusic& other);
    CPluginMusic& operator=(const CPluginMusic& other);
    ~CPluginMusic() override;

    static int AddPlugin(CPluginMusic* plugin);
    static void RemovePlugin(CPluginMusic* plugin);
    static const std::vector<CPluginMusic*>& GetPlugins();
    // The items of "&Music" > "&Palette": each page's title, commands 38960, 38961, ...
    static std::vector<MCMenuItem> UpdateMenu();

    const plat::RuntimeClass* GetPageClass() const { return m_pageClass; }
    int GetOrder() const { return m_order; }
    plat::Object* GetMusicPage();

private:
    int m_order;
    const plat::RuntimeClass* m_pageClass;
    std::unique_ptr<plat::Object> m_page;
};

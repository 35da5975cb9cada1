#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/plugins/CPlugin.h"

#include <memory>
#include <string>
#include <string_view>

namespace plat {
struct RuntimeClass;
}
class LCBase;
class MCMapStringToPtr;

// The registration of one processing layer class under a key and a code, and the registry
// of them all. Registrations are kept by address and must live as long as the process; the
// first registration of a key wins.
class NOTABASE_API CPluginFilter : public CPlugin {
public:
    CPluginFilter() = default;
    CPluginFilter(const CPluginFilter&) = default;
    CPluginFilter& operator=(const CPluginFilter&) = default;
    ~CPluginFilter() override;

    unsigned int GetFilterCode() const { return m_code; }
    void SetFilterCode(unsigned int code) { m_code = code; }
    const plat::RuntimeClass* GetFilterClass() const { return m_class; }
    void SetFilterClass(const plat::RuntimeClass* filterClass) { m_class = filterClass; }
    // The key is kept whole, however long.
    const std::string& GetFilterClassKey() const { return m_key; }
    void SetFilterClassKey(std::string_view key) { m_key = key; }

    // The registry: key to registration.
    static MCMapStringToPtr& GetPlugins();
    // Adds the registration under its key unless the key is taken.
    static void AddPlugin(CPluginFilter* plugin);
    // Registrations are never removed: this does nothing.
    static void RemovePlugin(CPluginFilter* plugin);
    // The registration of a key (exact match), or null.
    static CPluginFilter* FindPlugin(std::string_view key);
    // The first registration, in the registry's order, of a layer class or of a code, or null.
    static CPluginFilter* FindPlugin(const plat::RuntimeClass* filterClass);
    static CPluginFilter* FindPlugin(unsigned int code);
    // A new layer of the registered class, or null when nothing is registered under the key or
    // code, or the class does not make a processing layer.
    static std::unique_ptr<LCBase> CreateFilter(std::string_view key);
    static std::unique_ptr<LCBase> CreateFilter(unsigned int code);

private:
    static std::unique_ptr<LCBase> create(const CPluginFilter* plugin);

    unsigned int m_code = 0;
    const plat::RuntimeClass* m_class = nullptr;
    std::string m_key;
};

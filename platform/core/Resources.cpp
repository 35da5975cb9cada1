#include "platform/core/Resources.h"

#include <map>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace plat {

namespace {

using Table = std::unordered_map<uint32_t, std::string>;

struct Registry {
    std::shared_mutex mutex;
    std::map<std::string, Table, std::less<>> modules;
    std::string programModule = "Quavix";
};

// Built on first use, so a library's static Registration finds it whatever the order in
// which libraries load, and it outlives every Registration that was made after it.
Registry& registry()
{
    static Registry instance;
    return instance;
}

// Unset while the thread reads the program's module.
thread_local std::optional<std::string> t_currentModule;

const std::string* find(const Registry& r, std::string_view module, uint32_t id)
{
    const auto table = r.modules.find(module);
    if (table == r.modules.end())
        return nullptr;
    const auto text = table->second.find(id);
    return text == table->second.end() ? nullptr : &text->second;
}

}  // namespace

void Resources::registerModule(std::string_view module, std::span<const Entry> table)
{
    Table copy;
    copy.reserve(table.size());
    for (const auto& [id, text] : table)
        copy.emplace(id, std::string(text));
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    r.modules.insert_or_assign(std::string(module), std::move(copy));
}

void Resources::registerModule(std::string_view module, std::initializer_list<Entry> table)
{
    registerModule(module, std::span<const Entry>(table.begin(), table.size()));
}

void Resources::unregisterModule(std::string_view module)
{
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    if (const auto found = r.modules.find(module); found != r.modules.end())
        r.modules.erase(found);
}

bool Resources::hasModule(std::string_view module)
{
    Registry& r = registry();
    std::shared_lock lock(r.mutex);
    return r.modules.find(module) != r.modules.end();
}

void Resources::setProgramModule(std::string_view module)
{
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    r.programModule = module;
}

std::string Resources::programModule()
{
    Registry& r = registry();
    std::shared_lock lock(r.mutex);
    return r.programModule;
}

std::string Resources::currentModule()
{
    return t_currentModule ? *t_currentModule : programModule();
}

std::string Resources::string(uint32_t id)
{
    Registry& r = registry();
    std::shared_lock lock(r.mutex);
    if (t_currentModule) {
        if (const std::string* text = find(r, *t_currentModule, id))
            return *text;
    }
    if (const std::string* text = find(r, r.programModule, id))
        return *text;
    return {};
}

Resources::Registration::Registration(std::string_view module, std::span<const Entry> table)
    : m_module(module)
{
    registerModule(module, table);
}

Resources::Registration::~Registration() { unregisterModule(m_module); }

Resources::ModuleSwitch::ModuleSwitch(std::string_view module) : m_previous(t_currentModule)
{
    t_currentModule = std::string(module);
}

Resources::ModuleSwitch::~ModuleSwitch() { t_currentModule = std::move(m_previous); }

}  // namespace plat

#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace plat {

// String tables. Each library registers its table of texts by id under its module name when
// it loads; a lookup reads the current module's table and falls back to the program's
// module, and a missing id gives "". Lookups and registrations may come from any thread.
//
// The current module belongs to the calling thread: a ModuleSwitch on the main thread does
// not change what a device thread looks up. A thread that never switched reads the program's
// module.
class PLATCORE_API Resources {
public:
    using Entry = std::pair<uint32_t, std::string_view>;

    // Registers (or replaces) the module's table; the texts are copied. A library keeps its
    // table as a constant array: `constexpr plat::Resources::Entry kStrings[] = {...};`.
    static void registerModule(std::string_view module, std::span<const Entry> table);
    static void registerModule(std::string_view module, std::initializer_list<Entry> table);
    static void unregisterModule(std::string_view module);
    static bool hasModule(std::string_view module);

    // The module lookups fall back to: "Quavix" unless a program names another.
    static void setProgramModule(std::string_view module);
    static std::string programModule();
    // The module the calling thread reads from.
    static std::string currentModule();

    static std::string string(uint32_t id);

    // Keeps a module's table registered for the lifetime of the library that defines it.
    class Registration {
    public:
        Registration(std::string_view module, std::span<const Entry> table);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        std::string m_module;
    };

    // Makes module the calling thread's current one until it goes out of scope, then puts
    // the previous one back; switches nest.
    class ModuleSwitch {
    public:
        explicit ModuleSwitch(std::string_view module);
        ~ModuleSwitch();
        ModuleSwitch(const ModuleSwitch&) = delete;
        ModuleSwitch& operator=(const ModuleSwitch&) = delete;

    private:
        std::optional<std::string> m_previous;
    };
};

}  // namespace plat

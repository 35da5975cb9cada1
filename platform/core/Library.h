#pragma once

#include "platform/core/PlatCoreExport.h"

#include <string>
#include <string_view>

namespace plat {

// A shared library loaded into the process (plug-ins, the outside libraries): loaded on
// construction or load(), unloaded with its owner. A failure leaves the library unloaded and
// keeps the system's text of why in error().
class PLATCORE_API Library {
public:
    Library() = default;
    // Loads path (see load()).
    explicit Library(std::string_view path);
    ~Library();

    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Unloads what this object holds, then loads path with every symbol resolved now, so a
    // library that needs a missing symbol fails here rather than when it is first called.
    // A path with no "/" is searched the system's way.
    bool load(std::string_view path);
    void unload();
    bool isLoaded() const { return m_handle != nullptr; }

    // The address of an exported symbol, or null (error() tells why).
    void* symbol(std::string_view name);
    template <class Function>
    Function function(std::string_view name)
    {
        return reinterpret_cast<Function>(symbol(name));
    }

    // Why the last load or symbol lookup failed; "" after a success.
    const std::string& error() const { return m_error; }

    // Whether the library at path is in the process already, without loading it.
    static bool isInProcess(std::string_view path);

private:
    void* m_handle = nullptr;
    std::string m_error;
};

}  // namespace plat

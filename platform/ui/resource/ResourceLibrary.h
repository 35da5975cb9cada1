#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/core/Library.h"
#include "platform/core/Resources.h"

#include <optional>
#include <string>
#include <string_view>

namespace plat::ui {

// A library loaded for its resources and made the calling thread's resource module: its
// string table, images and menus are the ones looked up until it is released, when the module
// that was current before comes back. A library registers its resources under its module
// name, which is its file name without "lib" and the extension ("libKnobset.so" is
// "Knobset").
class PLATUI_API ResourceLibrary {
public:
    // The file to load for name: a name without a separator is a module name, looked for
    // beside the program as "lib<name>.so" (left to the system's search when it is not
    // there); a name with a separator ("/" or "\") is a path below the program's folder,
    // with ".so" added when it has no dot.
    static std::string fileFor(std::string_view name);
    // The module name of a library file.
    static std::string moduleOf(std::string_view file);

    ResourceLibrary() = default;
    ~ResourceLibrary();
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    // Loads the library and switches to its module; on failure nothing changes and error()
    // tells why. A library already held is released first.
    bool load(std::string_view name);
    // Switches back and unloads.
    void release();

    bool isLoaded() const { return m_library.isLoaded(); }
    const std::string& error() const { return m_library.error(); }
    // The module that was current before load().
    const std::string& previousModule() const { return m_previous; }

private:
    Library m_library;
    std::optional<Resources::ModuleSwitch> m_switch;
    std::string m_previous;
};

}  // namespace plat::ui

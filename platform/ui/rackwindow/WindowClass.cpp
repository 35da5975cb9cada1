#include "platform/ui/rackwindow/WindowClass.h"

#include "platform/core/Strings.h"

#include <map>
#include <mutex>

namespace plat::ui {

namespace {

struct NoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return compareNoCase(a, b) < 0; }
};

struct Classes {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<const WindowClass>, NoCase> byName;
};

Classes& classes()
{
    static Classes instance;
    return instance;
}

}  // namespace

bool WindowClass::registerClass(WindowClass windowClass)
{
    if (windowClass.name.empty() || !windowClass.proc)
        return false;
    const std::lock_guard lock(classes().mutex);
    std::string name = windowClass.name;
    return classes().byName.emplace(std::move(name), std::make_shared<const WindowClass>(std::move(windowClass))).second;
}

bool WindowClass::unregisterClass(std::string_view name)
{
    const std::lock_guard lock(classes().mutex);
    const auto found = classes().byName.find(name);
    // Each window holds its class, so a count above one means windows of it exist.
    if (found == classes().byName.end() || found->second.use_count() > 1)
        return false;
    classes().byName.erase(found);
    return true;
}

std::shared_ptr<const WindowClass> WindowClass::find(std::string_view name)
{
    const std::lock_guard lock(classes().mutex);
    const auto found = classes().byName.find(name);
    return found == classes().byName.end() ? nullptr : found->second;
}

}  // namespace plat::ui

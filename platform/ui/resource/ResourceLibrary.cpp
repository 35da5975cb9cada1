#include "platform/ui/resource/ResourceLibrary.h"

#include "platform/core/Paths.h"

#include <filesystem>

namespace plat::ui {

std::string ResourceLibrary::fileFor(std::string_view name)
{
    const std::string slashed = paths::withSlashes(name);
    if (slashed.find('/') == std::string::npos) {
        const std::string beside = paths::join(paths::programFolder(), "lib" + slashed + ".so");
        std::error_code error;
        return std::filesystem::is_regular_file(beside, error) ? beside : "lib" + slashed + ".so";
    }
    std::string path = paths::join(paths::programFolder(), slashed);
    if (slashed.find('.') == std::string::npos)
        path += ".so";
    return path;
}

std::string ResourceLibrary::moduleOf(std::string_view file)
{
    std::string name = paths::name(paths::withSlashes(file));
    if (name.starts_with("lib"))
        name.erase(0, 3);
    if (const size_t dot = name.find('.'); dot != std::string::npos)
        name.erase(dot);
    return name;
}

ResourceLibrary::~ResourceLibrary()
{
    release();
}

bool ResourceLibrary::load(std::string_view name)
{
    release();
    const std::string file = fileFor(name);
    if (!m_library.load(file))
        return false;
    m_previous = Resources::currentModule();
    m_switch.emplace(moduleOf(file));
    return true;
}

void ResourceLibrary::release()
{
    m_switch.reset();
    m_library.unload();
    m_previous.clear();
}

}  // namespace plat::ui

#include "notabase/plugins/CPlugin.h"

#include "platform/core/Library.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace {

constexpr const char* pluginPattern = "*.so";

// The plug-in libraries loaded in the process, by path. They stay loaded until freed: the
// classes they registered live in them.
struct LoadedPlugins {
    // Recursive: a plug-in's InitPlugins may ask whether a plug-in is loaded.
    std::recursive_mutex mutex;
    std::map<std::string, plat::Library> libraries;

    static LoadedPlugins& instance()
    {
        static LoadedPlugins plugins;
        return plugins;
    }
};

void tell(const std::string& text, plat::UserPrompt::Icon icon)
{
    plat::trace("%s\n", text.c_str());
    plat::UserPrompt::ask({"Quavix", text, plat::UserPrompt::Buttons::ok, icon, std::nullopt});
}

enum class Walk { noFolder, noPlugins, allDone, someFailed };

// Applies fn to each plug-in file of the folder in name order; a failure does not stop the walk.
template <class Fn>
Walk walkFolder(const std::string& folder, Fn&& fn)
{
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        plat::trace("CPlugin -- no plug-in folder %s\n", folder.c_str());
        return Walk::noFolder;
    }
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (plat::paths::matches(name, pluginPattern) && it->is_regular_file(typeError))
            names.push_back(name);
    }
    if (names.empty()) {
        tell("No plugins were found!", plat::UserPrompt::Icon::error);
        return Walk::noPlugins;
    }
    std::sort(names.begin(), names.end());
    bool failed = false;
    for (const std::string& name : names)
        failed = !fn(plat::paths::join(folder, name)) || failed;
    return failed ? Walk::someFailed : Walk::allDone;
}

}  // namespace

CPlugin::~CPlugin() = default;

std::string CPlugin::PluginFolder()
{
    return plat::paths::join(plat::paths::programFolder(), "PlugIns");
}

int CPlugin::Initialize()
{
    return Initialize(PluginFolder());
}

int CPlugin::Initialize(const std::string& folder)
{
    const Walk walk = walkFolder(folder, [](const std::string& path) { return InitPlugin(path) != 0; });
    return walk == Walk::noFolder || walk == Walk::allDone ? 1 : 0;
}

int CPlugin::UnInitialize()
{
    return UnInitialize(PluginFolder());
}

int CPlugin::UnInitialize(const std::string& folder)
{
    const Walk walk = walkFolder(folder, [](const std::string& path) { return FreePlugin(path) != 0; });
    return walk == Walk::noPlugins ? 0 : 1;
}

int CPlugin::InitPlugin(const std::string& path)
{
    LoadedPlugins& loaded = LoadedPlugins::instance();
    std::lock_guard lock(loaded.mutex);
    if (loaded.libraries.count(path))
        return 1;

    plat::Library library;
    if (!library.load(path)) {
        tell(plat::format("The plugin, %s, could not be loaded (%s).", path.c_str(), library.error().c_str()),
             plat::UserPrompt::Icon::error);
        return 0;
    }
    using VersionFunction = unsigned int (*)();
    using InitFunction = void (*)();
    const auto version = library.function<VersionFunction>("GetPluginVersion");
    if (!version) {
        tell(plat::format("The plugin, %s, is incompatible (no version info).", path.c_str()),
             plat::UserPrompt::Icon::error);
        return 0;
    }
    const unsigned int pluginVersion = version();
    if (pluginVersion < 1) {
        tell(plat::format("Plugin, %s (version %u), is incompatible (current version = %u).", path.c_str(),
                          pluginVersion, currentVersion),
             plat::UserPrompt::Icon::error);
        return 0;
    }
    const auto init = library.function<InitFunction>("InitPlugins");
    if (!init) {
        tell(plat::format("Plugin, %s, could not be initialized.", path.c_str()), plat::UserPrompt::Icon::information);
        return 0;
    }
    init();
    loaded.libraries.emplace(path, std::move(library));
    return 1;
}

int CPlugin::FreePlugin(const std::string& path)
{
    LoadedPlugins& loaded = LoadedPlugins::instance();
    std::lock_guard lock(loaded.mutex);
    loaded.libraries.erase(path);
    return 1;
}

bool CPlugin::IsPluginLoaded(const std::string& path)
{
    LoadedPlugins& loaded = LoadedPlugins::instance();
    std::lock_guard lock(loaded.mutex);
    return loaded.libraries.count(path) != 0;
}

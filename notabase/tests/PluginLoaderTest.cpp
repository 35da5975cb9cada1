#include "notabase/layers/LCBase.h"
#include "notabase/plugins/CPlugin.h"
#include "notabase/plugins/CPluginFilter.h"
#include "platform/core/Library.h"
#include "platform/core/Paths.h"
#include "platform/core/UserPrompt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const std::string mixedFolder = QUAVIX_TEST_PLUGINS_MIXED;
const std::string freeableFolder = QUAVIX_TEST_PLUGINS_FREEABLE;

// Records every message the loader shows.
class PromptRecorder {
public:
    PromptRecorder()
        : m_hook([this](const plat::UserPrompt::Message& message) {
              messages.push_back(message);
              return plat::UserPrompt::Answer::ok;
          })
    {
    }
    bool anyNames(const std::string& text) const
    {
        for (const auto& message : messages) {
            if (message.text.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    std::vector<plat::UserPrompt::Message> messages;

private:
    plat::UserPrompt::ScopedHook m_hook;
};

int initCountOf(const std::string& path)
{
    // Loading a library that is in the process already hands back the same one.
    plat::Library library(path);
    const auto count = library.function<int (*)()>("TestInitCount");
    return count ? count() : -1;
}

class TempFolder {
public:
    TempFolder() : m_path(std::filesystem::temp_directory_path() / ("quavix-plugins-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace

TEST(PluginLoader, LoadsTheGoodPluginOnceAndNamesEachBadOne)
{
    const std::filesystem::path workingDirectory = std::filesystem::current_path();
    const std::string good = plat::paths::join(mixedFolder, "GoodPlugin.SO");
    {
        PromptRecorder prompts;
        // Every file but the good plug-in fails, so the walk as a whole reports failure.
        EXPECT_EQ(CPlugin::Initialize(mixedFolder), 0);
        EXPECT_EQ(prompts.messages.size(), 4u);
        EXPECT_TRUE(prompts.anyNames("The plugin, " + plat::paths::join(mixedFolder, "NotALibrary.so") + ", could not be loaded"));
        EXPECT_TRUE(prompts.anyNames("The plugin, " + plat::paths::join(mixedFolder, "NoVersionPlugin.so") + ", is incompatible (no version info)."));
        EXPECT_TRUE(prompts.anyNames("Plugin, " + plat::paths::join(mixedFolder, "VersionZeroPlugin.so") + " (version 0), is incompatible (current version = 1)."));
        EXPECT_TRUE(prompts.anyNames("Plugin, " + plat::paths::join(mixedFolder, "NoInitPlugin.so") + ", could not be initialized."));
        EXPECT_FALSE(prompts.anyNames("GoodPlugin"));
        EXPECT_FALSE(prompts.anyNames("ReadMe"));
    }
    EXPECT_EQ(std::filesystem::current_path(), workingDirectory);

    // The good plug-in, matched whatever the case of its suffix, registered its layer.
    EXPECT_TRUE(CPlugin::IsPluginLoaded(good));
    EXPECT_EQ(initCountOf(good), 1);
    std::unique_ptr<LCBase> layer = CPluginFilter::CreateFilter("GoodPluginLayer");
    ASSERT_TRUE(layer);
    EXPECT_STREQ(layer->runtimeClass()->name, "TPGoodLayer");
    EXPECT_TRUE(CPluginFilter::CreateFilter(7001u));

    // The failed libraries are unloaded again, and registered nothing.
    for (const char* name : {"VersionZeroPlugin.so", "NoInitPlugin.so", "NoVersionPlugin.so"}) {
        const std::string path = plat::paths::join(mixedFolder, name);
        EXPECT_FALSE(CPlugin::IsPluginLoaded(path)) << name;
        EXPECT_FALSE(plat::Library::isInProcess(path)) << name;
    }
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view("VersionZeroLayer")), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view("NoVersionLayer")), nullptr);

    // A second walk does not start the good plug-in again.
    PromptRecorder quiet;
    CPlugin::Initialize(mixedFolder);
    EXPECT_EQ(initCountOf(good), 1);
}

TEST(PluginLoader, FreesWhatItLoaded)
{
    const std::string path = plat::paths::join(freeableFolder, "FreeablePlugin.so");
    PromptRecorder prompts;
    EXPECT_EQ(CPlugin::Initialize(freeableFolder), 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(CPlugin::IsPluginLoaded(path));
    EXPECT_EQ(initCountOf(path), 1);

    EXPECT_EQ(CPlugin::UnInitialize(freeableFolder), 1);
    EXPECT_FALSE(CPlugin::IsPluginLoaded(path));
    EXPECT_FALSE(plat::Library::isInProcess(path));
    EXPECT_EQ(CPlugin::FreePlugin(path), 1);
}

TEST(PluginLoader, AnEmptyFolderIsReportedAndAMissingOneIsNot)
{
    TempFolder folder;
    {
        PromptRecorder prompts;
        EXPECT_EQ(CPlugin::Initialize(folder.path()), 0);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, "No plugins were found!");
        EXPECT_EQ(prompts.messages[0].icon, plat::UserPrompt::Icon::error);
        EXPECT_EQ(CPlugin::UnInitialize(folder.path()), 0);
        EXPECT_EQ(prompts.messages.size(), 2u);
    }
    PromptRecorder prompts;
    EXPECT_EQ(CPlugin::Initialize(plat::paths::join(folder.path(), "PlugIns")), 1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(PluginLoader, TheProgramsFolderIsPlugInsBesideIt)
{
    EXPECT_EQ(CPlugin::PluginFolder(), plat::paths::join(plat::paths::programFolder(), "PlugIns"));
}

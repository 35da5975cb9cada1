#include "app/program/COpenDialog.h"
#include "app/program/MCDocManager.h"
#include "app/tests/AppTestSupport.h"
#include "interface/core/MCPaths.h"
#include "notabase/prefs/Preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

// The user's home of the test: a folder of its own, with no user folders configured, so
// that the documents folder is "Documents" in it.
class HomeFolder {
public:
    explicit HomeFolder(const std::string& path) : m_path(path)
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            if (const char* value = std::getenv(name))
                m_saved.emplace_back(name, value);
            else
                m_saved.emplace_back(name, std::nullopt);
        }
        std::filesystem::create_directories(path + "/config");
        ::setenv("HOME", path.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (path + "/config").c_str(), 1);
    }
    ~HomeFolder()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::string Documents() const { return m_path + "/Documents"; }

private:
    std::string m_path;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

class OpenDialogTest : public apptest::FrameTest {};

// The dialog starts in the last folder used while it is there, else in the user's documents
// folder, else at home; never in the program's folder.
TEST_F(OpenDialogTest, StartsInTheLastFolderElseTheDocumentsFolder)
{
    const HomeFolder home(File("home"));
    std::filesystem::create_directories(File("songs"));
    EXPECT_EQ(COpenDialog::StartFolder(""), File("home")) << "no documents folder yet";
    std::filesystem::create_directories(home.Documents());
    struct Case {
        std::string lastUsed;
        std::string expected;
    };
    const Case cases[] = {
        {"", home.Documents()},
        {File("songs"), File("songs")},
        {File("gone"), home.Documents()},
        {File("songs/missing.kvd"), home.Documents()},  // a file is not a folder
    };
    for (const Case& c : cases)
        EXPECT_EQ(COpenDialog::StartFolder(c.lastUsed), c.expected) << c.lastUsed;
    EXPECT_NE(COpenDialog::StartFolder(""), MCGetAppPath());
}

// File > Open: the first dialog starts in the documents folder; the next one where the last
// file was chosen; when that folder is gone, in the documents folder again.
TEST_F(OpenDialogTest, FileOpenRemembersTheFolderOfTheLastFileChosen)
{
    const HomeFolder home(File("home"));
    std::filesystem::create_directories(home.Documents());
    std::filesystem::create_directories(File("songs"));
    SaveStringPreference("Settings\\Open", "Directory", "");
    MCDocManager manager(*m_template);
    manager.SetMainWindow(m_frame.get());
    manager.SetFileOpener([](const std::string&) { return nullptr; });
    std::vector<std::string> folders;
    std::optional<std::string> answer;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.chooseFile = [&](const plat::ui::ModalHooks::FileRequest& request) {
        folders.push_back(request.folder);
        return answer;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);

    answer = File("songs/etude.kvd");
    manager.OnFileOpen();
    answer = std::nullopt;
    manager.OnFileOpen();
    std::filesystem::remove_all(File("songs"));
    manager.OnFileOpen();
    EXPECT_EQ(folders, (std::vector<std::string>{home.Documents(), File("songs"), home.Documents()}));
}

}  // namespace

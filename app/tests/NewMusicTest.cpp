// The template list and the New Music Document dialog, and File New through the document
// manager.

#include "AppTestSupport.h"

#include "app/program/CNewMusicDlg.h"
#include "app/core/CTemplateListCtrl.h"
#include "app/frame/CSaveTemplateDlg.h"
#include "app/program/MCDocManager.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class NewMusicTest : public apptest::FrameTest {
protected:
    void Touch(const std::string& name) { documenttest::writeFile(File(name), {0}); }
    static std::vector<std::string> Names(const CTemplateListCtrl& list)
    {
        std::vector<std::string> names;
        for (int row = 0; row < list.count(); ++row)
            names.push_back(list.item(row)->text().toStdString());
        return names;
    }
};

TEST_F(NewMusicTest, TheListShowsTemplatesByNameWithoutBackupCopies)
{
    Touch("Piano.kvt");
    Touch("~Piano.kvt");
    Touch("Duet 2.0.kvt");
    Touch("Choir.KVT");
    Touch("notes.txt");
    CTemplateListCtrl list;
    list.SetFolder(m_dir);
    list.FillTemplates();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Choir", "Duet 2.0", "Piano"}));
    EXPECT_TRUE(m_prompts.Texts().empty());

    std::string name = "stale";
    EXPECT_EQ(list.GetSelectedTemplate(name), 0);
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(list.SelectTemplate("Duet 2"), 0);
    EXPECT_EQ(list.SelectTemplate("Duet 2.0"), 1);
    EXPECT_EQ(list.GetSelectedTemplate(name), 1);
    EXPECT_EQ(name, "Duet 2.0");

    // Filled again from a folder without templates: empty, and the user is told.
    std::filesystem::create_directories(File("empty"));
    list.SetFolder(File("empty"));
    list.FillTemplates();
    EXPECT_EQ(list.count(), 0);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "No music templates were found!\n");
}

TEST_F(NewMusicTest, TheDialogSelectsTheTemplateChosenLastAndStoresTheNewChoice)
{
    SaveStringPreference("Settings\\New", "Template", "Piano");
    CNewMusicDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "New Music Document");
    auto* list = plat::ui::item<CTemplateListCtrl>(&dialog, CNewMusicDlg::kListId);
    ASSERT_NE(list, nullptr);
    // The templates beside the program, in order (other tests may add their own meanwhile).
    const std::vector<std::string> names = Names(*list);
    std::vector<std::string> shipped;
    for (const std::string& one : names) {
        if (one == "Piano" || one == "Single Staff" || one == "String Quartet")
            shipped.push_back(one);
    }
    EXPECT_EQ(shipped, (std::vector<std::string>{"Piano", "Single Staff", "String Quartet"}));
    std::string name;
    ASSERT_EQ(list->GetSelectedTemplate(name), 1);
    EXPECT_EQ(name, "Piano");
    dialog.show();
    apptest::saveScreenshot(dialog, "new-music-dialog.png");

    list->SelectTemplate("String Quartet");
    auto* create = plat::ui::item<QPushButton>(&dialog, 1);
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create->text(), "Create");
    create->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetTemplatePath(), std::string(QUAVIX_BIN) + "/Templates/String Quartet.kvt");
    EXPECT_EQ(LoadStringPreference("Settings\\New", "Template", ""), "String Quartet");
}

TEST_F(NewMusicTest, WithNothingSelectedCreateKeepsTheDialogOpen)
{
    SaveStringPreference("Settings\\New", "Template", "No Such Template");
    CNewMusicDlg dialog;
    dialog.show();
    auto* list = plat::ui::item<CTemplateListCtrl>(&dialog, CNewMusicDlg::kListId);
    ASSERT_NE(list, nullptr);
    std::string name;
    EXPECT_EQ(list->GetSelectedTemplate(name), 0);
    plat::ui::item<QPushButton>(&dialog, 1)->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(LoadStringPreference("Settings\\New", "Template", ""), "No Such Template");
    dialog.reject();
}

TEST_F(NewMusicTest, FileNewMakesAnUntitledDocumentFromTheChosenTemplate)
{
    MCDocManager manager(*m_template);
    manager.SetMainWindow(m_frame.get());
    manager.SetNewMusicRunner([this](std::string& path) {
        SaveStringPreference("Settings\\New", "Template", "String Quartet");
        CNewMusicDlg dialog(m_frame.get());
        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [](QDialog& shown) {
            plat::ui::item<QPushButton>(&shown, 1)->click();
            return shown.result();
        };
        plat::ui::ModalHooks::Scoped scoped(hooks);
        if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
            return false;
        path = dialog.GetTemplatePath();
        return true;
    });
    manager.OnFileNew();
    ASSERT_EQ(m_template->GetDocuments().size(), 1u);
    MCOpusDoc* doc = m_template->GetDocuments().front();
    EXPECT_TRUE(doc->GetPathName().empty());
    EXPECT_EQ(doc->GetBaseEvent()->GetConductor()->GetMaxTrackNumber(1), 4);
    EXPECT_EQ(doc->GetHeader()->GetVersion(), 4);
    EXPECT_TRUE(m_template->GetViewFrame(doc, m_score.GetViewID())->isVisible());

    // Cancel makes nothing.
    manager.SetNewMusicRunner([](std::string&) { return false; });
    manager.OnFileNew();
    EXPECT_EQ(m_template->GetDocuments().size(), 1u);
}

TEST_F(NewMusicTest, SaveAsTemplateRefusesANameInUseInAnyCaseAndNamesItWouldNotList)
{
    Touch("Piano.kvt");
    Touch("Choir.KVT");
    CSaveTemplateDlg dialog(nullptr, m_dir);
    EXPECT_EQ(dialog.windowTitle(), "Save As Template");
    auto* edit = plat::ui::item<QLineEdit>(&dialog, CSaveTemplateDlg::kNameId);
    auto* list = plat::ui::item<CTemplateListCtrl>(&dialog, CSaveTemplateDlg::kListId);
    auto* save = plat::ui::item<QPushButton>(&dialog, 1);
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "Save");
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"Choir", "Piano"}));
    dialog.show();
    edit->setText("Duet");
    apptest::saveScreenshot(dialog, "save-template-dialog.png");

    struct Case {
        std::string name;
        std::string message;
    };
    const Case refused[] = {
        {"Piano", "A template named \"Piano\" already exists.  Please select a different name."},
        {"choir", "A template named \"choir\" already exists.  Please select a different name."},
        {" Piano  ", "A template named \"Piano\" already exists.  Please select a different name."},
        {"../Escape", "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
        {"sub\\name", "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
        {"", "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
        {"   ", "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
        // Backup copies begin with a tilde and are never listed: the template would be lost.
        {"~Mine", "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
    };
    for (const Case& c : refused) {
        m_prompts.Clear();
        edit->setText(QString::fromStdString(c.name));
        save->click();
        EXPECT_TRUE(dialog.isVisible()) << c.name;
        ASSERT_EQ(m_prompts.Texts().size(), 1u) << c.name;
        EXPECT_EQ(m_prompts.Texts()[0], c.message);
        EXPECT_EQ(edit->selectedText(), edit->text());
    }
    EXPECT_FALSE(std::filesystem::exists(File("../Escape.kvt")));
    EXPECT_FALSE(std::filesystem::exists(File("~Mine.kvt")));

    // A click in the list takes that name into the edit.
    list->SelectTemplate("Choir");
    emit list->itemClicked(list->currentItem());
    EXPECT_EQ(edit->text(), "Choir");

    edit->setText(" Duet 2.0 ");
    save->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetTemplatePath(), File("Duet 2.0.kvt"));
}

}  // namespace

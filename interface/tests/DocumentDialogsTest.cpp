#include "interface/document/DocumentStrings.h"
#include "interface/document/MCPasswordDialog.h"
#include "interface/document/MCSaveDialog.h"
#include "interface/tests/WidgetTestSupport.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QLineEdit>

namespace {

TEST(SaveDialogTest, TheTypedExtensionDecidesTheFormatWhateverItsCase)
{
    struct Case {
        int chosen;
        const char* path;
        int saved;
    };
    const Case cases[] = {
        {0, "/music/song.kvd", 0}, {0, "/music/song.mid", 2}, {0, "/music/SONG.MID", 2}, {0, "/music/song", 0},
        {1, "/music/song.mid", 1}, {2, "/music/song.mid", 2}, {1, "/music/song.kvd", 0}, {2, "/music/Song.KVD", 0},
        {1, "/music/song.txt", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MCSaveDialog::FormatForPath(c.chosen, c.path), c.saved) << c.chosen << " " << c.path;
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("a.kvd"), 0);
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("a.mid"), 1);
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("A.MID"), 1);
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("a.wav"), -1);
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("noextension"), -1);
}

TEST(SaveDialogTest, RunsThroughTheHookAndRemembersTheFolder)
{
    widgettest::ProfileFolder settings;
    std::string seenFolder;
    QStringList seenFilters;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        auto& save = static_cast<MCSaveDialog&>(dialog);
        seenFolder = save.directory().absolutePath().toStdString();
        seenFilters = save.nameFilters();
        // The user picks MIDI type 0 in the type list: the name follows.
        save.OnTypeChange(1);
        EXPECT_EQ(save.findChild<QLineEdit*>("fileNameEdit")->text(), "song.mid");
        widgettest::saveScreenshot(save, "save-dialog");
        save.selectFile("/tmp/quavix-save/Song.MID");
        return int(QDialog::Accepted);
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    SaveStringPreference("Settings\\Open", "Directory", "/tmp");
    MCSaveDialog dialog;
    std::string path = "song";
    ASSERT_EQ(dialog.GetSavePath(path, 0, 1), 1);
    EXPECT_EQ(seenFolder, "/tmp");
    EXPECT_EQ(seenFilters, (QStringList{"Ombrelune Music File (*.kvd)", "Type 0 Midi File (*.mid)",
                                        "Type 1 Midi File (*.mid)"}));
    EXPECT_EQ(path, "/tmp/quavix-save/Song.MID");
    EXPECT_EQ(dialog.GetSaveFormat(), 1) << "type 0 chosen, a MIDI name kept it";
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "Directory", ""), "/tmp/quavix-save");
}

TEST(SaveDialogTest, CancelLeavesEverythingAsItWas)
{
    widgettest::ProfileFolder settings;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [](QDialog&) { return int(QDialog::Rejected); };
    plat::ui::ModalHooks::Scoped scope(hooks);
    MCSaveDialog dialog;
    std::string path = "/somewhere/a.kvd";
    EXPECT_EQ(dialog.GetSavePath(path, 2, 0), 0);
    EXPECT_EQ(path, "/somewhere/a.kvd");
    EXPECT_EQ(dialog.windowTitle().toStdString(), DocumentStrings::text(DocumentStrings::saveCopyTitle));
}

TEST(PasswordDialogTest, AsksOnlyWhenThereIsAPasswordAndComparesExactly)
{
    int shown = 0;
    std::vector<std::string> typed = {"Secret", "secret"};
    std::vector<std::string> messages;
    plat::UserPrompt::ScopedHook prompts([&](const plat::UserPrompt::Message& message) {
        messages.push_back(message.text);
        return plat::UserPrompt::Answer::ok;
    });
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        ++shown;
        auto* edit = plat::ui::item<QLineEdit>(&dialog, MCPasswordDialog::kEditId);
        EXPECT_NE(edit, nullptr);
        if (shown == 1)
            widgettest::saveScreenshot(dialog, "password-dialog");
        dialog.setResult(QDialog::Rejected);
        for (const std::string& attempt : typed) {
            edit->setText(QString::fromStdString(attempt));
            dialog.accept();
            if (dialog.result() == QDialog::Accepted)
                return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    plat::ui::ModalHooks::Scoped scope(hooks);

    MCPasswordDialog dialog;
    EXPECT_EQ(dialog.VerifyPassword(), 1) << "nothing to ask";
    dialog.SetPrompt("This document is protected.");
    EXPECT_EQ(dialog.VerifyPassword(), 1) << "no password set";
    EXPECT_EQ(shown, 0);

    dialog.SetPassword("secret");
    EXPECT_EQ(dialog.VerifyPassword(), 1);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(messages.size(), 1u) << "the wrong case was refused once and the dialog stayed";
    EXPECT_EQ(messages[0], "The password you entered is incorrect.");

    typed = {"nope"};
    EXPECT_EQ(dialog.VerifyPassword(), 0) << "given up";
}

}  // namespace

namespace {

TEST(SaveDialogTest, OnlyTheFileNameHasAnExtension)
{
    EXPECT_EQ(MCSaveDialog::FormatForPath(0, "/home/me/songs.mid/tune"), 0) << "a dot in a folder";
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("/home/me/a.kvd/tune"), -1);
    EXPECT_EQ(MCSaveDialog::GetSaveFormat("/home/me/.mid"), -1) << "a hidden name, no extension";
}

}  // namespace

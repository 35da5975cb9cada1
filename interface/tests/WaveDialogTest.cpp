#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCTimeEdit.h"
#include "interface/core/MCPaths.h"
#include "interface/dialogs/MCWaveOpenDlg.h"
#include "interface/dialogs/MCWaveSaveDlg.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <vector>

namespace {

class WaveDialogTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;
    std::function<int(QDialog&)> answer;
    plat::ui::ModalHooks::Scoped hooks{[this] {
        plat::ui::ModalHooks::Hooks h;
        h.runDialog = [this](QDialog& dialog) { return answer(dialog); };
        return h;
    }()};

    std::string wave(const std::string& name)
    {
        const std::string path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << "RIFF";
        return path;
    }
};

TEST_F(WaveDialogTest, TheOpenDialogRemembersTheFolderAndTheTrack)
{
    const std::string file = wave("take.wav");
    std::string shownTime;
    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        EXPECT_EQ(chooser.nameFilters(), QStringList{"Wave Files (*.wav)"});
        EXPECT_EQ(chooser.defaultSuffix(), "wav");
        auto* track = plat::ui::item<QComboBox>(&chooser, MCWaveOpenDlg::kTrack);
        EXPECT_NE(track, nullptr);
        if (track) {
            EXPECT_EQ(track->count(), 8);
            EXPECT_EQ(track->currentIndex(), 2);
            track->setCurrentIndex(5);
        }
        if (auto* time = plat::ui::item<MCTimeEdit>(&chooser, MCWaveOpenDlg::kTime))
            shownTime = time->GetTimeValue() == MCTime::TimeZero() ? "zero" : "other";
        EXPECT_FALSE(widgettest::saveScreenshot(chooser, "wave-open-dialog").empty());
        chooser.selectFile(QString::fromStdString(file));
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    MCWaveOpenDlg open;
    open.SetTrack(3);
    std::string chosen;
    ASSERT_TRUE(open.DoOpen(chosen, 0, MCWaveOpenDlg::kMusicalContext, 0, true));
    EXPECT_EQ(chosen, file);
    EXPECT_EQ(open.GetTrack(), 6);
    EXPECT_EQ(shownTime, "zero");
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), folder.path());
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "WaveTrack", -1), 5);

    // Cancel keeps both; without the extension the track stays as it was.
    SaveStringPreference("Settings\\Open", "WaveDirectory", "/elsewhere");
    answer = [](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    };
    MCWaveOpenDlg cancelled;
    EXPECT_FALSE(cancelled.DoOpen(chosen));
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), "/elsewhere");
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "WaveTrack", -1), 5);

    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        EXPECT_EQ(plat::ui::item<QComboBox>(&chooser, MCWaveOpenDlg::kTrack), nullptr);
        chooser.selectFile(QString::fromStdString(file));
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    MCWaveOpenDlg plain;
    EXPECT_TRUE(plain.DoOpen(chosen));
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), folder.path());
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "WaveTrack", -1), 5);

    // A track set by the caller is kept, the extension shown or not.
    MCWaveOpenDlg preset;
    preset.SetTrack(2);
    EXPECT_TRUE(preset.DoOpen(chosen));
    EXPECT_EQ(preset.GetTrack(), 2);
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "WaveTrack", -1), 1);
}

TEST_F(WaveDialogTest, SeveralFilesComeAsTheFolderAndTheirNames)
{
    const std::string first = wave("a.wav");
    wave("b.wav");
    bool several = false;
    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        several = chooser.fileMode() == QFileDialog::ExistingFiles;
        chooser.setDirectory(QString::fromStdString(folder.path()));
        chooser.selectFile("\"a.wav\" \"b.wav\"");
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    MCWaveOpenDlg open;
    std::string chosen;
    ASSERT_TRUE(open.DoOpen(chosen, MCWaveOpenDlg::kMultiSelect));
    EXPECT_TRUE(several);
    EXPECT_EQ(chosen, folder.path() + std::string("\0a.wav\0b.wav", 12));
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), folder.path());

    // Without the flag only one file can be chosen.
    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        several = chooser.fileMode() == QFileDialog::ExistingFiles;
        chooser.selectFile(QString::fromStdString(first));
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    MCWaveOpenDlg single;
    ASSERT_TRUE(single.DoOpen(chosen));
    EXPECT_FALSE(several);
    EXPECT_EQ(chosen, first);
}

TEST_F(WaveDialogTest, TheSaveDialogStartsBesideTheProgramAndRemembersTheFolder)
{
    std::string startedIn;
    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        startedIn = chooser.directory().absolutePath().toStdString();
        EXPECT_EQ(chooser.windowTitle(), "Save Wave File");
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(chooser));
        chooser.selectFile(QString::fromStdString(folder.path() + "/mix.wav"));
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    MCWaveSaveDlg save;
    std::string file;
    ASSERT_TRUE(save.DoSave(file));
    EXPECT_EQ(startedIn, MCGetAppPath());
    EXPECT_EQ(file, folder.path() + "/mix.wav");
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), folder.path());
}

TEST_F(WaveDialogTest, TheSaveDialogRefusesAFolderThatDoesNotExist)
{
    std::vector<std::string> told;
    const plat::UserPrompt::ScopedHook prompt{[&](const plat::UserPrompt::Message& message) {
        told.push_back(message.text);
        return plat::UserPrompt::Answer::ok;
    }};
    const std::string missing = folder.path() + "/missing";
    answer = [&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        chooser.selectFile(QString::fromStdString(missing + "/mix.wav"));
        static_cast<QDialog&>(chooser).accept();
        EXPECT_FALSE(told.empty());
        return chooser.result();
    };
    SaveStringPreference("Settings\\Open", "WaveDirectory", folder.path().c_str());
    MCWaveSaveDlg save;
    std::string file = "unchanged";
    EXPECT_FALSE(save.DoSave(file));
    EXPECT_EQ(file, "unchanged");
    EXPECT_EQ(told, std::vector<std::string>{"The folder \"" + missing + "\" does not exist."});
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "WaveDirectory", ""), folder.path());
}

}  // namespace

#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CChanModeDlg.h"
#include "app/dialogs/CChanModeEditDlg.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/pickers/MCChanModeList.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqChannelMode.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

class ChanModeDialogTest : public ConductorDialogTest {
protected:
    std::vector<ECChannelMode*> modes() { return conductorChildren<ECChannelMode>(); }

    ECChannelMode* addMode(float time, int type, int device, int channel)
    {
        auto* mode = new ECChannelMode;
        mode->SetChannelModeType(static_cast<unsigned char>(type));
        const MCTime at(time);
        mode->SetTime(&at);
        EXPECT_TRUE(staff()->AddChild(mode, 1));
        if (auto* data = dynamic_cast<DCsqChannelMode*>(mode->GetData(0, 1))) {
            data->SetDevice(static_cast<uint8_t>(device));
            data->SetBasicChannel(static_cast<uint8_t>(channel));
        }
        return mode;
    }

    static DCsqChannelMode* dataOf(ECChannelMode* mode) { return dynamic_cast<DCsqChannelMode*>(mode->GetData(0, 0)); }
};

// A new message starts from the device and channel of the first one; choosing mode 4 shows the
// channel count, where "ALL" is stored as -1; one undo takes the message away.
TEST_F(ChanModeDialogTest, NewMessageFromTheFirstOnesDeviceAndChannel)
{
    addMode(2.0f, 4, 1, 9);
    CChanModeEditDlg dialog(&doc, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.GetDevice(), 1);
    EXPECT_EQ(dialog.GetChannel(), 9);
    EXPECT_EQ(plat::ui::item<QComboBox>(&dialog, CChanModeEditDlg::kChannel)->currentText(), "10");
    auto* channels = plat::ui::item<QComboBox>(&dialog, CChanModeEditDlg::kChannels);
    auto* label = plat::ui::item<QLabel>(&dialog, CChanModeEditDlg::kChannelsLabel);
    EXPECT_FALSE(channels->isVisible());
    plat::ui::item<QRadioButton>(&dialog, CChanModeEditDlg::kType + 8)->click();
    EXPECT_TRUE(channels->isVisible());
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(channels->currentText(), "ALL");
    plat::ui::item<QRadioButton>(&dialog, CChanModeEditDlg::kType + 2)->click();
    EXPECT_FALSE(channels->isVisible());
    plat::ui::item<QRadioButton>(&dialog, CChanModeEditDlg::kType + 8)->click();
    plat::ui::item<MCTimeEdit>(&dialog, CChanModeEditDlg::kTime)->SetTimeValue(MCTime(5.0f));
    dialog.resize(420, 420);
    apptest::saveScreenshot(dialog, "channel-mode-editor.png");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    ASSERT_EQ(modes().size(), 2u);
    ECChannelMode* added = modes()[1];
    EXPECT_EQ(*added->GetTime(), MCTime(5.0f));
    EXPECT_EQ(added->GetChannelModeType(), 8);
    EXPECT_EQ(added->GetTrack(), 0);
    ASSERT_NE(dataOf(added), nullptr);
    EXPECT_EQ(dataOf(added)->GetDevice(), 1);
    EXPECT_EQ(dataOf(added)->GetBasicChannel(), 9);
    EXPECT_EQ(static_cast<int8_t>(dataOf(added)->GetMode4Channels()), -1);
    EXPECT_TRUE(doc.IsModified());
    performance()->Undo(1);
    EXPECT_EQ(modes().size(), 1u);
}

TEST_F(ChanModeDialogTest, NewMessageWithoutOthersStartsAtDeviceAndChannelZero)
{
    CChanModeEditDlg dialog(&doc, nullptr);
    EXPECT_EQ(dialog.GetDevice(), 0);
    EXPECT_EQ(dialog.GetChannel(), 0);
    EXPECT_EQ(dialog.GetType(), 0);
    EXPECT_EQ(dialog.GetMode4Channels(), -1);
}

// An edit moves the message, changes its type and its sequencer data in one undo step.
TEST_F(ChanModeDialogTest, EditChangesTimeTypeAndDataWithUndo)
{
    ECChannelMode* mode = addMode(2.0f, 1, 3, 4);
    CChanModeEditDlg dialog(&doc, mode);
    dialog.show();
    EXPECT_TRUE(plat::ui::item<QRadioButton>(&dialog, CChanModeEditDlg::kType + 1)->isChecked());
    plat::ui::item<QRadioButton>(&dialog, CChanModeEditDlg::kType + 8)->click();
    plat::ui::item<QComboBox>(&dialog, CChanModeEditDlg::kChannels)->setCurrentIndex(3);
    plat::ui::item<QComboBox>(&dialog, CChanModeEditDlg::kChannel)->setCurrentIndex(2);
    plat::ui::item<MCTimeEdit>(&dialog, CChanModeEditDlg::kTime)->SetTimeValue(MCTime(4.0f));
    dialog.accept();
    EXPECT_EQ(*mode->GetTime(), MCTime(4.0f));
    EXPECT_EQ(mode->GetChannelModeType(), 8);
    EXPECT_EQ(dataOf(mode)->GetBasicChannel(), 2);
    EXPECT_EQ(dataOf(mode)->GetMode4Channels(), 2);
    EXPECT_EQ(dataOf(mode)->GetDevice(), 3) << "a device not listed here stays";
    performance()->Undo(1);
    EXPECT_EQ(*mode->GetTime(), MCTime(2.0f));
    EXPECT_EQ(mode->GetChannelModeType(), 1);
    EXPECT_EQ(dataOf(mode)->GetBasicChannel(), 4);
    EXPECT_EQ(dataOf(mode)->GetMode4Channels(), 1);
}

// New and Edit run the editor and refresh the list; Remove takes every selected message
// without asking, and nothing without a selection.
TEST_F(ChanModeDialogTest, ListDialogAddsEditsAndRemoves)
{
    ECChannelMode* first = addMode(1.0f, 0, 0, 0);
    addMode(3.0f, 4, 0, 1);
    DialogAnswers dialogs;
    auto& answer = dialogs.answer;
    const int& runs = dialogs.runs;
    CChanModeDlg dialog(&doc);
    dialog.show();
    auto* list = plat::ui::item<MCChanModeList>(&dialog, CChanModeDlg::kList);
    ASSERT_EQ(list->topLevelItemCount(), 2);

    answer = [](QDialog& editor) {
        plat::ui::item<QRadioButton>(&editor, CChanModeEditDlg::kType + 3)->click();
        plat::ui::item<MCTimeEdit>(&editor, CChanModeEditDlg::kTime)->SetTimeValue(MCTime(6.0f));
        editor.accept();
    };
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kNew)->click();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(2)->text(0), QString::fromStdString(MCChanModeList::MessageName(3)));

    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kEdit)->click();
    EXPECT_EQ(runs, 1) << "nothing selected: no editor";
    list->SelectEvent(first);
    answer = [](QDialog& editor) {
        plat::ui::item<QRadioButton>(&editor, CChanModeEditDlg::kType + 1)->click();
        editor.accept();
    };
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kEdit)->click();
    EXPECT_EQ(first->GetChannelModeType(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QString::fromStdString(MCChanModeList::MessageName(1)));
    dialog.resize(560, 300);
    apptest::saveScreenshot(dialog, "channel-mode-messages.png");

    list->clearSelection();
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kRemove)->click();
    EXPECT_EQ(modes().size(), 3u);
    list->SelectEvent(first);
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kRemove)->click();
    EXPECT_EQ(runs, 2) << "no confirmation";
    EXPECT_EQ(modes().size(), 2u);
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->FindEvent(first), -1);
}

// Remove asks nothing, so it is one step of the history like any other change: undoing it
// brings the message back, and undoing or redoing the steps before it never acts on a message
// that is gone.
TEST_F(ChanModeDialogTest, RemovalIsAStepOfTheHistory)
{
    DialogAnswers dialogs;
    auto& answer = dialogs.answer;
    CChanModeDlg dialog(&doc);
    dialog.show();
    auto* list = plat::ui::item<MCChanModeList>(&dialog, CChanModeDlg::kList);
    answer = [](QDialog& editor) { editor.accept(); };
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kNew)->click();
    ASSERT_EQ(modes().size(), 1u);
    ECChannelMode* added = modes()[0];
    answer = [](QDialog& editor) {
        plat::ui::item<QRadioButton>(&editor, CChanModeEditDlg::kType + 2)->click();
        editor.accept();
    };
    list->SelectEvent(added);
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kEdit)->click();
    ASSERT_EQ(performance()->GetUndoCount(), 2);

    list->SelectEvent(modes()[0]);
    plat::ui::item<QAbstractButton>(&dialog, CChanModeDlg::kRemove)->click();
    ASSERT_TRUE(modes().empty());
    EXPECT_EQ(performance()->GetUndoCount(), 3);

    performance()->Undo(1);
    ASSERT_EQ(modes().size(), 1u);
    EXPECT_EQ(modes()[0]->GetChannelModeType(), 2);
    performance()->Undo(2);
    EXPECT_TRUE(modes().empty());
    performance()->Redo(3);
    EXPECT_TRUE(modes().empty());
    performance()->Undo(1);
    ASSERT_EQ(modes().size(), 1u);
    EXPECT_EQ(modes()[0]->GetChannelModeType(), 2);
}

}  // namespace

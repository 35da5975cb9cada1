#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCDial.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/core/InterfaceImages.h"
#include "interface/dialogs/MCInputDialog.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ExchangeDialog.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/ImageResources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A dialog whose exchange is the test's.
class TestDialog : public plat::ui::ExchangeDialog {
public:
    std::function<void(plat::ui::DataExchange&)> exchange;
    QVBoxLayout* layout = new QVBoxLayout(this);

protected:
    void doDataExchange(plat::ui::DataExchange& dx) override { exchange(dx); }
};

QImage face(int scale)
{
    return InterfaceImages::Paint(8, 8, scale, true, [](QPainter& p) { p.fillRect(QRect(0, 0, 8, 8), Qt::gray); });
}

class DataExchangeTest : public testing::Test {
protected:
    const plat::ui::ImageResources::Entry images[2] = {{"OPT0", face}, {"OPT1", face}};
    const plat::ui::ImageResources::Registration registration{"DataExchangeTest", images};
    const plat::Resources::ModuleSwitch module{"DataExchangeTest"};
    widgettest::ProfileFolder folder;
    std::vector<std::string> prompts;
    plat::UserPrompt::ScopedHook hook{[this](const plat::UserPrompt::Message& message) {
        prompts.push_back(message.text);
        return plat::UserPrompt::Answer::ok;
    }};
    TestDialog dialog;

    MCButton* radio(int id, bool groupStart)
    {
        auto* placeholder = new QRadioButton("OPT");
        plat::ui::setItemId(placeholder, id);
        plat::ui::setGroupStart(placeholder, groupStart);
        dialog.layout->addWidget(placeholder);
        auto* button = new MCButton;
        EXPECT_TRUE(button->AutoLoad(id, &dialog));
        EXPECT_TRUE(button->IsRadio());
        return button;
    }
};

TEST_F(DataExchangeTest, ButtonsCheckAndRadioGroups)
{
    MCButton* check = radio(3000, true);
    check->SetRadio(false);
    std::vector<MCButton*> group = {radio(3001, true), radio(3002, false), radio(3003, false)};
    radio(3004, true);  // the next group
    int state = 5, choice = 1;
    dialog.exchange = [&](plat::ui::DataExchange& dx) {
        DDX_MCButtonCheck(dx, 3000, state);
        DDX_MCButtonRadio(dx, 3001, choice);
    };
    EXPECT_TRUE(dialog.updateData(false));
    EXPECT_EQ(state, 0);
    EXPECT_EQ(check->GetButtonState(), 0);
    EXPECT_EQ(group[1]->GetButtonState(), 1);
    EXPECT_EQ(group[0]->GetButtonState(), 0);

    for (MCButton* button : group)
        button->SetButtonState(0);
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(choice, -1);
    group[0]->SetButtonState(1);
    group[2]->SetButtonState(1);
    plat::ui::item<MCButton>(&dialog, 3004)->SetButtonState(1);
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(choice, 2);  // the last one on wins; the next group does not count

    CheckMCButtonRadioItem(&dialog, 3001, 3003, 3002);
    EXPECT_EQ(group[0]->GetButtonState(), 0);
    EXPECT_EQ(group[1]->GetButtonState(), 1);
    EXPECT_EQ(group[2]->GetButtonState(), 0);
}

TEST_F(DataExchangeTest, ComboIndexSliderDialAndTime)
{
    auto* combo = new QComboBox;
    combo->addItems({"a", "b"});
    plat::ui::setItemId(combo, 3100);
    auto* slider = new QSlider;
    slider->setRange(0, 127);
    plat::ui::setItemId(slider, 3101);
    auto* dial = new MCDial;
    plat::ui::setItemId(dial, 3102);
    auto* fader = new MCSlider;
    plat::ui::setItemId(fader, 3103);
    auto* time = new MCTimeEdit;
    time->SetShowDuration(true);
    plat::ui::setItemId(time, 3104);
    for (QWidget* widget : std::initializer_list<QWidget*>{combo, slider, dial, fader, time})
        dialog.layout->addWidget(widget);
    unsigned char index = 1, volume = 100;
    double pan = 0.25, level = 0.75;
    MCTime length(2.25f);
    dialog.exchange = [&](plat::ui::DataExchange& dx) {
        DDX_CBIndex(dx, 3100, index);
        DDX_SliderCtrl(dx, 3101, volume);
        DDX_MCDial(dx, 3102, pan);
        DDX_MCSlider(dx, 3103, level);
        DDX_MCTimeEdit(dx, 3104, length);
    };
    EXPECT_TRUE(dialog.updateData(false));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(dial->GetAngle(), 105);
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.75);
    EXPECT_EQ(time->text(), "0002:120");
    combo->setCurrentIndex(-1);
    slider->setValue(7);
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(index, 255);
    EXPECT_EQ(volume, 7);
    EXPECT_DOUBLE_EQ(pan, 0.25);
}

TEST_F(DataExchangeTest, SpinAndNoteEditsGoThroughTheirOwnValuesAndRefuseBadText)
{
    auto* placeholder = new QLineEdit;
    plat::ui::setItemId(placeholder, 3200);
    auto* notePlaceholder = new QLineEdit;
    plat::ui::setItemId(notePlaceholder, 3201);
    dialog.layout->addWidget(placeholder);
    dialog.layout->addWidget(notePlaceholder);
    auto* count = new MCSpinEdit;
    ASSERT_TRUE(count->SubclassSpinEdit(3200, &dialog, MCSpinEdit::kVisibleSpin));
    count->SetRange(1, 16);
    auto* note = new MCNoteEdit;
    ASSERT_TRUE(note->SubclassNoteEdit(3201, &dialog, MCSpinEdit::kVisibleSpin));
    int bars = 4;
    unsigned char key = 61;
    dialog.exchange = [&](plat::ui::DataExchange& dx) {
        DDX_MCSpinEdit(dx, 3200, bars);
        DDX_MCNoteEdit(dx, 3201, key);
    };
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(count->text(), "4");
    EXPECT_EQ(note->text(), "C#4");
    // The byte form of a note edit reads the note edit's way.
    note->setText("Bb3");
    note->OnChange();
    count->setText("12");
    count->OnChange();
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(key, 58);
    EXPECT_EQ(bars, 12);

    count->setText("40");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "Enter a whole number from 1 to 16.");
    EXPECT_EQ(QApplication::focusWidget(), count);
    count->setText("9");
    count->OnChange();
    note->setText("H2");
    dialog.accept();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1], "Enter a note number from 0 to 127, or a note name such as C4 or F#3.");
    EXPECT_EQ(QApplication::focusWidget(), note);
}

class WarnDialogTest : public testing::Test {
protected:
    const plat::Resources::Entry strings[3] = {
        {40100, "Delete Measures"},
        {40101, "The measures will be removed. This cannot be undone."},
        {40102, "The staves will be removed. This cannot be undone."},
    };
    const plat::Resources::Registration registration{plat::Resources::programModule(), strings};
    widgettest::ProfileFolder folder;
    int shown = 0;
    bool tick = false;
    int answer = QDialog::Accepted;
    plat::ui::ModalHooks::Scoped hooks{[this] {
        plat::ui::ModalHooks::Hooks h;
        h.runDialog = [this](QDialog& dialog) {
            ++shown;
            dialog.findChild<QCheckBox*>()->setChecked(tick);
            if (answer == QDialog::Accepted)
                dialog.accept();
            else
                dialog.reject();
            return dialog.result();
        };
        return h;
    }()};
};

TEST_F(WarnDialogTest, ATickedOkSilencesThatWarningOnly)
{
    tick = true;
    EXPECT_TRUE(MCWarnDialog(40100, 40101).OkToProceed());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\Warnings\\40101", "DontWarn", 0), 1);
    EXPECT_EQ(LoadStringPreference("Settings\\Interface\\Warnings\\40101", "Title", ""), "Delete Measures");
    EXPECT_TRUE(MCWarnDialog(40100, 40101).OkToProceed());
    EXPECT_EQ(shown, 1);
    // Another warning keeps its own flag.
    tick = false;
    EXPECT_TRUE(MCWarnDialog(40100, 40102).OkToProceed());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\Warnings\\40102", "DontWarn", 1), 0);
}

TEST_F(WarnDialogTest, ATickFollowedByCancelIsNotKept)
{
    tick = true;
    answer = QDialog::Rejected;
    MCWarnDialog dialog(40100, 40101);
    EXPECT_FALSE(dialog.OkToProceed());
    EXPECT_FALSE(dialog.GetDontWarn());
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\Warnings\\40101", "DontWarn", 1), 0);
    answer = QDialog::Accepted;
    tick = false;
    EXPECT_TRUE(MCWarnDialog(40100, 40101).OkToProceed());
    EXPECT_EQ(shown, 2);
}

TEST_F(WarnDialogTest, TheWarningDialog)
{
    MCWarnDialog dialog(40100, 40101);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Delete Measures");
    EXPECT_EQ(plat::ui::item<QLabel>(&dialog, MCWarnDialog::kMessage)->text().toStdString(), dialog.GetMessage());
    EXPECT_EQ(plat::ui::item<QCheckBox>(&dialog, MCWarnDialog::kDontWarn)->text(), "&Don't warn me about this again");
    EXPECT_FALSE(widgettest::saveScreenshot(dialog, "warning-dialog").empty());
}

TEST(InputDialogTest, OkGivesTheTextAndCancelNothing)
{
    std::string typed = "Violas";
    int answer = QDialog::Accepted;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(dialog));
        plat::ui::item<QLineEdit>(&dialog, MCInputDialog::kInput)->setText(QString::fromStdString(typed));
        if (answer == QDialog::Accepted)
            dialog.accept();
        else
            dialog.reject();
        return dialog.result();
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    MCInputDialog dialog("New Part", "Please enter a string in the field below", "&Name:");
    std::string text = "old";
    EXPECT_EQ(dialog.DoModalInput(text), QDialog::Accepted);
    EXPECT_EQ(text, "Violas");
    EXPECT_EQ(dialog.windowTitle(), "New Part");
    EXPECT_EQ(plat::ui::item<QLabel>(&dialog, MCInputDialog::kLabel)->text(), "&Name:");
    answer = QDialog::Rejected;
    EXPECT_EQ(dialog.DoModalInput(text), QDialog::Rejected);
    EXPECT_EQ(text, "");
}

}  // namespace

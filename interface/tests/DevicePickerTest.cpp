#include "interface/tests/WidgetTestSupport.h"

#include "interface/dialogs/MCDeviceProperties.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCDeviceDataExchange.h"
#include "interface/pickers/MCDeviceList.h"
#include "interface/pickers/MCInstrumentList.h"
#include "interface/pickers/MCInstrumentFiles.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/MessageLoop.h"
#include "platform/ui/dialog/ExchangeDialog.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "wavegate/tests/WavegateTestSupport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class DevicePickerTest : public WavegateTest {
protected:
    widgettest::ProfileFolder folder;

    void SetUp() override
    {
        InstallBackend(11, 2);
        Init(CWavegate::WG_INIT_MIDI);
    }
};

TEST_F(DevicePickerTest, DevicesAreLabelledByLetterAndNameOrMap)
{
    MCDeviceList list;
    list.SetType(MCDeviceLabels::midiOutInstruments, false);
    list.SetFormat(MCDeviceLabels::deviceNames, false);
    list.LoadDevices();
    ASSERT_EQ(list.count(), 11);
    EXPECT_EQ(list.item(0)->text(), "A)  Memory MIDI Out 1");
    EXPECT_EQ(list.item(10)->text(), "K)  Memory MIDI Out 11");
    EXPECT_EQ(list.GetSelectedDevice(), -1);

    SaveStringPreference("Sequencer\\Midi\\Play\\Devices\\1", "Drum Map", "My Kit");
    list.SetType(MCDeviceLabels::midiOutDrums, false);
    list.SetFormat(MCDeviceLabels::instrumentNames);
    EXPECT_EQ(list.item(0)->text(), "A)  General Midi Drums");
    EXPECT_EQ(list.item(1)->text(), "B)  My Kit");
    EXPECT_EQ(MCDeviceList::GetInstrument(1, 0), "General Midi");
    EXPECT_EQ(MCDeviceList::GetInstrument(3, 0), "");
    EXPECT_EQ(MCDeviceList::GetInstrumentFile(2, 0), MCInstrumentFiles::Folder() + "/General Midi Drums.INI");

    MCDeviceBox inputs;
    inputs.SetType(MCDeviceLabels::midiIn, false);
    inputs.SetFormat(MCDeviceLabels::instrumentNames, false);
    inputs.LoadDevices();
    ASSERT_EQ(inputs.count(), 2);
    EXPECT_EQ(inputs.itemText(1), "B)  Device Unavailable");
    inputs.SetFormat(MCDeviceLabels::deviceNames);
    EXPECT_EQ(inputs.itemText(1), "B)  Memory MIDI In 2");
    // Values outside the ranges are not taken.
    inputs.SetType(9);
    inputs.SetFormat(4);
    EXPECT_EQ(inputs.GetType(), MCDeviceLabels::midiIn);
    EXPECT_EQ(inputs.GetFormat(), MCDeviceLabels::deviceNames);
    // No wave devices in this manager.
    MCDeviceBox waves;
    waves.SetType(MCDeviceLabels::waveIn);
    EXPECT_EQ(waves.count(), 0);
    EXPECT_EQ(waves.GetSelectedDevice(), -1);
}

TEST_F(DevicePickerTest, TheContextMenuSwitchesLabelsKeepsTheSelectionAndIsRemembered)
{
    MCDeviceBox box;
    box.SetFormat(MCDeviceLabels::deviceNames, false);
    box.LoadDevices();
    box.SetSelectedDevice(4);
    int pick = MCDeviceLabels::kShowInstruments;
    std::vector<std::string> marks;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
        QAction* chosen = nullptr;
        for (QAction* action : menu.actions()) {
            marks.push_back(action->text().toStdString() + (action->isChecked() ? " *" : ""));
            if (action->data().toInt() == pick)
                chosen = action;
        }
        return chosen;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(&box, &request);
    EXPECT_EQ(marks, (std::vector<std::string>{"Display &Instrument Names", "Display &Device Names *"}));
    EXPECT_EQ(box.GetFormat(), MCDeviceLabels::instrumentNames);
    EXPECT_EQ(box.GetSelectedDevice(), 4);
    EXPECT_EQ(box.currentText(), "E)  General Midi");
    EXPECT_EQ(MCDeviceBox().GetFormat(), MCDeviceLabels::instrumentNames);
}

TEST_F(DevicePickerTest, DeviceSelectionsExchangeWithTheDialog)
{
    class Dialog : public plat::ui::ExchangeDialog {
    public:
        int out = 3, in = 1;

    protected:
        void doDataExchange(plat::ui::DataExchange& dx) override
        {
            DDX_MCDeviceBox(dx, 1, out);
            DDX_MCDeviceList(dx, 2, in);
        }
    } dialog;
    auto* layout = new QVBoxLayout(&dialog);
    for (const int id : {1, 2}) {
        auto* placeholder = new QLineEdit;
        plat::ui::setItemId(placeholder, id);
        layout->addWidget(placeholder);
    }
    auto* box = new MCDeviceBox;
    ASSERT_TRUE(box->SubclassDeviceBox(1, &dialog, MCDeviceLabels::midiOutInstruments, -1));
    auto* list = new MCDeviceList;
    ASSERT_TRUE(list->SubclassDeviceList(2, &dialog, MCDeviceLabels::midiIn, MCDeviceLabels::deviceNames));
    EXPECT_TRUE(dialog.updateData(false));
    EXPECT_EQ(box->GetSelectedDevice(), 3);
    EXPECT_EQ(list->GetSelectedDevice(), 1);
    list->SetSelectedDevice(7);
    EXPECT_TRUE(dialog.updateData(true));
    EXPECT_EQ(dialog.in, -1);
    EXPECT_EQ(dialog.out, 3);
}

TEST_F(DevicePickerTest, TheDevicePropertiesChooseTheMapsOfAnOutput)
{
    plat::ui::ModalHooks::Hooks hooks;
    bool ok = true;
    hooks.runDialog = [&](QDialog& shown) {
        auto* properties = static_cast<MCDeviceProperties*>(&shown);
        EXPECT_EQ(plat::ui::item<QLabel>(properties, MCDeviceProperties::kName)->text(), "Memory MIDI Out 3");
        auto* instruments = plat::ui::item<MCInstrumentList>(properties, MCDeviceProperties::kInstruments);
        EXPECT_EQ(instruments->GetSelectedInstrument(), "General Midi");
        auto* drums = plat::ui::item<MCInstrumentList>(properties, MCDeviceProperties::kDrums);
        EXPECT_EQ(drums->GetSelectedInstrument(), "General Midi Drums");
        shown.show();
        EXPECT_FALSE(widgettest::saveScreenshot(shown, "device-properties").empty());
        drums->clearSelection();
        drums->setCurrentItem(nullptr);
        if (ok)
            shown.accept();
        else
            shown.reject();
        return shown.result();
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    ok = false;
    EXPECT_EQ(MCDeviceProperties().DoDevice(2), QDialog::Rejected);
    EXPECT_EQ(MCDeviceList::GetInstrument(2, 2), "General Midi Drums");
    ok = true;
    MCDeviceProperties properties;
    EXPECT_EQ(properties.DoDevice(2), QDialog::Accepted);
    EXPECT_EQ(properties.VersionText(), "Driver Version 0.0");
    // No drum map chosen stores an empty name.
    EXPECT_EQ(MCDeviceList::GetInstrument(1, 2), "General Midi");
    EXPECT_EQ(MCDeviceList::GetInstrument(2, 2), "");
    EXPECT_EQ(MCDeviceProperties().DoDevice(40), QDialog::Rejected);
    plat::MessageLoop::current().pump();
}

}  // namespace

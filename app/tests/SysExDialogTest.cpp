#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CSysExDlg.h"
#include "app/dialogs/CSysExEditDlg.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/pickers/MCSysExList.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/media/Backend.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "wavegate/CMidiOut.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::vector<uint8_t> bytesOf(const FCMidiSysEx& message)
{
    if (!message.HasData())
        return {};
    return {message.GetSysExBuf(), message.GetSysExBuf() + message.GetSysExBufLength()};
}

class SysExDialogTest : public ConductorDialogTest {
protected:
    std::vector<ECSystemMessage*> messages() { return conductorChildren<ECSystemMessage>(); }

    static std::vector<uint8_t> bytesOf(ECSystemMessage* element)
    {
        auto* data = dynamic_cast<DCsqSysMsg*>(element->GetData(0, 0));
        return data ? ::bytesOf(data->GetSysExData()) : std::vector<uint8_t>();
    }

    ECSystemMessage* addSysEx(float time, const std::string& name, const std::string& hex)
    {
        auto* message = new ECSystemMessage;
        message->SetMessageName(name);
        const MCTime at(time);
        message->SetTime(&at);
        EXPECT_TRUE(staff()->AddChild(message, 1));
        FCMidiSysEx bytes;
        bytes.ConvertFromString(hex);
        if (auto* data = dynamic_cast<DCsqSysMsg*>(message->GetData(0, 1)))
            data->SetSysExData(bytes);
        return message;
    }

    template <class Control>
    static Control* item(QWidget& dialog, int id)
    {
        auto* control = plat::ui::item<Control>(&dialog, id);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
};

// A preset fills the name and the bytes; OK adds the message under the conductor staff at
// time zero, and one undo takes it away again.
TEST_F(SysExDialogTest, NewMessageFromPresetIsAddedAndUndone)
{
    CSysExEditDlg dialog(&doc, nullptr);
    dialog.show();
    dialog.OnPreset(CSysExEditDlg::kGMSystemOn);
    EXPECT_EQ(item<QLineEdit>(dialog, CSysExEditDlg::kName)->text(), "GM System On");
    EXPECT_EQ(item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->toPlainText(), "f0 7e 7f 09 01 f7 ");
    item<QLineEdit>(dialog, CSysExEditDlg::kName)->setText("Wake up");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(messages().size(), 1u);
    ECSystemMessage* added = messages()[0];
    EXPECT_EQ(added->GetMessageName(), "Wake up");
    EXPECT_EQ(*added->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(bytesOf(added), (std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_TRUE(doc.IsModified());
    std::string undo;
    performance()->GetUndoString(undo, -1);
    EXPECT_EQ(undo, "New SysEx Message");
    performance()->Undo(1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(SysExDialogTest, PresetsGiveTheStandardMessages)
{
    const struct {
        int command;
        const char* name;
        const char* text;
    } cases[] = {
        {CSysExEditDlg::kSysExMessage, "Sys Ex Message", "f0 f7 "},
        {CSysExEditDlg::kGMSystemOff, "GM System Off", "f0 7e 7f 09 02 f7 "},
        {CSysExEditDlg::kGSReset, "GS Reset", "f0 41 10 42 12 40 00 7f 00 41 f7 "},
        {CSysExEditDlg::kXGSystemOn, "XG System On", "f0 43 10 4c 00 00 7e 00 f7 "},
    };
    CSysExEditDlg dialog(&doc, nullptr);
    for (const auto& c : cases) {
        dialog.OnPreset(c.command);
        EXPECT_EQ(dialog.GetName(), c.name);
        EXPECT_EQ(dialog.GetDataText(), c.text);
    }
}

// Text that gives no bytes keeps the editor open with the focus on the bytes, and adds nothing.
TEST_F(SysExDialogTest, TextWithoutBytesKeepsTheEditorOpen)
{
    for (const char* text : {"", " , ", "f0 zz f7", "f0 123 f7"}) {
        SCOPED_TRACE(text);
        CSysExEditDlg dialog(&doc, nullptr);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->setPlainText(text);
        item<QLineEdit>(dialog, CSysExEditDlg::kName)->setFocus();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), plat::ui::itemWidget(&dialog, CSysExEditDlg::kData));
        EXPECT_TRUE(messages().empty());
    }
}

// Bytes on several lines, or set apart by tabs, make one message, on OK and on export alike.
TEST_F(SysExDialogTest, BytesOnSeveralLinesMakeOneMessage)
{
    plat::ui::ModalHooks::Hooks hooks;
    hooks.chooseFile = [this](const plat::ui::ModalHooks::FileRequest&) {
        return std::optional<std::string>(File("lines.syx"));
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    const std::vector<uint8_t> expected{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    CSysExEditDlg dialog(&doc, nullptr);
    dialog.show();
    item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->setPlainText("f0 7e 7f\n09\t01\r\nf7\n");
    dialog.OnExport();
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(documenttest::readFile(File("lines.syx")), expected);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(bytesOf(messages()[0]), expected);
}

// An edit moves, renames and re-fills the message in one step, which one undo takes back.
TEST_F(SysExDialogTest, EditChangesTimeNameAndBytesWithUndo)
{
    ECSystemMessage* message = addSysEx(2.0f, "Old", "f0 01 f7");
    CSysExEditDlg dialog(&doc, message);
    EXPECT_EQ(item<QLineEdit>(dialog, CSysExEditDlg::kName)->text(), "Old");
    EXPECT_EQ(item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->toPlainText(), "f0 01 f7 ");
    EXPECT_EQ(item<MCTimeEdit>(dialog, CSysExEditDlg::kTime)->GetTimeValue(), MCTime(2.0f));
    EXPECT_FALSE(item<QCheckBox>(dialog, CSysExEditDlg::kPrestart)->isChecked());
    item<QLineEdit>(dialog, CSysExEditDlg::kName)->setText("New");
    item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->setPlainText("F0,2,3 f7");
    item<MCTimeEdit>(dialog, CSysExEditDlg::kTime)->SetTimeValue(MCTime(5.0f));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(message->GetMessageName(), "New");
    EXPECT_EQ(*message->GetTime(), MCTime(5.0f));
    EXPECT_EQ(bytesOf(message), (std::vector<uint8_t>{0xF0, 0x02, 0x03, 0xF7}));
    performance()->Undo(1);
    EXPECT_EQ(message->GetMessageName(), "Old");
    EXPECT_EQ(*message->GetTime(), MCTime(2.0f));
    EXPECT_EQ(bytesOf(message), (std::vector<uint8_t>{0xF0, 0x01, 0xF7}));
}

TEST_F(SysExDialogTest, PrestartCheckTakesTheTimeAway)
{
    CSysExEditDlg dialog(&doc, nullptr);
    auto* check = item<QCheckBox>(dialog, CSysExEditDlg::kPrestart);
    auto* time = item<MCTimeEdit>(dialog, CSysExEditDlg::kTime);
    check->click();
    EXPECT_EQ(dialog.GetTime(), MCTime::TimeNull());
    EXPECT_FALSE(time->isEnabled());
    check->click();
    EXPECT_EQ(dialog.GetTime(), MCTime::TimeZero());
    EXPECT_TRUE(time->isEnabled());

    ECSystemMessage* prestart = addSysEx(-2.0f, "Early", "f0 f7");
    CSysExEditDlg editor(&doc, prestart);
    EXPECT_TRUE(item<QCheckBox>(editor, CSysExEditDlg::kPrestart)->isChecked());
    EXPECT_FALSE(item<MCTimeEdit>(editor, CSysExEditDlg::kTime)->isEnabled());
}

// Import takes any file as the bytes of one message named after the file; export writes the
// bytes back; a text without bytes or a missing file is reported with its cause.
TEST_F(SysExDialogTest, ImportAndExportThroughFiles)
{
    std::optional<std::string> chosen;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.chooseFile = [&chosen](const plat::ui::ModalHooks::FileRequest& request) {
        EXPECT_EQ(request.filter, "SysEx binaries (*.syx);;All Files (*)");
        return chosen;
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    const std::vector<uint8_t> raw{'a', 'b', 0x00, 0xFF};
    documenttest::writeFile(File("patch.syx"), raw);

    CSysExEditDlg dialog(&doc, nullptr);
    chosen = File("patch.syx");
    dialog.OnImport();
    EXPECT_EQ(item<QLineEdit>(dialog, CSysExEditDlg::kName)->text(), "patch");
    EXPECT_EQ(item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->toPlainText(), "61 62 00 ff ");
    EXPECT_EQ(dialog.GetTime(), MCTime::TimeZero());

    chosen = File("copy");
    dialog.OnExport();
    EXPECT_EQ(documenttest::readFile(File("copy.syx")), raw);
    EXPECT_TRUE(m_prompts.Texts().empty());

    item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->setPlainText("not hex");
    chosen = File("copy.syx");
    dialog.OnExport();
    EXPECT_EQ(documenttest::readFile(File("copy.syx")), raw);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0],
              "There was an unexpected error while saving sysex binary.\nError code: " + std::to_string(EINVAL));

    chosen = File("missing.syx");
    dialog.OnImport();
    ASSERT_EQ(m_prompts.Texts().size(), 2u);
    EXPECT_EQ(m_prompts.Texts()[1],
              "There was an unexpected error while reading sysex binary.\nError code: " + std::to_string(ENOENT));
    EXPECT_EQ(m_prompts.Icons()[1], plat::UserPrompt::Icon::warning);
    EXPECT_EQ(item<QPlainTextEdit>(dialog, CSysExEditDlg::kData)->toPlainText(), "not hex");

    dialog.OnPreset(CSysExEditDlg::kXGSystemOn);
    dialog.resize(480, 300);
    apptest::saveScreenshot(dialog, "sysex-editor.png");
}

// The pre-start messages, top to bottom, as the list shows them, with their times.
std::vector<std::pair<std::string, float>> prestartOrder(CSysExDlg& dialog)
{
    std::vector<std::pair<std::string, float>> order;
    auto* list = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kPrestartList);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        auto* message = dynamic_cast<ECSystemMessage*>(list->GetEvent(row));
        order.emplace_back(message->GetMessageName(), message->GetTime()->GetSeconds());
    }
    return order;
}

// Moving a pre-start message re-times the whole sequence to -n .. -1 in its new order; the
// first cannot go up nor the last down, and the move is one undo step.
TEST_F(SysExDialogTest, MovingPrestartMessagesRetimesTheSequence)
{
    addSysEx(-7.0f, "A", "f0 01 f7");
    ECSystemMessage* b = addSysEx(-5.0f, "B", "f0 02 f7");
    ECSystemMessage* c = addSysEx(-0.5f, "C", "f0 03 f7");
    addSysEx(1.0f, "Later", "f0 04 f7");
    CSysExDlg dialog(&doc);
    dialog.show();
    auto* list = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kPrestartList);
    using Order = std::vector<std::pair<std::string, float>>;
    EXPECT_EQ(prestartOrder(dialog), (Order{{"A", -7.0f}, {"B", -5.0f}, {"C", -0.5f}}));

    list->SelectEvent(c);
    plat::ui::item<QAbstractButton>(&dialog, CSysExDlg::kMoveUp)->click();
    EXPECT_EQ(prestartOrder(dialog), (Order{{"A", -3.0f}, {"C", -2.0f}, {"B", -1.0f}}));
    EXPECT_EQ(list->topLevelItem(1)->isSelected(), true);
    EXPECT_TRUE(doc.IsModified());

    list->SelectEvent(b);
    dialog.OnMoveDown();
    EXPECT_EQ(prestartOrder(dialog), (Order{{"A", -3.0f}, {"C", -2.0f}, {"B", -1.0f}}));
    list->SelectEvent(list->GetEvent(0));
    dialog.OnMoveUp();
    EXPECT_EQ(prestartOrder(dialog), (Order{{"A", -3.0f}, {"C", -2.0f}, {"B", -1.0f}}));

    list->SelectEvent(c);
    dialog.OnMoveUp();
    EXPECT_EQ(prestartOrder(dialog), (Order{{"C", -3.0f}, {"A", -2.0f}, {"B", -1.0f}}));
    performance()->Undo(1);
    dialog.RefreshLists();
    EXPECT_EQ(prestartOrder(dialog), (Order{{"A", -3.0f}, {"C", -2.0f}, {"B", -1.0f}}));
    auto* normal = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kList);
    ASSERT_EQ(normal->topLevelItemCount(), 1);
    EXPECT_EQ(normal->topLevelItem(0)->text(0), "Later");
    dialog.resize(520, 420);
    apptest::saveScreenshot(dialog, "sysex-messages.png");
}

// New and Edit run the editor (through the dialog hook) and show the result in the lists; Edit
// and Remove act on the list that last had the focus; Remove asks first and does nothing
// without consent or without a selection.
TEST_F(SysExDialogTest, NewEditAndRemoveFromTheLists)
{
    ECSystemMessage* early = addSysEx(-1.0f, "Early", "f0 01 f7");
    DialogAnswers dialogs;
    auto& answer = dialogs.answer;
    const int& runs = dialogs.runs;
    CSysExDlg dialog(&doc);
    dialog.show();
    auto* prestart = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kPrestartList);
    auto* normal = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kList);

    answer = [](QDialog& editor) {
        plat::ui::item<QLineEdit>(&editor, CSysExEditDlg::kName)->setText("Reset");
        plat::ui::item<QPlainTextEdit>(&editor, CSysExEditDlg::kData)->setPlainText("f0 7e 7f 09 01 f7");
        editor.accept();
    };
    dialog.OnNew();
    ASSERT_EQ(normal->topLevelItemCount(), 1);
    EXPECT_EQ(normal->topLevelItem(0)->text(0), "Reset");

    answer = [](QDialog& editor) {
        EXPECT_EQ(plat::ui::item<QLineEdit>(&editor, CSysExEditDlg::kName)->text(), "Early");
        plat::ui::item<QLineEdit>(&editor, CSysExEditDlg::kName)->setText("First");
        editor.accept();
    };
    dialog.OnEdit();
    EXPECT_EQ(runs, 1) << "nothing selected: no editor";
    QApplication::setActiveWindow(&dialog);
    prestart->SelectEvent(early);
    EXPECT_EQ(dialog.GetActiveList(), prestart);
    dialog.OnEdit();
    EXPECT_EQ(early->GetMessageName(), "First");
    EXPECT_EQ(prestart->topLevelItem(0)->text(0), "First");

    answer = [](QDialog& warning) { warning.reject(); };
    QApplication::setActiveWindow(&dialog);
    normal->SelectEvent(normal->GetEvent(0));
    EXPECT_EQ(dialog.GetActiveList(), normal);
    const int before = runs;
    dialog.OnRemove();
    EXPECT_EQ(runs, before + 1);
    EXPECT_EQ(messages().size(), 2u);
    answer = [](QDialog& warning) {
        EXPECT_NE(dynamic_cast<MCWarnDialog*>(&warning), nullptr);
        warning.accept();
    };
    dialog.OnRemove();
    EXPECT_EQ(normal->topLevelItemCount(), 0);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], early);
    normal->clearSelection();
    dialog.OnRemove();
    EXPECT_EQ(messages().size(), 1u);
}

// The removal cannot be undone, so the history of the messages goes with it: undoing what came
// before must not run on a message that is gone, and redoing its creation must not bring it back.
TEST_F(SysExDialogTest, RemovedMessageStaysRemovedThroughUndoAndRedo)
{
    DialogAnswers dialogs;
    auto& answer = dialogs.answer;
    CSysExDlg dialog(&doc);
    dialog.show();
    auto* normal = plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kList);
    answer = [](QDialog& editor) {
        plat::ui::item<QPlainTextEdit>(&editor, CSysExEditDlg::kData)->setPlainText("f0 7e 7f 09 01 f7");
        editor.accept();
    };
    dialog.OnNew();
    answer = [](QDialog& editor) {
        plat::ui::item<QLineEdit>(&editor, CSysExEditDlg::kName)->setText("Renamed");
        editor.accept();
    };
    QApplication::setActiveWindow(&dialog);
    normal->SelectEvent(normal->GetEvent(0));
    dialog.OnEdit();
    ASSERT_EQ(messages().size(), 1u);
    ASSERT_EQ(performance()->GetUndoCount(), 2);

    answer = [](QDialog& warning) { warning.accept(); };
    normal->SelectEvent(normal->GetEvent(0));
    dialog.OnRemove();
    ASSERT_TRUE(messages().empty());
    EXPECT_EQ(performance()->GetUndoCount(), 0);
    performance()->Undo(2);
    EXPECT_TRUE(messages().empty());
    performance()->Redo(2);
    EXPECT_TRUE(messages().empty());
}

// Send Now puts each selected playing message on every MIDI output, queued for the next slice
// of the driver; unselected ones stay home. Send Pre-Start sends the pre-start sequence.
TEST_F(SysExDialogTest, SendNowReachesEveryMidiOutput)
{
    auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
    plat::media::ManualTimerService* clock = timers.get();
    auto memory = std::make_unique<plat::media::MemoryProvider>(*clock, 3, 0);
    plat::media::MemoryProvider* outputs = memory.get();
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    providers.push_back(std::move(memory));
    auto previous = plat::media::Backend::install(
        std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
    {
        CWavegate wavegate;
        ASSERT_EQ(wavegate.Initialize(CWavegate::WG_INIT_MIDI), 1);
        wavegate.OpenDevices();
        ASSERT_EQ(wavegate.StartDevices(), 1);
        addSysEx(-1.0f, "Early", "f0 01 f7");
        ECSystemMessage* chosen = addSysEx(1.0f, "Chosen", "f0 7e 7f 09 01 f7");
        addSysEx(2.0f, "Other", "f0 02 f7");
        CSysExDlg dialog(&doc);
        dialog.show();
        plat::ui::item<MCSysExList>(&dialog, CSysExDlg::kList)->SelectEvent(chosen);
        plat::ui::item<QAbstractButton>(&dialog, CSysExDlg::kSendNow)->click();
        for (int step = 0; step < 40; ++step) {
            clock->advance(10);
            wavegate.SyncDriverThread();
            for (int i = 0; i < 3; ++i)
                static_cast<CMidiOut*>(wavegate.GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, i))->Sync();
        }
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto played = outputs->midiOut(i).played();
            ASSERT_EQ(played.size(), 1u);
            EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
        }
        plat::ui::item<QAbstractButton>(&dialog, CSysExDlg::kSendPrestart)->click();
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto played = outputs->midiOut(i).played();
            ASSERT_EQ(played.size(), 2u);
            EXPECT_EQ(played[1].bytes, (std::vector<uint8_t>{0xF0, 0x01, 0xF7}));
        }
    }
    plat::media::Backend::install(std::move(previous));
}

}  // namespace

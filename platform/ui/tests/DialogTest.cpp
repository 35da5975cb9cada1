#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ExchangeDialog.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/dialog/PropertyPage.h"
#include "platform/ui/dialog/PropertySheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plat::ui {
namespace {

// A dialog of the usual kinds of control, each with its id, exchanged with plain members.
class SampleDialog : public ExchangeDialog {
public:
    static constexpr int kName = 1001, kCount = 1002, kLoop = 1003, kFirst = 1004, kSecond = 1005, kKind = 1006;

    std::string name = "Melody";
    int count = 4;
    int loop = 1;
    int mode = 1;
    int kind = 2;

    SampleDialog()
    {
        setWindowTitle("Sample");
        auto* layout = new QFormLayout(this);
        const auto add = [&](QWidget* control, int id, const char* label) {
            setItemId(control, id);
            layout->addRow(label, control);
        };
        add(new QLineEdit, kName, "Name");
        add(new QLineEdit, kCount, "Count");
        add(new QCheckBox, kLoop, "Loop");
        auto* group = new QButtonGroup(this);
        for (const int id : {kFirst, kSecond}) {
            auto* radio = new QRadioButton;
            group->addButton(radio);
            add(radio, id, "Mode");
        }
        auto* combo = new QComboBox;
        combo->addItems({"a", "b", "c"});
        add(combo, kKind, "Kind");
    }

protected:
    void doDataExchange(DataExchange& dx) override
    {
        dx.text(kName, name);
        dx.maxChars(name, 8);
        dx.integer(kCount, count);
        dx.range(count, 1, 16);
        dx.check(kLoop, loop);
        dx.radio(kFirst, mode);
        dx.comboIndex(kKind, kind);
    }
};

class DialogTest : public testing::Test {
protected:
    std::vector<UserPrompt::Message> prompts;
    UserPrompt::ScopedHook hook{[this](const UserPrompt::Message& message) {
        prompts.push_back(message);
        return UserPrompt::Answer::ok;
    }};
};

TEST_F(DialogTest, ControlsAreLoadedAndSavedByItemId)
{
    SampleDialog dialog;
    dialog.show();
    EXPECT_EQ(item<QLineEdit>(&dialog, SampleDialog::kName)->text(), "Melody");
    EXPECT_EQ(item<QLineEdit>(&dialog, SampleDialog::kCount)->text(), "4");
    EXPECT_TRUE(item<QCheckBox>(&dialog, SampleDialog::kLoop)->isChecked());
    EXPECT_TRUE(item<QRadioButton>(&dialog, SampleDialog::kSecond)->isChecked());
    EXPECT_EQ(item<QComboBox>(&dialog, SampleDialog::kKind)->currentIndex(), 2);
    EXPECT_EQ(item<QCheckBox>(&dialog, SampleDialog::kName), nullptr);

    item<QLineEdit>(&dialog, SampleDialog::kName)->setText("Bass");
    item<QLineEdit>(&dialog, SampleDialog::kCount)->setText(" 12 ");
    item<QCheckBox>(&dialog, SampleDialog::kLoop)->setChecked(false);
    item<QRadioButton>(&dialog, SampleDialog::kFirst)->setChecked(true);
    item<QComboBox>(&dialog, SampleDialog::kKind)->setCurrentIndex(-1);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name, "Bass");
    EXPECT_EQ(dialog.count, 12);
    EXPECT_EQ(dialog.loop, 0);
    EXPECT_EQ(dialog.mode, 0);
    EXPECT_EQ(dialog.kind, -1);
    EXPECT_TRUE(prompts.empty());
}

TEST_F(DialogTest, AFailingValidationNamesItsControlAndKeepsTheDialogOpen)
{
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {SampleDialog::kCount, "12x", "Enter a whole number."},
        {SampleDialog::kCount, "", "Enter a whole number."},
        {SampleDialog::kCount, "99999999999", "Enter a whole number."},
        {SampleDialog::kCount, "17", "Enter a whole number from 1 to 16."},
        {SampleDialog::kName, "A long name", "Enter no more than 8 characters."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        prompts.clear();
        SampleDialog dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* edit = item<QLineEdit>(&dialog, c.id);
        edit->setText(c.text);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, c.message);
        EXPECT_EQ(prompts[0].caption, "Sample");
        EXPECT_EQ(QApplication::focusWidget(), edit);
        EXPECT_EQ(edit->selectedText(), QString(c.text));
    }
}

class CountPage : public PropertyPage {
public:
    int value = 3;
    int applied = 0;
    int resets = 0;

    CountPage()
    {
        auto* edit = new QLineEdit(this);
        setItemId(edit, 7);
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(); });
    }
    bool onApply() override
    {
        ++applied;
        return PropertyPage::onApply();
    }
    void onReset() override { ++resets; }

protected:
    void doDataExchange(DataExchange& dx) override
    {
        dx.integer(7, value);
        dx.range(value, 0, 9);
    }
};

TEST_F(DialogTest, SheetAppliesChangedPagesAndKeepsTheUserOnAFailingOne)
{
    PropertySheet sheet("Options");
    auto* first = new CountPage;
    auto* second = new CountPage;
    // A page titles itself with its tab's mnemonic, as the inspector's pages do.
    first->setWindowTitle("&First");
    sheet.addPage(first, "&First");
    sheet.addPage(second, "Second");
    sheet.show();
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    EXPECT_TRUE(first->wasShown());
    EXPECT_FALSE(second->wasShown());

    auto* edit = item<QLineEdit>(first, 7);
    EXPECT_EQ(edit->text(), "3");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "12");
    EXPECT_TRUE(sheet.applyButton()->isEnabled());
    // Leaving a page that does not validate keeps the user on it.
    EXPECT_FALSE(sheet.setActivePage(1));
    EXPECT_EQ(sheet.activePage(), first);
    ASSERT_EQ(prompts.size(), 1u);
    // The page's message names it as its tab reads, without the mnemonic's mark.
    EXPECT_EQ(prompts[0].caption, "First");

    edit->setText("5");
    EXPECT_TRUE(sheet.setActivePage(1));
    EXPECT_TRUE(second->wasShown());
    QTest::mouseClick(sheet.applyButton(), Qt::LeftButton);
    EXPECT_EQ(first->value, 5);
    EXPECT_EQ(first->applied, 1);
    EXPECT_EQ(second->applied, 1);
    EXPECT_FALSE(sheet.applyButton()->isEnabled());

    sheet.reject();
    EXPECT_EQ(first->resets, 1);
    EXPECT_EQ(second->resets, 1);
}

TEST_F(DialogTest, ModalHooksAnswerForTheUserAndNest)
{
    std::vector<std::string> asked;
    ModalHooks::Hooks outerHooks;
    outerHooks.chooseFile = [&](const ModalHooks::FileRequest& request) {
        asked.push_back(request.caption);
        return std::optional<std::string>("/tmp/a.wav");
    };
    outerHooks.openUrl = [&](const std::string& address) {
        asked.push_back(address);
        return true;
    };
    ModalHooks::Hooks innerHooks;
    innerHooks.runDialog = [&](QDialog& dialog) {
        asked.push_back(dialog.windowTitle().toStdString());
        return int(QDialog::Rejected);
    };
    {
        const ModalHooks::Scoped outer(outerHooks);
        {
            const ModalHooks::Scoped inner(innerHooks);
            SampleDialog dialog;
            EXPECT_EQ(ModalHooks::runDialog(dialog), QDialog::Rejected);
            ModalHooks::FileRequest request;
            request.caption = "Open Wave";
            EXPECT_EQ(ModalHooks::chooseFile(request), "/tmp/a.wav");
        }
        EXPECT_TRUE(ModalHooks::openUrl("https://example.org/"));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"Sample", "Open Wave", "https://example.org/"}));
}

TEST_F(DialogTest, MessageBoxesRunThroughTheDialogHook)
{
    const UserPrompt::Hook previous = UserPrompt::setHook({});
    ModalHooks::installMessageBoxes();
    std::string shown;
    ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        auto* box = static_cast<QMessageBox*>(&dialog);
        shown = box->text().toStdString();
        box->button(QMessageBox::No)->click();
        return 0;
    };
    {
        const ModalHooks::Scoped scoped(hooks);
        UserPrompt::Message message;
        message.caption = "Quavix";
        message.text = "Save changes?";
        message.buttons = UserPrompt::Buttons::yesNoCancel;
        EXPECT_EQ(UserPrompt::ask(message), UserPrompt::Answer::no);
    }
    EXPECT_EQ(shown, "Save changes?");
    UserPrompt::setHook(previous);
}

}  // namespace
}  // namespace plat::ui

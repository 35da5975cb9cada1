#include "TempoPagesTestSupport.h"

#include "inspector/pages/PCsqSysEx.h"
#include "interface/controls/MCTimeEdit.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <functional>

namespace {

using namespace tempopagestest;

class SysExPageTest : public ConductorPageTest {
protected:
    void SetUp() override
    {
        ConductorPageTest::SetUp();
        a = AddSysEx(1.0f, "Reset", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
        b = AddSysEx(2.0f, "Volume", {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x40, 0xF7});
        doc.SetModifiedFlag(0);
    }
    QLineEdit* Name() { return plat::ui::item<QLineEdit>(&page, PCsqSysEx::IDC_NAME); }
    MCTimeEdit* Time() { return plat::ui::item<MCTimeEdit>(&page, PCsqSysEx::IDC_TIME); }
    QPlainTextEdit* Data() { return plat::ui::item<QPlainTextEdit>(&page, PCsqSysEx::IDC_DATA); }
    // Types into the data box as the user does: a change of the box's text.
    void TypeData(const QString& text)
    {
        Data()->selectAll();
        Data()->insertPlainText(text);
    }

    ECSystemMessage* a = nullptr;
    ECSystemMessage* b = nullptr;
    PCsqSysEx page;
};

TEST_F(SysExPageTest, OneMessageShowsItsFieldsAndBytesInTheFixedPitchFont)
{
    Show(page, {a});
    EXPECT_EQ(Name()->text(), "Reset");
    EXPECT_EQ(Data()->toPlainText(), "f0 7e 7f 09 01 f7 ");
    EXPECT_FALSE(Time()->GetIndeterminate());
    EXPECT_EQ(Time()->GetTimeValue(), MCTime(1.0f));
    EXPECT_EQ(Data()->font(), page.GetDataFont());
    EXPECT_TRUE(QFontInfo(Data()->font()).fixedPitch());
    EXPECT_EQ(page.GetNameState(), PCsqSysEx::stateCommon);
    EXPECT_EQ(page.GetDataState(), PCsqSysEx::stateCommon);
    EXPECT_EQ(page.GetTimeState(), PCsqSysEx::stateCommon);
    // Loading is not an edit.
    EXPECT_FALSE(page.IsModified());
}

TEST_F(SysExPageTest, FieldsMergeOverTheSelection)
{
    ECSystemMessage* same = AddSysEx(2.0f, "Reset", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    struct Case {
        const char* what;
        std::vector<ECBase*> selected;
        PCsqSysEx::FieldState name, time, data;
        const char* nameText;
        const char* dataText;
    };
    const Case cases[] = {
        {"all differ", {a, b}, PCsqSysEx::stateMixed, PCsqSysEx::stateMixed, PCsqSysEx::stateMixed, "", ""},
        {"same name and bytes", {a, same}, PCsqSysEx::stateCommon, PCsqSysEx::stateMixed, PCsqSysEx::stateCommon,
         "Reset", "f0 7e 7f 09 01 f7 "},
        {"same time only", {b, same}, PCsqSysEx::stateMixed, PCsqSysEx::stateCommon, PCsqSysEx::stateMixed, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Show(page, c.selected);
        EXPECT_EQ(page.GetNameState(), c.name);
        EXPECT_EQ(page.GetTimeState(), c.time);
        EXPECT_EQ(page.GetDataState(), c.data);
        EXPECT_EQ(Name()->text(), c.nameText);
        EXPECT_EQ(Data()->toPlainText(), c.dataText);
        EXPECT_EQ(Time()->GetIndeterminate(), c.time == PCsqSysEx::stateMixed);
        EXPECT_EQ(Time()->text().isEmpty(), c.time == PCsqSysEx::stateMixed);
        EXPECT_FALSE(page.IsModified());
    }
}

TEST_F(SysExPageTest, ApplyEditsOnlyTheChangedFieldsInOneUndoStep)
{
    const std::vector<unsigned char> bytesA = Bytes(a), bytesB = Bytes(b);
    struct Case {
        const char* what;
        std::function<void()> edit;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"a new name for both",
         [&] { QTest::keyClicks(Name(), "Init"); },
         [&] {
             EXPECT_EQ(a->GetMessageName(), "Init");
             EXPECT_EQ(b->GetMessageName(), "Init");
             EXPECT_EQ(Bytes(a), bytesA);
             EXPECT_EQ(Bytes(b), bytesB);
             EXPECT_EQ(*a->GetTime(), MCTime(1.0f));
         }},
        {"a new time keeps both messages' bytes",
         [&] {
             Time()->SetIndeterminate(false);
             Time()->SetTimeValue(MCTime(3.0f));
             Time()->OnChange();
         },
         [&] {
             EXPECT_EQ(*a->GetTime(), MCTime(3.0f));
             EXPECT_EQ(*b->GetTime(), MCTime(3.0f));
             EXPECT_EQ(Bytes(a), bytesA);
             EXPECT_EQ(Bytes(b), bytesB);
             EXPECT_EQ(a->GetMessageName(), "Reset");
         }},
        {"nine bytes separated by commas",
         [&] { TypeData("f0,41,10,42,12,40,00,7f,f7"); },
         [&] {
             const std::vector<unsigned char> nine{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0xF7};
             EXPECT_EQ(Bytes(a), nine);
             EXPECT_EQ(Bytes(b), nine);
             EXPECT_EQ(a->GetMessageName(), "Reset");
         }},
        {"the same bytes separated by blanks",
         [&] { TypeData("f0 41 10 42 12 40 00 7f f7"); },
         [&] {
             EXPECT_EQ(Bytes(a).size(), 9u);
             EXPECT_EQ(Bytes(a)[1], 0x41);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Show(page, {a, b});
        c.edit();
        EXPECT_TRUE(page.IsModified());
        ASSERT_TRUE(page.onApply());
        c.check();
        EXPECT_FALSE(page.IsModified());
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(UndoTitle(), "Undo Edit System Message");
        doc.OnEditUndo();
        EXPECT_EQ(a->GetMessageName(), "Reset");
        EXPECT_EQ(b->GetMessageName(), "Volume");
        EXPECT_EQ(*a->GetTime(), MCTime(1.0f));
        EXPECT_EQ(*b->GetTime(), MCTime(2.0f));
        EXPECT_EQ(Bytes(a), bytesA);
        EXPECT_EQ(Bytes(b), bytesB);
        EXPECT_EQ(UndoTitle(), "");
        doc.SetModifiedFlag(0);
    }
}

TEST_F(SysExPageTest, BytesThatCannotBeReadAreRefusedAndNothingIsApplied)
{
    const std::vector<unsigned char> bytesA = Bytes(a);
    for (const char* typed : {"f0 7g f7", "f0 100 f7", "", " , "}) {
        SCOPED_TRACE(typed);
        Show(page, {a});
        QTest::keyClicks(Name(), "X");
        TypeData(typed);
        m_prompts.Clear();
        EXPECT_FALSE(page.onApply());
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0], "Enter the message as hexadecimal bytes from 00 to ff, separated by blanks or commas.");
        EXPECT_TRUE(page.IsModified());
        EXPECT_EQ(Bytes(a), bytesA);
        EXPECT_EQ(a->GetMessageName(), "Reset");
        EXPECT_EQ(UndoTitle(), "");
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST_F(SysExPageTest, Screenshot)
{
    Show(page, {a, b});
    QTest::keyClicks(Name(), "Setup");
    page.resize(page.sizeHint().expandedTo(QSize(320, 240)));
    page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-sysex-mixed").empty());
    Show(page, {a});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-sysex").empty());
}

}  // namespace

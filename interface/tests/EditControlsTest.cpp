#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCCheckBox.h"
#include "interface/controls/MCCheckList.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/core/ColorWellButton.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCStaticEdit.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/timer/UiTimers.h"

#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Notices = std::vector<std::pair<int, int>>;

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    Notices notices;
    std::vector<QEvent::Type> mouse;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }

protected:
    void mousePressEvent(QMouseEvent* event) override { mouse.push_back(event->type()); }
    void mouseReleaseEvent(QMouseEvent* event) override { mouse.push_back(event->type()); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { mouse.push_back(event->type()); }
};

TEST(CheckListTest, LabelClicksAndTheSpaceBarToggle)
{
    NoticeWindow window;
    auto* list = new MCCheckList(&window);
    ASSERT_TRUE(list->Create(&window, 1400, 1));
    list->resize(200, 120);
    for (const char* name : {"Melody", "Bass", "Drums", "Strings"})
        list->InsertItem(-1, name);
    window.show();
    EXPECT_EQ(list->headerItem()->text(0), "Items");
    EXPECT_FALSE(list->GetCheck(0));
    EXPECT_EQ(list->GetStateImage(0), MCCheckList::kUnchecked);
    list->SetStateImage(3, MCCheckList::kNoBox);
    EXPECT_FALSE(list->GetCheck(3));

    // A click on the label toggles and selects; one far right of the text does not toggle.
    const QRect bass = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(bass.left() + 30, bass.center().y()));
    EXPECT_TRUE(list->GetCheck(1));
    EXPECT_TRUE(list->topLevelItem(1)->isSelected());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(bass.right() - 2, bass.center().y()));
    EXPECT_TRUE(list->GetCheck(1));

    // Space toggles only the first selected row.
    list->topLevelItem(0)->setSelected(false);
    list->topLevelItem(1)->setSelected(false);
    list->topLevelItem(2)->setSelected(true);
    list->topLevelItem(3)->setSelected(true);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(list->GetCheck(2));
    EXPECT_FALSE(list->GetCheck(3));
    list->ToggleCheck(2);
    EXPECT_FALSE(list->GetCheck(2));
    list->SetCheck(0, true);
    EXPECT_FALSE(widgettest::saveScreenshot(*list, "check-list").empty());

    // Without boxes the rows have none.
    MCCheckList plain;
    plain.InitWindow(0);
    plain.InsertItem(0, "One");
    EXPECT_EQ(plain.GetStateImage(0), MCCheckList::kNoBox);
}

class SpinEditTest : public testing::Test {
protected:
    NoticeWindow window;
    MCSpinEdit* edit = nullptr;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        auto* placeholder = new QLineEdit;
        plat::ui::setItemId(placeholder, 1500);
        layout->addWidget(placeholder);
        edit = new MCSpinEdit;
        ASSERT_TRUE(edit->SubclassSpinEdit(1500, &window, MCSpinEdit::kVisibleSpin));
        window.show();
        edit->setFocus();
    }
};

TEST_F(SpinEditTest, OnlyTheEditWithTheFocusShowsItsSelectionAndItsOwnTextColourStays)
{
    auto* other = new MCSpinEdit(&window);
    window.layout()->addWidget(other);
    QPalette red = other->palette();
    red.setColor(QPalette::Active, QPalette::Text, Qt::red);
    other->setPalette(red);
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    other->SetValue(12);
    other->selectAll();
    ASSERT_TRUE(other->hasSelectedText());

    const auto showsSelection = [](const MCSpinEdit* e) {
        const QPalette colours = e->palette();
        return colours.color(QPalette::Active, QPalette::Highlight) != colours.color(QPalette::Active, QPalette::Base);
    };
    EXPECT_FALSE(showsSelection(other)) << "selected, but without the focus";
    other->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(other->hasFocus());
    EXPECT_TRUE(showsSelection(other));
    EXPECT_FALSE(showsSelection(edit));
    EXPECT_EQ(other->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::red));
}

TEST_F(SpinEditTest, TheMinusSignOnlyWhereTheRangeGoesBelowZeroAndOtherCharactersDropped)
{
    edit->SetRange(-10, 10);
    edit->SetValue(0);
    edit->selectAll();
    QTest::keyClicks(edit, "-7");
    EXPECT_EQ(edit->text(), "-7");
    EXPECT_EQ(edit->GetValue(), -7);

    edit->SetRange(0, 10);
    edit->SetValue(3);
    edit->selectAll();
    QTest::keyClicks(edit, "-x8a");
    EXPECT_EQ(edit->text(), "8");
    EXPECT_EQ(edit->GetValue(), 8);
    // A change per accepted character.
    EXPECT_EQ(std::count(window.notices.begin(), window.notices.end(), std::make_pair(1500, 0x30B0)), 3);
}

TEST_F(SpinEditTest, TextThatIsNotAWholeNumberInRangeIsNotTaken)
{
    edit->SetRange(1, 999);
    edit->SetValue(5);
    for (const char* text : {"", "1.5", "1000", "12-", "0"}) {
        SCOPED_TRACE(text);
        edit->setText(text);
        edit->OnChange();
        EXPECT_EQ(edit->GetValue(), 5);
        EXPECT_FALSE(edit->IsTextValid());
    }
    edit->setText(" 42 ");
    edit->OnChange();
    EXPECT_EQ(edit->GetValue(), 42);
    EXPECT_TRUE(edit->IsTextValid());
}

TEST_F(SpinEditTest, SteppingWrapsOrStopsAtTheEnds)
{
    edit->SetRange(1, 999);
    edit->SetValue(1);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->GetValue(), 1);
    EXPECT_EQ(edit->text(), "1");
    window.notices.clear();
    edit->InitWindow(MCSpinEdit::kVisibleSpin | MCSpinEdit::kWrap);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->GetValue(), 999);
    EXPECT_EQ(edit->text(), "999");
    EXPECT_EQ(edit->selectedText(), "999");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->GetValue(), 1);
    EXPECT_EQ(window.notices, (Notices{{1500, 0x30B0}, {1500, 0x30B0}}));
}

TEST_F(SpinEditTest, TypingEndsTheIndeterminateState)
{
    edit->SetRange(0, 127);
    edit->SetValue(64);
    edit->SetIndeterminate(true);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_FALSE(edit->Spin().isEnabled());
    edit->SetValue(10);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_TRUE(edit->IsTextValid());
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->GetValue(), 64);
    QTest::keyClicks(edit, "7");
    EXPECT_FALSE(edit->GetIndeterminate());
    EXPECT_TRUE(edit->Spin().isEnabled());
    EXPECT_EQ(edit->GetValue(), 7);
}

TEST_F(SpinEditTest, AHeldArrowSpeedsUpByTheAccelerationTable)
{
    plat::media::ManualTimerService timers;
    const plat::ui::UiTimers::ScopedService scoped(timers);
    edit->SetRange(0, 30000);
    edit->SetValue(0);
    MCSpin& spin = edit->Spin();
    EXPECT_EQ(spin.StepAfter(0), 1);
    EXPECT_EQ(spin.StepAfter(1999), 1);
    EXPECT_EQ(spin.StepAfter(2000), 5);
    EXPECT_EQ(spin.StepAfter(3000), 10);
    EXPECT_EQ(spin.StepAfter(5000), 50);

    const QPoint up(spin.width() / 2, 2);
    QTest::mousePress(&spin, Qt::LeftButton, {}, up);
    EXPECT_EQ(edit->GetValue(), 1);
    timers.advance(MCSpin::kRepeatDelayMs);  // first repeat at 0.4 s
    EXPECT_EQ(edit->GetValue(), 2);
    timers.advance(1600);  // to 2.0 s: 16 more single steps, the last at 2.0 s steps 5
    EXPECT_EQ(edit->GetValue(), 2 + 15 + 5);
    timers.advance(1000);  // to 3.0 s: nine steps of 5, one of 10
    EXPECT_EQ(edit->GetValue(), 22 + 45 + 10);
    timers.advance(2000);  // to 5.0 s: nineteen steps of 10, one of 50
    EXPECT_EQ(edit->GetValue(), 77 + 190 + 50);
    QTest::mouseRelease(&spin, Qt::LeftButton, {}, up);
    timers.advance(1000);
    EXPECT_EQ(edit->GetValue(), 317);
    EXPECT_EQ(timers.activeTimers(), 0u);
}

class StaticEditTest : public testing::Test {
protected:
    NoticeWindow window;
    MCStaticEdit* edit = nullptr;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit;
        layout->addWidget(other);
        edit = new MCStaticEdit(&window);
        ASSERT_TRUE(edit->Create(&window, 1600));
        edit->setText("Melody");
        layout->addWidget(edit);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }
};

TEST_F(StaticEditTest, EnterCommitsAChangeAndEscapePutsTheOldTextBack)
{
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_TRUE(edit->isReadOnly());
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_TRUE(edit->IsEditing());
    EXPECT_EQ(window.notices, (Notices{{1600, 0x30F1}}));
    QTest::keyClicks(edit, "Bass");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(edit->text(), "Bass");
    EXPECT_EQ(window.notices, (Notices{{1600, 0x30F1}, {1600, 0x30F0}}));

    window.notices.clear();
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClicks(edit, "Tuba");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "Bass");
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(window.notices, (Notices{{1600, 0x30F1}}));

    // Unchanged, leaving sends nothing.
    window.notices.clear();
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(window.notices, (Notices{{1600, 0x30F1}}));
}

TEST_F(StaticEditTest, WithEditingOffClicksGoToTheParentAndTypingIsIgnored)
{
    edit->SetEditEnabled(false);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClicks(edit, "xyz");
    EXPECT_FALSE(edit->IsEditing());
    EXPECT_EQ(edit->text(), "Melody");
    EXPECT_TRUE(window.notices.empty());
    EXPECT_EQ(window.mouse, (std::vector<QEvent::Type>{QEvent::MouseButtonPress, QEvent::MouseButtonRelease}));

    // Editing on but not editing: a right click and a double click reach the parent too.
    edit->SetEditEnabled(true);
    window.mouse.clear();
    QTest::mouseClick(edit, Qt::RightButton);
    EXPECT_EQ(window.mouse, (std::vector<QEvent::Type>{QEvent::MouseButtonPress, QEvent::MouseButtonRelease}));
}

TEST(EditControlsScreenshotTest, TheSmallControlsTogether)
{
    QWidget sheet;
    auto* form = new QFormLayout(&sheet);
    auto* spin = new MCSpinEdit;
    spin->InitWindow(MCSpinEdit::kVisibleSpin);
    spin->SetRange(1, 999);
    spin->SetValue(120);
    form->addRow("Spin edit:", spin);
    auto* indeterminate = new MCSpinEdit;
    indeterminate->InitWindow(MCSpinEdit::kVisibleSpin);
    indeterminate->SetIndeterminate(true);
    form->addRow("Indeterminate:", indeterminate);
    auto* shown = new MCStaticEdit;
    shown->setText("Melody");
    form->addRow("Static edit:", shown);
    auto* editing = new MCStaticEdit;
    editing->setText("Bass line");
    form->addRow("Editing:", editing);
    auto* box = new MCCheckBox;
    box->setText("&Loop");
    box->SetIndeterminate(true);
    box->setCheckState(Qt::PartiallyChecked);
    form->addRow("Check box:", box);
    auto* well = new ColorWellButton;
    well->SetColor(0x2060C0);
    form->addRow("Colour well:", well);
    QMenu menu;
    menu.addAction("Major");
    auto* options = new MCMenuButton;
    options->setText("Options");
    options->SetMenu(&menu);
    form->addRow("Menu button:", options);
    sheet.show();
    editing->SetEditing(true);
    EXPECT_FALSE(widgettest::saveScreenshot(sheet, "edit-controls").empty());
}

}  // namespace

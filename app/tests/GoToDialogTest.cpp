#include "app/tests/ConductorDialogTest.h"

#include "app/core/AppStrings.h"
#include "app/dialogs/CGoToDlg.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/model/ECText.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QListWidget>
#include <QAbstractButton>
#include <QPushButton>
#include <QSlider>
#include <QDialogButtonBox>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class GoToDialogTest : public ConductorDialogTest {
protected:
    void SetUp() override
    {
        ConductorDialogTest::SetUp();
        for (const auto& [name, value] : {std::pair{"ShowMarkers", 1}, {"ShowRehearsal", 1}, {"ShowText", 0},
                                          {"ShowCue", 1}, {"Advanced", 1}})
            SaveIntPreference("Settings\\Goto", name, value);
    }

    void addText(float time, int type, const std::string& text)
    {
        auto* element = new ECText(static_cast<unsigned char>(type), text);
        const MCTime at(time);
        element->SetTime(&at);
        EXPECT_TRUE(staff()->AddChild(element, 1));
    }

    MCTime end() { return performance()->GetConductor()->GetMaxMeasureEndTime(); }

    static std::vector<std::string> listed(CGoToDlg& dialog)
    {
        std::vector<std::string> texts;
        auto* list = plat::ui::item<QListWidget>(&dialog, CGoToDlg::kMarkerList);
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->item(i)->text().toStdString());
        return texts;
    }

    static long beatsOf(const MCTime& time) { return time.GetTicks(MCTime::GlobalPPQ) / MCTime::GlobalPPQ; }

    // A dialog opened at zero over a sequence at zero, made the active window so that keys
    // reach its time field; the caller checks that it became active.
    std::unique_ptr<CGoToDlg> openActiveAtZero()
    {
        doc.GetSequence()->SetLocation(MCTime::TimeZero());
        auto dialog = std::make_unique<CGoToDlg>(performance(), MCTime::TimeZero());
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return dialog;
    }
};

// Markers, rehearsal letters and cue points are listed in time order by their filters; an
// empty marker and text types the list does not know are left out; a filter clicked off
// takes its texts away and is remembered when the dialog goes.
TEST_F(GoToDialogTest, MarkerListFollowsTheFilters)
{
    addText(2.0f, 5, "Verse");
    addText(1.0f, 5, "");
    addText(3.0f, 6, "Hit");
    addText(0.0f, 14, "A");
    addText(1.5f, 7, "Tempo words");
    {
        CGoToDlg dialog(performance(), MCTime::TimeZero());
        dialog.show();
        EXPECT_EQ(listed(dialog), (std::vector<std::string>{"A", "Verse", "Hit"}));
        plat::ui::item<QCheckBox>(&dialog, CGoToDlg::kShowCue)->click();
        EXPECT_EQ(listed(dialog), (std::vector<std::string>{"A", "Verse"}));
        plat::ui::item<QCheckBox>(&dialog, CGoToDlg::kShowRehearsal)->click();
        EXPECT_EQ(listed(dialog), (std::vector<std::string>{"Verse"}));
        plat::ui::item<QCheckBox>(&dialog, CGoToDlg::kShowRehearsal)->click();
        plat::ui::item<QCheckBox>(&dialog, CGoToDlg::kShowCue)->click();

        // Picking a marker moves the time and the slider to it.
        auto* list = plat::ui::item<QListWidget>(&dialog, CGoToDlg::kMarkerList);
        list->setCurrentRow(2);
        EXPECT_EQ(dialog.GetTime(), MCTime(3.0f));
        EXPECT_EQ(plat::ui::item<MCTimeEdit>(&dialog, CGoToDlg::kTime)->GetTimeValue(), MCTime(3.0f));
        EXPECT_EQ(plat::ui::item<QSlider>(&dialog, CGoToDlg::kSlider)->value(), beatsOf(MCTime(3.0f)));
        list->setCurrentRow(1);
        apptest::saveScreenshot(dialog, "goto.png");
        plat::ui::item<QCheckBox>(&dialog, CGoToDlg::kShowCue)->click();
    }
    EXPECT_EQ(LoadIntPreference("Settings\\Goto", "ShowCue", 1), 0);
    EXPECT_EQ(LoadIntPreference("Settings\\Goto", "ShowMarkers", 0), 1);
}

// A click on a marker takes its time even when the list already had it chosen: the first
// marker, chosen when the dialog opens, and a marker picked again after the time was typed.
TEST_F(GoToDialogTest, ClickingAChosenMarkerTakesItsTime)
{
    addText(2.0f, 5, "Verse");
    addText(6.0f, 5, "Chorus");
    CGoToDlg dialog(performance(), MCTime::TimeZero());
    dialog.show();
    auto* list = plat::ui::item<QListWidget>(&dialog, CGoToDlg::kMarkerList);
    auto* edit = plat::ui::item<MCTimeEdit>(&dialog, CGoToDlg::kTime);
    const auto click = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    ASSERT_EQ(list->currentRow(), 0);
    ASSERT_EQ(dialog.GetTime(), MCTime::TimeZero());
    click(0);
    EXPECT_EQ(dialog.GetTime(), MCTime(2.0f));
    EXPECT_EQ(edit->GetTimeValue(), MCTime(2.0f));

    click(1);
    EXPECT_EQ(dialog.GetTime(), MCTime(6.0f));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "001:02:000");
    ASSERT_EQ(dialog.GetTime(), MCTime(1.0f));
    click(1);
    EXPECT_EQ(dialog.GetTime(), MCTime(6.0f));
    EXPECT_EQ(plat::ui::item<QSlider>(&dialog, CGoToDlg::kSlider)->value(), beatsOf(MCTime(6.0f)));
}

// Enter on the marker the list has chosen goes to that marker.
TEST_F(GoToDialogTest, EnterOnTheChosenMarkerGoesThere)
{
    addText(2.0f, 5, "Verse");
    addText(6.0f, 5, "Chorus");
    const auto dialog = openActiveAtZero();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* list = plat::ui::item<QListWidget>(dialog.get(), CGoToDlg::kMarkerList);
    list->setFocus();
    ASSERT_EQ(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(doc.GetSequence()->GetLocation(), MCTime(2.0f));
}

// The slider counts whole beats up to the end; the two end buttons go to zero and to the end.
TEST_F(GoToDialogTest, SliderAndEndButtons)
{
    CGoToDlg dialog(performance(), MCTime(1.0f));
    dialog.show();
    auto* slider = plat::ui::item<QSlider>(&dialog, CGoToDlg::kSlider);
    auto* edit = plat::ui::item<MCTimeEdit>(&dialog, CGoToDlg::kTime);
    EXPECT_EQ(slider->maximum(), beatsOf(end()));
    EXPECT_EQ(slider->value(), beatsOf(MCTime(1.0f)));
    slider->setValue(3);
    EXPECT_EQ(edit->GetTimeValue().GetTicks(MCTime::GlobalPPQ), 3 * MCTime::GlobalPPQ);
    EXPECT_EQ(dialog.GetTime(), edit->GetTimeValue());
    // A changed time edit moves the slider to its whole beats.
    edit->SetTimeValue(MCTime(5.0f));
    plat::ui::notifyParent(edit, MCTimeEdit::kNotice);
    EXPECT_EQ(slider->value(), beatsOf(MCTime(5.0f)));
    EXPECT_EQ(dialog.GetTime(), MCTime(5.0f));
    plat::ui::item<QAbstractButton>(&dialog, CGoToDlg::kEnd)->click();
    EXPECT_EQ(edit->GetTimeValue(), end());
    EXPECT_EQ(slider->value(), slider->maximum());
    plat::ui::item<QAbstractButton>(&dialog, CGoToDlg::kBegin)->click();
    EXPECT_EQ(edit->GetTimeValue(), MCTime::TimeZero());
    EXPECT_EQ(slider->value(), 0);
}

// The advanced button shows and hides the marker part and names what it will do.
TEST_F(GoToDialogTest, AdvancedTogglesTheMarkerPart)
{
    CGoToDlg dialog(performance(), MCTime::TimeZero());
    dialog.show();
    auto* button = plat::ui::item<QPushButton>(&dialog, CGoToDlg::kAdvanced);
    auto* list = plat::ui::item<QListWidget>(&dialog, CGoToDlg::kMarkerList);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(button->text().toStdString(), "&Advanced <<");
    const int fullHeight = dialog.height();
    button->click();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(button->text().toStdString(), "&Advanced >>");
    EXPECT_LT(dialog.height(), fullHeight);
    EXPECT_FALSE(dialog.IsAdvanced());
}

// OK locates the sequence; a time past the end is told and replaced by the end.
TEST_F(GoToDialogTest, OkLocatesAndAPastEndTimeGoesToTheEnd)
{
    {
        CGoToDlg dialog(performance(), MCTime(2.0f));
        dialog.show();
        dialog.accept();
        EXPECT_TRUE(m_prompts.Texts().empty());
        EXPECT_EQ(doc.GetSequence()->GetLocation(), MCTime(2.0f));
    }
    CGoToDlg dialog(performance(), MCTime::TimeZero());
    dialog.show();
    const MCTime past(end().GetSeconds() + 4.0f);
    plat::ui::item<MCTimeEdit>(&dialog, CGoToDlg::kTime)->SetTimeValue(past);
    dialog.accept();
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], AppStrings::text(AppStrings::gotoPastEnd));
    EXPECT_EQ(m_prompts.Icons()[0], plat::UserPrompt::Icon::information);
    EXPECT_EQ(dialog.GetTime(), end());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(doc.GetSequence()->GetLocation(), end());
}

// With the time field in the focus, Enter presses OK (the typed time is located as a click
// on OK locates it) and Escape presses Cancel (nothing moves).
TEST_F(GoToDialogTest, EnterAndEscapeWorkFromTheTimeField)
{
    enum Action { enter, clickOk, escape };
    std::map<Action, MCTime> located;
    for (const Action action : {enter, clickOk, escape}) {
        SCOPED_TRACE(int(action));
        const auto dialog = openActiveAtZero();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        auto* edit = plat::ui::item<MCTimeEdit>(dialog.get(), CGoToDlg::kTime);
        ASSERT_TRUE(edit->hasFocus());
        // Bar 2, typed over the selected bar group.
        QTest::keyClicks(edit, "002");
        EXPECT_EQ(edit->text().left(3), "002") << edit->text().toStdString();
        if (action == clickOk)
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        else
            QTest::keyClick(edit, action == enter ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), action == escape ? QDialog::Rejected : QDialog::Accepted);
        located[action] = doc.GetSequence()->GetLocation();
    }
    EXPECT_GT(located[clickOk], MCTime::TimeZero());
    EXPECT_EQ(located[enter], located[clickOk]);
    EXPECT_EQ(located[escape], MCTime::TimeZero());
}

// A time pasted into the time field is the one Enter goes to.
TEST_F(GoToDialogTest, APastedTimeIsTheOneLocated)
{
    const auto dialog = openActiveAtZero();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* edit = plat::ui::item<MCTimeEdit>(dialog.get(), CGoToDlg::kTime);
    const MCTime wanted(2.0f);
    edit->SetTimeValue(wanted);
    const QString copied = edit->text();
    edit->SetTimeValue(MCTime::TimeZero());
    QApplication::clipboard()->setText(copied);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), copied);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(doc.GetSequence()->GetLocation(), wanted);
}

}  // namespace

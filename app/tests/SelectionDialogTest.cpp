#include "app/tests/AppTestSupport.h"

#include "app/dialogs/CMouseSelectDlg.h"
#include "interface/controls/MCCheckList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCMode.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAbstractButton>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

constexpr const char* kDrag = "Settings\\Select\\Drag";

class MouseSelectDialogTest : public documenttest::DocumentTest {
protected:
    // A state manager gives the process the window that delivers states.
    MCStateMgr states;

    void TearDown() override
    {
        MCStateMgr::SetMainWindowHandler({});
        DocumentTest::TearDown();
    }

    static int Stored(unsigned type)
    {
        return LoadIntPreference(kDrag, GetEventString(static_cast<int>(type)).c_str(), -1);
    }
    static MCCheckList* List(CMouseSelectDlg& dialog)
    {
        return plat::ui::item<MCCheckList>(&dialog, CMouseSelectDlg::kTypes);
    }
    static QString Count(CMouseSelectDlg& dialog)
    {
        return plat::ui::item<QLabel>(&dialog, CMouseSelectDlg::kCount)->text();
    }
};

// The thirty types are listed by display name with their ids as item data, checked as stored.
TEST_F(MouseSelectDialogTest, ListsTheTypesCheckedAsStored)
{
    SaveIntPreference(kDrag, GetEventString(37).c_str(), 1);
    SaveIntPreference(kDrag, GetEventString(51).c_str(), 1);
    CMouseSelectDlg dialog;
    MCCheckList* list = List(dialog);
    ASSERT_EQ(list->GetItemCount(), 30);
    const auto& types = CMouseSelectDlg::SelectableTypes();
    for (int row = 0; row < 30; ++row) {
        const unsigned type = types[static_cast<size_t>(row)];
        EXPECT_EQ(list->topLevelItem(row)->data(0, Qt::UserRole).toUInt(), type);
        EXPECT_EQ(list->topLevelItem(row)->text(0).toStdString(), GetEventString(static_cast<int>(type)));
        EXPECT_FALSE(list->topLevelItem(row)->text(0).isEmpty());
        EXPECT_EQ(list->GetCheck(row), type == 37 || type == 51) << type;
    }
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{37, 51}));
    EXPECT_EQ(dialog.GetUnselected().size(), 28u);
    EXPECT_EQ(Count(dialog), "2 types selected");
    dialog.show();
    apptest::saveScreenshot(dialog, "mouse-select-options.png");
}

// One mark, All and None keep the lists and the count in step with the marks.
TEST_F(MouseSelectDialogTest, MarksAllAndNoneUpdateTheListsAndTheCount)
{
    CMouseSelectDlg dialog;
    EXPECT_EQ(Count(dialog), "0 types selected");
    List(dialog)->ToggleCheck(2);
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{2}));
    EXPECT_EQ(Count(dialog), "1 types selected");
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kAll)->click();
    EXPECT_EQ(dialog.GetSelected(), CMouseSelectDlg::SelectableTypes());
    EXPECT_TRUE(dialog.GetUnselected().empty());
    EXPECT_EQ(Count(dialog), "30 types selected");
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kNone)->click();
    EXPECT_TRUE(dialog.GetSelected().empty());
    EXPECT_EQ(dialog.GetUnselected(), CMouseSelectDlg::SelectableTypes());
    EXPECT_EQ(Count(dialog), "0 types selected");
}

// OK stores every type, 1 for the checked ones, and announces the current mode to the main
// window; Cancel stores nothing.
TEST_F(MouseSelectDialogTest, OkStoresTheChoiceAndAnnouncesTheMode)
{
    int announced = -1;
    MCStateMgr::SetMainWindowHandler([&](SCBase* state) {
        if (dynamic_cast<SCMode*>(state))
            announced = state->GetCode();
    });
    {
        CMouseSelectDlg dialog;
        List(dialog)->SetCheck(0, true);
        dialog.reject();
    }
    EXPECT_EQ(Stored(0), -1);
    EXPECT_EQ(announced, -1);

    CMouseSelectDlg dialog;
    List(dialog)->SetCheck(0, true);
    List(dialog)->SetCheck(29, true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (unsigned type : CMouseSelectDlg::SelectableTypes())
        EXPECT_EQ(Stored(type), type == 0 || type == 67 ? 1 : 0) << type;
    EXPECT_EQ(announced, SCMode::GetMode());
}

// With nothing checked, notes are stored as what a drag takes.
TEST_F(MouseSelectDialogTest, NothingCheckedStoresNotes)
{
    SaveIntPreference(kDrag, GetEventString(2).c_str(), 1);
    CMouseSelectDlg dialog;
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kNone)->click();
    dialog.accept();
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{37}));
    EXPECT_EQ(dialog.GetUnselected().size(), 29u);
    for (unsigned type : CMouseSelectDlg::SelectableTypes())
        EXPECT_EQ(Stored(type), type == 37 ? 1 : 0) << type;
}

}  // namespace

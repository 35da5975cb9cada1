#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECWithTime.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCFocusWnd.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCFile.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCPrefs.h"
#include "notabase/states/SCSelection.h"
#include "notabase/states/SCStatus.h"
#include "notabase/states/SCTime.h"
#include "platform/core/Profile.h"
#include "platform/core/Resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class Timed : public ECWithTime {
public:
    explicit Timed(float time)
    {
        const MCTime t(time);
        SetTime(&t);
    }
};

std::vector<ECBase*> contents(MCEventList* list)
{
    std::vector<ECBase*> result;
    if (!list)
        return result;
    for (ECBase* element : *list)
        result.push_back(element);
    return result;
}

// Three elements a, b, c at times 0, 1, 2, owned by the fixture.
class SelectionTest : public ::testing::Test {
protected:
    SelectionTest()
    {
        for (ECBase* e : {a, b, c})
            e->Ref();
    }
    ~SelectionTest() override
    {
        for (ECBase* e : {a, b, c})
            e->Unref(1);
    }

    ECBase* a = new Timed(0.0f);
    ECBase* b = new Timed(1.0f);
    ECBase* c = new Timed(2.0f);
};

TEST_F(SelectionTest, RequestListHoldsEachElementOnceInTimeOrder)
{
    SCSelection selection(SCSelection::kAdd, c);
    selection.AddToSelection(a);
    selection.AddToSelection(c);
    selection.AddToSelection(static_cast<ECBase*>(nullptr));
    MCEventList more;
    more.AddTail(b);
    more.AddTail(a);
    selection.AddToSelection(&more);
    EXPECT_EQ(contents(selection.GetEvents(SCSelection::kRequest)), (std::vector<ECBase*>{a, b, c}));
    EXPECT_EQ(c->GetRefCount(), 2u);

    selection.RemoveFromSelection(b);
    selection.RemoveFromSelection(static_cast<MCEventList*>(nullptr));
    EXPECT_EQ(contents(selection.GetEvents(SCSelection::kRequest)), (std::vector<ECBase*>{a, c}));
    EXPECT_EQ(selection.IsSynchronous(), 1);
    EXPECT_EQ(selection.GetEvents(SCSelection::kNewSelection), nullptr);
    EXPECT_EQ(selection.GetEvents(7), nullptr);
}

TEST_F(SelectionTest, UpdateSelectionAppliesEachRequestCode)
{
    struct Case {
        int code;
        std::vector<ECBase*> newSelection, added, dropped;
        int result;
    };
    const Case cases[] = {
        {SCSelection::kClear, {}, {}, {a, b}, 1},
        {SCSelection::kReplace, {b, c}, {c}, {a}, 1},
        {SCSelection::kAdd, {a, b, c}, {c}, {}, 1},
        {SCSelection::kRemove, {a}, {}, {b}, 1},
        {SCSelection::kToggle, {a, c}, {c}, {b}, 1},
    };
    for (const Case& k : cases) {
        MCEventList current;
        current.AddTail(a);
        current.AddTail(b);
        for (ECBase* e : {a, b, c})
            e->SetSelected(0);
        a->SetSelected(1);
        b->SetSelected(1);

        SCSelection selection(k.code);
        selection.AddToSelection(b);
        selection.AddToSelection(c);
        EXPECT_EQ(selection.UpdateSelection(current), k.result) << k.code;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kNewSelection)), k.newSelection) << k.code;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kAdded)), k.added) << k.code;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kDropped)), k.dropped) << k.code;
        EXPECT_EQ(contents(&current), k.newSelection) << k.code;
        for (ECBase* e : k.added)
            EXPECT_EQ(e->IsSelected(), 1) << k.code;
        for (ECBase* e : k.dropped)
            EXPECT_EQ(e->IsSelected(), 0) << k.code;
    }
}

TEST_F(SelectionTest, UpdateSelectionThatChangesNothing)
{
    MCEventList current;
    SCSelection clear(SCSelection::kClear);
    EXPECT_EQ(clear.UpdateSelection(current), 0);
    EXPECT_NE(clear.GetEvents(SCSelection::kNewSelection), nullptr);

    current.AddTail(a);
    SCSelection context(SCSelection::kContextChanged, b);
    EXPECT_EQ(context.UpdateSelection(current), 0);
    EXPECT_EQ(contents(&current), (std::vector<ECBase*>{a}));
    EXPECT_EQ(context.GetEvents(SCSelection::kAdded), nullptr);
}

TEST_F(SelectionTest, DestroyedSelectionGivesTheFocusBackToALiveWindow)
{
    struct Window : MCFocusWnd {
        bool alive = true;
        int focused = 0;
        bool IsWindow() const override { return alive; }
        void SetFocus() override { ++focused; }
    };
    auto window = std::make_shared<Window>();
    {
        SCSelection selection(SCSelection::kClear, a);
        selection.SetFocusWnd(window);
        EXPECT_EQ(selection.GetFocusWnd(), window.get());
    }
    EXPECT_EQ(window->focused, 1);
    EXPECT_EQ(a->GetRefCount(), 1u);

    window->alive = false;
    {
        SCSelection selection(SCSelection::kClear);
        selection.SetFocusWnd(window);
    }
    EXPECT_EQ(window->focused, 1);
}


ECBase* editedEvent(void* user)
{
    return static_cast<ECBase*>(user);
}

int recordMode(ECBase*, int, void*, void* user)
{
    *static_cast<int*>(user) = SCMode::GetMode();
    return 0;
}

TEST(StateClassesTest, ModeChangesBeforeHandlersAndGatesTheEventHook)
{
    auto* performance = new ECPerformance;
    performance->Ref();
    int seenMode = 0;
    performance->AddStateHandler(recordMode, &seenMode);
    Timed event(0.0f);
    SCMode::SetEventFunc(editedEvent, &event);

    SCMode::SetMode(SCMode::kFirstMode);
    EXPECT_EQ(SCMode::GetEvent(), nullptr);
    (new SCMode(SCMode::kEventMode))->Apply(performance);  // synchronous by default
    EXPECT_EQ(seenMode, SCMode::kEventMode);
    EXPECT_EQ(SCMode::GetMode(), SCMode::kEventMode);
    EXPECT_EQ(SCMode::GetEvent(), &event);

    // Codes outside the mode range leave the mode alone.
    (new SCMode(1504))->Apply(performance);
    EXPECT_EQ(SCMode::GetMode(), SCMode::kEventMode);

    SCMode::SetEventFunc(nullptr, nullptr);
    EXPECT_EQ(SCMode::GetEvent(), nullptr);
    SCMode::SetMode(SCMode::kFirstMode);
    SCMode::SetEventType(66);
    EXPECT_EQ(SCMode::GetEventType(), 66);
    SCMode::SetEventType(-1);
    EXPECT_EQ(SCFile(1302).IsSynchronous(), 1);
    performance->Unref(1);
}

class PrefsStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-state-prefs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }
    void TearDown() override
    {
        MCCommandMgr::SetUndoLevels(10);
        SCSelection::SetColor(255);
        std::filesystem::remove_all(m_folder);
    }
    std::string m_folder;
};

TEST_F(PrefsStateTest, PrefsChangedRereadsColourAndUndoLevels)
{
    MCCommandMgr::SetUndoLevels(3);
    SCSelection::SetColor(0x00FF00);
    SCPrefs missing;
    EXPECT_EQ(missing.GetCode(), 1600);
    EXPECT_EQ(missing.IsSynchronous(), 0);
    missing.DoState();
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 10);
    EXPECT_EQ(SCSelection::GetColor(), 255ul);

    SaveIntPreference("Settings", "UndoLevels", 25);
    SaveIntPreference("Settings\\Color", "Selection", 0x0000FF);
    SCPrefs stored;
    stored.DoState();
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 25);
    EXPECT_EQ(SCSelection::GetColor(), 0x0000FFul);

    // Another code does not reread.
    SaveIntPreference("Settings", "UndoLevels", 4);
    SCPrefs(1601).DoState();
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 25);
}

TEST(StateClassesTest, LiveCountsFollowEveryStatusAndTimeState)
{
    const int statuses = SCStatus::GetLiveCount();
    const int times = SCTime::GetLiveCount();
    {
        SCStatus first(1801);
        SCStatus second(1802, std::string("Saving"));
        const SCStatus copy(second);
        EXPECT_EQ(SCStatus::GetLiveCount(), statuses + 3);
        SCTime now;
        auto later = std::make_unique<SCTime>(1900, MCTime(4.0f));
        const SCTime copied(*later);
        EXPECT_EQ(SCTime::GetLiveCount(), times + 3);
        later.reset();
        EXPECT_EQ(SCTime::GetLiveCount(), times + 2);
        EXPECT_EQ(copy.GetMessage(), "Saving");
    }
    EXPECT_EQ(SCStatus::GetLiveCount(), statuses);
    EXPECT_EQ(SCTime::GetLiveCount(), times);
}

TEST(StateClassesTest, StatusAndTimeFields)
{
    SCStatus status(1801);
    int low = -1, high = -1;
    status.GetProgressRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(status.GetProgressStep(), 1);

    const plat::Resources::Registration strings("NotabaseStateTest", {{{4711u, "Loading piece"}}});
    const plat::Resources::ModuleSwitch module("NotabaseStateTest");
    EXPECT_EQ(SCStatus(1801, 4711).GetMessage(), "Loading piece");
    EXPECT_EQ(SCStatus(1801, 4712).GetMessage(), "");

    SCTime leadIn(1902, 3, 2);
    EXPECT_EQ(leadIn.GetCode(), 1902);
    EXPECT_EQ(leadIn.GetTime(), MCTime::TimeNull());
    EXPECT_EQ(leadIn.GetLeadInPulse(), 3);
    EXPECT_EQ(leadIn.GetLeadInMeasure(), 2);
    EXPECT_EQ(SCTime().GetTime(), MCTime::TimeNull());
}

TEST(StateClassesTest, CommandStateHoldsItsCommands)
{
    auto* command = new CCBase;
    command->Ref();
    {
        SCCommand state(SCCommand::kAborted);
        state.AddCommand(command);
        state.AddCommand(nullptr);
        EXPECT_EQ(state.GetCommands().GetCount(), 1);
        EXPECT_EQ(command->GetRefCount(), 2);
    }
    EXPECT_EQ(command->Unref(1), 0);
}

}  // namespace

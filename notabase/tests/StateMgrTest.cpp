#include "notabase/performance/ECPerformance.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class ProbeState : public SCBase {
public:
    ProbeState(int code, Log* log, bool* deleted) : SCBase(code), m_log(log), m_deleted(deleted) {}
    ~ProbeState() override
    {
        if (m_deleted)
            *m_deleted = true;
    }
    void DoState() override { m_log->push_back("DoState " + std::to_string(GetCode())); }

    int answer = 0;

private:
    Log* m_log;
    bool* m_deleted;
};

struct Tap {
    Log* log;
    std::string name;
    ECBase* expectedOwner = nullptr;
    std::thread::id thread;
};

int recordingHandler(ECBase* owner, int phase, void* state, void* user)
{
    auto* tap = static_cast<Tap*>(user);
    tap->thread = std::this_thread::get_id();
    EXPECT_EQ(owner, tap->expectedOwner);
    EXPECT_EQ(phase, 0);
    tap->log->push_back(tap->name + " " + std::to_string(static_cast<SCBase*>(state)->GetCode()));
    if (auto* probe = dynamic_cast<ProbeState*>(static_cast<SCBase*>(state)))
        probe->answer = 7;
    return 1;
}

class StateMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_first = {&m_log, "first", m_performance, {}};
        m_second = {&m_log, "second", m_performance, {}};
        m_global = {&m_log, "global", m_performance, {}};
        m_performance->AddStateHandler(recordingHandler, &m_first);
        m_performance->AddStateHandler(recordingHandler, &m_second);
        MCStateMgr::SetGlobalHandler(recordingHandler, &m_global);
        m_previousMainWindow = MCStateMgr::SetMainWindowHandler([this](SCBase* state) {
            m_log.push_back("main window " + std::to_string(state->GetCode()));
        });
    }
    void TearDown() override
    {
        MCStateMgr::SetGlobalHandler(nullptr, nullptr);
        MCStateMgr::SetMainWindowHandler(m_previousMainWindow);
        plat::MessageLoop::current().pump();
        m_performance->Unref(1);
    }

    Log m_log;
    Tap m_first, m_second, m_global;
    ECPerformance* m_performance = nullptr;
    MCStateMgr::MainWindowHandler m_previousMainWindow;
};

TEST(StateBaseTest, NewStateDefaultsAndCodeWidth)
{
    SCBase state(1600);
    EXPECT_EQ(state.GetCode(), 1600);
    EXPECT_EQ(state.IsAutoDelete(), 1);
    EXPECT_EQ(state.IsSynchronous(), 0);
    EXPECT_EQ(state.GetTarget(), nullptr);
    EXPECT_EQ(SCBase().GetCode(), 0);

    state.SetSynchronous(1);
    state.SetAutoDelete(0);
    state.SetCode(0x12345678);
    EXPECT_EQ(state.GetCode(), 0x345678);
    EXPECT_EQ(state.IsSynchronous(), 1);
    EXPECT_EQ(state.IsAutoDelete(), 0);

    const SCBase copy(state);
    EXPECT_EQ(copy.GetCode(), 0x345678);
    EXPECT_EQ(copy.IsSynchronous(), 1);
    EXPECT_EQ(copy.IsAutoDelete(), 0);
}

TEST_F(StateMgrTest, SynchronousStateIsDeliveredInOrderBeforeApplyReturns)
{
    bool deleted = false;
    auto* state = new ProbeState(1300, &m_log, &deleted);
    state->SetSynchronous(1);
    const uint32_t references = m_performance->GetRefCount();
    state->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"DoState 1300", "first 1300", "second 1300", "global 1300"}));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(m_performance->GetRefCount(), references);
    EXPECT_EQ(m_first.thread, std::this_thread::get_id());
}

TEST_F(StateMgrTest, PostedStateWaitsForTheLoopAndHoldsItsPerformance)
{
    bool deleted = false;
    const uint32_t references = m_performance->GetRefCount();
    (new ProbeState(1900, &m_log, &deleted))->Apply(m_performance);
    (new ProbeState(1901, &m_log, nullptr))->Apply(m_performance);
    EXPECT_TRUE(m_log.empty());
    EXPECT_FALSE(deleted);
    EXPECT_EQ(m_performance->GetRefCount(), references + 2);

    plat::MessageLoop::current().pump();
    EXPECT_EQ(m_log, (Log{"DoState 1900", "first 1900", "second 1900", "global 1900",
                          "DoState 1901", "first 1901", "second 1901", "global 1901"}));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(m_performance->GetRefCount(), references);
}

TEST_F(StateMgrTest, StateKeptByItsSenderSurvivesWithTheAnswers)
{
    bool deleted = false;
    ProbeState state(1705, &m_log, &deleted);
    state.SetSynchronous(1);
    state.SetAutoDelete(0);
    state.Apply(m_performance);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(state.answer, 7);
    EXPECT_EQ(state.GetTarget(), m_performance);
}

TEST_F(StateMgrTest, StateWithoutPerformanceGoesToTheMainWindowOnly)
{
    bool deleted = false;
    auto* state = new ProbeState(1600, &m_log, &deleted);
    state->SetSynchronous(1);
    state->Apply(nullptr);
    EXPECT_EQ(m_log, (Log{"DoState 1600", "main window 1600"}));
    EXPECT_TRUE(deleted);

    // Without a main window nobody sees it, and it still goes.
    m_log.clear();
    deleted = false;
    MCStateMgr::SetMainWindowHandler(nullptr);
    (new ProbeState(1601, &m_log, &deleted))->Apply(nullptr);
    plat::MessageLoop::current().pump();
    EXPECT_EQ(m_log, (Log{"DoState 1601"}));
    EXPECT_TRUE(deleted);
}

TEST_F(StateMgrTest, WithoutTheHiddenWindowOnlyAutoDeleteStatesAreDeleted)
{
    MCStateMgr::Shutdown();
    bool keptDeleted = false;
    ProbeState kept(1705, &m_log, &keptDeleted);
    kept.SetSynchronous(1);
    kept.SetAutoDelete(0);
    kept.Apply(m_performance);  // the sender still owns it and reads it afterwards
    EXPECT_FALSE(keptDeleted);
    EXPECT_EQ(kept.answer, 0);
    bool dropped = false;
    (new ProbeState(1706, &m_log, &dropped))->Apply(m_performance);
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_performance->GetRefCount(), 1u);

    // The next manager makes the window again.
    auto* another = new ECPerformance;
    another->Ref();
    kept.Apply(m_performance);
    EXPECT_EQ(kept.answer, 7);
    another->Unref(1);
}

TEST_F(StateMgrTest, NullStateAndRemovedHandlers)
{
    MCStateMgr::ApplyState(nullptr, m_performance);
    m_performance->RemoveStateHandlers();
    auto* state = new ProbeState(1800, &m_log, nullptr);
    state->SetSynchronous(1);
    state->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"DoState 1800", "global 1800"}));
}

// Tells another thread when it has been delivered and deleted.
class FlaggedState : public ProbeState {
public:
    FlaggedState(int code, Log* log, std::atomic<bool>* done) : ProbeState(code, log, nullptr), m_done(done) {}
    ~FlaggedState() override { *m_done = true; }

private:
    std::atomic<bool>* m_done;
};

TEST_F(StateMgrTest, StatesFromAnotherThreadAreDeliveredOnTheMainThread)
{
    plat::Thread worker("state sender");
    ASSERT_TRUE(worker.start());
    std::atomic<bool> postedDone{false}, sentDone{false}, workerDone{false};
    std::atomic<bool> sentWasDeliveredOnReturn{false};
    worker.loop()->postTask([&] {
        (new FlaggedState(1902, &m_log, &postedDone))->Apply(m_performance);
        auto* state = new FlaggedState(1903, &m_log, &sentDone);
        state->SetSynchronous(1);
        state->Apply(m_performance);
        // A synchronous send returns only once the main thread has delivered the state.
        sentWasDeliveredOnReturn = sentDone.load();
        workerDone = true;
    });
    ASSERT_TRUE(plat::MessageLoop::current().runUntil(
        [&] { return workerDone.load() && postedDone.load(); }, std::chrono::seconds(10)));
    worker.quit();
    ASSERT_TRUE(worker.join(10000));
    EXPECT_TRUE(sentWasDeliveredOnReturn);
    EXPECT_EQ(m_first.thread, std::this_thread::get_id());
    EXPECT_EQ(m_global.thread, std::this_thread::get_id());
    ASSERT_EQ(m_log.size(), 8u);
    EXPECT_EQ(m_log.front().substr(0, 8), "DoState ");
}

// Clears the handlers of its performance and registers the second tap, while a state is
// being delivered.
struct Rearranger {
    ECPerformance* performance;
    Tap* late;
    static int call(ECBase*, int, void*, void* user)
    {
        auto* self = static_cast<Rearranger*>(user);
        self->performance->RemoveStateHandlers();
        self->performance->AddStateHandler(recordingHandler, self->late);
        return 1;
    }
};

TEST_F(StateMgrTest, HandlersRemovedDuringADeliveryAreNotCalledAndAddedOnesWaitForTheNext)
{
    m_performance->RemoveStateHandlers();
    Rearranger rearranger{m_performance, &m_second};
    m_performance->AddStateHandler(Rearranger::call, &rearranger);
    m_performance->AddStateHandler(recordingHandler, &m_first);
    for (int code : {2000, 2001}) {
        auto* state = new ProbeState(code, &m_log, nullptr);
        state->SetSynchronous(1);
        state->Apply(m_performance);
    }
    EXPECT_EQ(m_log, (Log{"DoState 2000", "global 2000", "DoState 2001", "second 2001", "global 2001"}));
}

}  // namespace

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/commands/MCCommandTimer.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/states/SCCommand.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A command that logs its phases. Its undo applies a non-undoable inverse "~name" to the
// same performance, with its own synchronous bit, as the commands of the library do.
class TestCommand : public CCBase {
public:
    TestCommand(Log* log, std::string name, bool synchronous = true)
        : m_log(log), m_name(std::move(name))
    {
        SetSynchronous(synchronous ? 1 : 0);
    }
    ~TestCommand() override
    {
        if (deleted)
            *deleted = true;
    }

    const std::string& name() const { return m_name; }

    int Prepare() override { return phase("prepare", prepareResult); }
    int Process() override
    {
        thread = std::this_thread::get_id();
        return phase("process", processResult);
    }
    int Finish() override { return phase("finish", finishResult); }
    void Abort() override { m_log->push_back("abort " + m_name); }
    void Undo() override
    {
        m_log->push_back("undo " + m_name);
        auto* inverse = new TestCommand(m_log, "~" + m_name, IsSynchronous() != 0);
        inverse->SetCanUndo(0);
        inverse->Apply(GetTarget());
    }

    int prepareResult = 1;
    int processResult = 1;
    int finishResult = 1;
    std::vector<int> phases;
    bool* deleted = nullptr;
    std::thread::id thread;

private:
    int phase(const char* what, int result)
    {
        phases.push_back(GetCommandPhase());
        m_log->push_back(std::string(what) + " " + m_name);
        return result;
    }

    Log* m_log;
    std::string m_name;
};

std::string describe(SCCommand& state)
{
    std::string text = std::to_string(state.GetCode()) + ":";
    MCCommandList& commands = state.GetCommands();
    for (CCBase* command : commands)
        text += " " + static_cast<TestCommand*>(command)->name();
    return text;
}

int recordCommandStates(ECBase*, int, void* state, void* user)
{
    auto* base = static_cast<SCBase*>(state);
    if (base->GetCode() == SCCommand::kProcessed || base->GetCode() == SCCommand::kAborted)
        static_cast<Log*>(user)->push_back(describe(*static_cast<SCCommand*>(base)));
    return 0;
}

// A command handler whose answers are scripted per phase; it logs every call.
struct ScriptedHandler {
    ScriptedHandler(Log* log_, std::string name_, std::vector<int> prepareAnswers_ = {}, int processAnswer_ = 1)
        : log(log_), name(std::move(name_)), prepareAnswers(std::move(prepareAnswers_)),
          processAnswer(processAnswer_)
    {
    }

    Log* log;
    std::string name;
    std::vector<int> prepareAnswers;  // one per call, the last repeats; empty: 1
    int processAnswer;
    int prepareCalls = 0;
    int processCalls = 0;
    std::vector<int> listSizes;

    static int call(ECBase*, int phase, void* commands, void* user)
    {
        auto* self = static_cast<ScriptedHandler*>(user);
        self->log->push_back(self->name + " " + std::to_string(phase));
        self->listSizes.push_back(static_cast<MCCommandList*>(commands)->GetCount());
        if (phase == 1) {
            ++self->processCalls;
            return self->processAnswer;
        }
        const int call = self->prepareCalls++;
        if (self->prepareAnswers.empty())
            return 1;
        return self->prepareAnswers[std::min<size_t>(static_cast<size_t>(call), self->prepareAnswers.size() - 1)];
    }
};

class CommandMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_performance->AddStateHandler(recordCommandStates, &m_log);
    }
    void TearDown() override
    {
        plat::MessageLoop::current().pump();
        EXPECT_EQ(m_performance->GetRefCount(), 1u) << "a run kept or lost a performance reference";
        m_performance->Unref(1);
        MCCommandMgr::OnIdle();
        MCCommandMgr::SetUndoLevels(10);
    }

    TestCommand* command(const std::string& name, bool synchronous = true)
    {
        return new TestCommand(&m_log, name, synchronous);
    }
    MCCommandMgr& manager() { return m_performance->GetCommandMgr(); }
    void pump() { plat::MessageLoop::current().pump(); }
    // A group with one synchronous command.
    void addGroup(const std::string& name, bool* deleted = nullptr)
    {
        MCCommandMgr::BeginUndo(m_performance, name);
        TestCommand* c = command(name);
        c->deleted = deleted;
        c->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }

    Log m_log;
    ECPerformance* m_performance = nullptr;
};

// --- Runs -------------------------------------------------------------------------------

TEST_F(CommandMgrTest, SynchronousCommandRunsEveryPhaseBeforeApplyReturns)
{
    bool deleted = false;
    TestCommand* c = command("a");
    c->deleted = &deleted;
    c->Ref();
    EXPECT_EQ(c->Apply(m_performance), 1);
    EXPECT_EQ(m_log, (Log{"prepare a", "process a", "finish a"}));
    EXPECT_EQ(c->phases, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(c->GetTarget(), m_performance);
    EXPECT_EQ(c->GetRefCount(), 1) << "the caller's reference is all that is left";
    c->Unref(1);
    EXPECT_TRUE(deleted);

    // Without a holder the command goes with its run.
    deleted = false;
    TestCommand* unheld = command("b");
    unheld->deleted = &deleted;
    unheld->Apply(m_performance);
    EXPECT_TRUE(deleted);
}

TEST_F(CommandMgrTest, AsynchronousCommandRunsWhenTheLoopDeliversIt)
{
    EXPECT_EQ(command("a", false)->Apply(m_performance), 1);
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_performance->GetRefCount(), 2u);
    pump();
    EXPECT_EQ(m_log, (Log{"prepare a", "process a", "finish a"}));
}

TEST_F(CommandMgrTest, ListRunsPhaseByPhaseAndIsPostedWholeWhenOneCommandIsAsynchronous)
{
    {
        MCCommandList list;
        list.AddTail(command("a"));
        list.AddTail(command("b", false));
        EXPECT_EQ(list.Apply(m_performance), 1);
    }  // the caller's list may go at once
    EXPECT_TRUE(m_log.empty());
    pump();
    EXPECT_EQ(m_log, (Log{"prepare a", "prepare b", "process a", "process b", "finish a", "finish b"}));

    m_log.clear();
    MCCommandList synchronous;
    synchronous.AddTail(command("c"));
    synchronous.AddTail(command("d"));
    EXPECT_EQ(synchronous.Apply(m_performance), 1);
    EXPECT_EQ(m_log, (Log{"prepare c", "prepare d", "process c", "process d", "finish c", "finish d"}));
}

// A command that applies another synchronously from inside its Process, as the measure
// and meter commands do.
class NestingCommand : public TestCommand {
public:
    NestingCommand(Log* log, TestCommand* inner) : TestCommand(log, "outer"), m_inner(inner) {}
    int Process() override
    {
        const int result = TestCommand::Process();
        m_inner->Apply(GetTarget());
        return result;
    }

private:
    TestCommand* m_inner;
};

TEST_F(CommandMgrTest, CommandAppliedFromInsideAPhaseRunsNestedAtOnce)
{
    MCCommandMgr::BeginUndo(m_performance, "Nested");
    (new NestingCommand(&m_log, command("inner")))->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_EQ(m_log, (Log{"prepare outer", "process outer", "prepare inner", "process inner", "finish inner",
                          "finish outer", "500: inner outer"}));
    m_log.clear();
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(m_log.front(), "undo outer");
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "undo inner"), 1);
}

TEST_F(CommandMgrTest, NullOrEmptyApplicationsAreRefused)
{
    MCCommandList empty;
    TestCommand* c = command("a");
    c->Ref();
    EXPECT_EQ(MCCommandMgr::ApplyCommand(nullptr, m_performance), 0);
    EXPECT_EQ(MCCommandMgr::ApplyCommand(c, nullptr), 0);
    EXPECT_EQ(MCCommandMgr::ApplyCommands(nullptr, m_performance), 0);
    EXPECT_EQ(MCCommandMgr::ApplyCommands(&empty, m_performance), 0);
    EXPECT_EQ(c->GetRefCount(), 1);
    EXPECT_EQ(c->GetTarget(), nullptr);
    EXPECT_TRUE(m_log.empty());
    c->Unref(1);
}

TEST_F(CommandMgrTest, FailedPhaseAbortsItsCommandAndReportsState501)
{
    struct Case {
        const char* failing;  // "prepare", "process" or "finish" of b
        Log expected;
    };
    const Case cases[] = {
        {"prepare", {"prepare a", "prepare b", "abort b", "501: b"}},
        {"process", {"prepare a", "prepare b", "prepare c", "process a", "process b", "abort b", "501: b"}},
        {"finish", {"prepare a", "prepare b", "prepare c", "process a", "process b", "process c",
                    "finish a", "finish b", "abort b", "501: b"}},
    };
    for (const Case& k : cases) {
        m_log.clear();
        bool deleted[3] = {false, false, false};
        MCCommandList list;
        for (int i = 0; i < 3; ++i) {
            TestCommand* c = command(std::string(1, static_cast<char>('a' + i)));
            c->deleted = &deleted[i];
            list.AddTail(c);
        }
        TestCommand* b = static_cast<TestCommand*>(list.GetAt(list.FindIndex(1)));
        const std::string failing = k.failing;
        (failing == "prepare" ? b->prepareResult : failing == "process" ? b->processResult : b->finishResult) = 0;
        EXPECT_EQ(list.Apply(m_performance), 1) << "the result says nothing of the run";
        EXPECT_EQ(m_log, k.expected) << k.failing;
        list.RemoveAll();
        EXPECT_TRUE(deleted[0] && deleted[1] && deleted[2]) << "every command is released";
    }
}

TEST_F(CommandMgrTest, OnCommandReportsTheRunsResult)
{
    MCCommandList list;
    TestCommand* c = command("a");
    c->prepareResult = 0;
    MCCommandMgr::InitCommand(c, m_performance);
    m_performance->Ref();  // what an application holds
    list.AddTail(c);
    EXPECT_EQ(manager().OnCommand(list), 0);
    EXPECT_TRUE(list.IsEmpty());

    TestCommand* d = command("d");
    MCCommandMgr::InitCommand(d, m_performance);
    m_performance->Ref();
    list.AddTail(d);
    EXPECT_EQ(manager().OnCommand(list), 1);
    EXPECT_EQ(manager().OnCommand(list), 0) << "an empty list";
}

TEST_F(CommandMgrTest, ApplyingWithoutTheHiddenWindowFailsAndLeavesNothingPending)
{
    MCCommandMgr::Shutdown();
    TestCommand* c = command("a");
    c->Ref();
    TestCommand* posted = command("posted", false);
    posted->Ref();
    MCCommandList list;
    list.AddTail(command("listed"));
    MCCommandMgr::BeginUndo(m_performance, "Lost");
    EXPECT_EQ(c->Apply(m_performance), 0);
    EXPECT_EQ(posted->Apply(m_performance), 0);
    EXPECT_EQ(list.Apply(m_performance), 0);
    bool unheldDeleted = false;
    TestCommand* unheld = command("unheld");
    unheld->deleted = &unheldDeleted;
    EXPECT_EQ(unheld->Apply(m_performance), 0);
    EXPECT_TRUE(unheldDeleted) << "released as a run would release it";
    MCCommandMgr::EndUndo(m_performance);
    pump();
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(c->GetRefCount(), 1);
    EXPECT_EQ(posted->GetRefCount(), 1);
    EXPECT_EQ(m_performance->GetRefCount(), 1u);

    // The next manager makes the window again, and nothing waits for the failed ones.
    auto* another = new ECPerformance;
    another->Ref();
    addGroup("Kept");
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    EXPECT_EQ(m_performance->Undo(1), 1);
    another->Unref(1);
    c->Unref(1);
    posted->Unref(1);
}

// --- Handlers ---------------------------------------------------------------------------

TEST_F(CommandMgrTest, PrepareHandlersArePassedAgainUntilNoneAsksForMore)
{
    ScriptedHandler first{&m_log, "first"};
    ScriptedHandler second{&m_log, "second", {0, 1}};
    m_performance->AddCommandHandler(ScriptedHandler::call, &first);
    m_performance->AddCommandHandler(ScriptedHandler::call, &second);
    command("a")->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"prepare a", "first 0", "second 0", "first 0", "second 0", "process a",
                          "first 1", "second 1", "finish a"}));
    EXPECT_EQ(first.listSizes, (std::vector<int>{1, 1, 1}));
}

TEST_F(CommandMgrTest, HandlerRefusalsEndTheRunWithoutAbort)
{
    struct Case {
        int prepareAnswer;  // of the second handler
        int processAnswer;
        Log expected;
    };
    const Case cases[] = {
        {-1, 1, {"prepare a", "first 0", "second 0"}},
        {1, -1, {"prepare a", "first 0", "second 0", "third 0", "process a", "first 1", "second 1"}},
        // 0 in the process phase fails the run, yet the later handlers are still called.
        {1, 0, {"prepare a", "first 0", "second 0", "third 0", "process a", "first 1", "second 1", "third 1"}},
    };
    for (const Case& k : cases) {
        m_log.clear();
        manager().RemoveCommandHandlers();
        ScriptedHandler first{&m_log, "first"};
        ScriptedHandler second{&m_log, "second", {k.prepareAnswer}, k.processAnswer};
        ScriptedHandler third{&m_log, "third"};
        m_performance->AddCommandHandler(ScriptedHandler::call, &first);
        m_performance->AddCommandHandler(ScriptedHandler::call, &second);
        m_performance->AddCommandHandler(ScriptedHandler::call, &third);
        command("a")->Apply(m_performance);
        // No finish, no abort and no state 501.
        EXPECT_EQ(m_log, k.expected) << k.prepareAnswer << " " << k.processAnswer;
    }
    manager().RemoveCommandHandlers();
}

TEST_F(CommandMgrTest, PrepareHandlerThatNeverAgreesCannotHangTheRun)
{
    ScriptedHandler stubborn{&m_log, "stubborn", {0}};
    m_performance->AddCommandHandler(ScriptedHandler::call, &stubborn);
    bool deleted = false;
    TestCommand* c = command("a");
    c->deleted = &deleted;
    c->Apply(m_performance);
    EXPECT_EQ(stubborn.prepareCalls, MCCommandMgr::kMaxPreparePasses);
    EXPECT_EQ(stubborn.processCalls, 0);
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "process a"), 0);
    EXPECT_TRUE(deleted);
}

TEST_F(CommandMgrTest, HandlersAreInsertedAtTheirPosition)
{
    ScriptedHandler a{&m_log, "a"}, b{&m_log, "b"}, c{&m_log, "c"}, d{&m_log, "d"};
    manager().AddCommandHandler(ScriptedHandler::call, &a, 0);
    manager().AddCommandHandler(ScriptedHandler::call, &b, 0);   // first
    manager().AddCommandHandler(ScriptedHandler::call, &c, 99);  // beyond the end: last
    manager().AddCommandHandler(ScriptedHandler::call, &d, 1);   // before a
    command("x")->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"prepare x", "b 0", "d 0", "a 0", "c 0", "process x", "b 1", "d 1", "a 1",
                          "c 1", "finish x"}));
}

TEST_F(CommandMgrTest, HandlersRemovedDuringARunAreNotCalledAndAddedOnesWaitForTheNext)
{
    ScriptedHandler late{&m_log, "late"}, removed{&m_log, "removed"};
    struct Rearranger {
        MCCommandMgr* manager;
        ScriptedHandler* late;
        bool done = false;
        static int call(ECBase*, int, void*, void* user)
        {
            auto* self = static_cast<Rearranger*>(user);
            if (!self->done) {
                self->done = true;
                self->manager->RemoveCommandHandlers();
                self->manager->AddCommandHandler(ScriptedHandler::call, self->late, 0);
            }
            return 1;
        }
    } rearranger{&manager(), &late};
    manager().AddCommandHandler(Rearranger::call, &rearranger, 0);
    manager().AddCommandHandler(ScriptedHandler::call, &removed, 1);
    command("x")->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"prepare x", "process x", "late 1", "finish x"}));
    manager().RemoveCommandHandlers();
}

// --- Threads ----------------------------------------------------------------------------

TEST_F(CommandMgrTest, SynchronousCommandFromAWorkerRunsOnTheMainThreadWhileMainSendsToIt)
{
    // The worker owns a window whose handler applies a synchronous command. The main thread
    // sends to that window and so waits for the worker, which waits for the main thread to
    // run the command: the main thread must serve the command while it waits.
    std::unique_ptr<plat::MessageWindow> workerWindow;
    TestCommand* c = command("from worker");
    c->Ref();
    std::atomic<int> applied{-1};
    plat::Thread worker("command sender");
    ASSERT_TRUE(worker.start(
        [&] {
            workerWindow = std::make_unique<plat::MessageWindow>(
                "worker", [&](plat::MessageId, uintptr_t, intptr_t) -> intptr_t {
                    applied = c->Apply(m_performance);
                    return 5;
                });
        },
        [&] { workerWindow.reset(); }));
    EXPECT_EQ(workerWindow->ref().send(plat::kFirstPrivateMessage), 5);
    EXPECT_EQ(applied.load(), 1);
    EXPECT_EQ(m_log, (Log{"prepare from worker", "process from worker", "finish from worker"}));
    EXPECT_EQ(c->thread, std::this_thread::get_id());
    worker.quit();
    ASSERT_TRUE(worker.join(10000));
    c->Unref(1);
}

TEST_F(CommandMgrTest, PostedCommandsFromAWorkerRunOnTheMainThreadInOrder)
{
    std::vector<TestCommand*> commands;
    for (const char* name : {"a", "b", "c"}) {
        commands.push_back(command(name, false));
        commands.back()->Ref();
    }
    std::atomic<bool> done{false};
    plat::Thread worker("command poster");
    ASSERT_TRUE(worker.start());
    worker.loop()->postTask([&] {
        for (TestCommand* c : commands)
            c->Apply(m_performance);
        done = true;
    });
    ASSERT_TRUE(plat::MessageLoop::current().runUntil(
        [&] { return done.load() && m_log.size() == 9; }, std::chrono::seconds(10)));
    worker.quit();
    ASSERT_TRUE(worker.join(10000));
    EXPECT_EQ(m_log, (Log{"prepare a", "process a", "finish a", "prepare b", "process b", "finish b",
                          "prepare c", "process c", "finish c"}));
    for (TestCommand* c : commands) {
        EXPECT_EQ(c->thread, std::this_thread::get_id());
        c->Unref(1);
    }
}

// --- Command timer ----------------------------------------------------------------------

class CommandTimerTest : public CommandMgrTest {
protected:
    // Fires the batching timer as its window timer would, without waiting for it.
    void fireTimer(uintptr_t id = MCCommandTimer::kTimerId)
    {
        ASSERT_NE(manager().GetCommandTimer(), nullptr);
        manager().GetCommandTimer()->GetWindow().send(plat::kTimerMessage, id);
    }
    // A rate no test run reaches, so that only fireTimer ends a countdown.
    static constexpr unsigned kRate = 600000;
};

TEST_F(CommandTimerTest, AsynchronousCommandsWaitAndRunAsOneBatch)
{
    ScriptedHandler handler{&m_log, "handler"};
    m_performance->AddCommandHandler(ScriptedHandler::call, &handler);
    m_performance->SetCommandRate(kRate);
    command("a", false)->Apply(m_performance);
    command("b", false)->Apply(m_performance);
    {
        MCCommandList list;
        list.AddTail(command("c", false));
        list.Apply(m_performance);
    }
    pump();
    EXPECT_TRUE(m_log.empty());
    MCCommandTimer* timer = manager().GetCommandTimer();
    EXPECT_EQ(timer->GetQueueCount(), 3);
    EXPECT_TRUE(timer->IsTimerRunning());
    EXPECT_EQ(m_performance->GetRefCount(), 4u) << "one reference per application";

    // A synchronous command does not wait for the batch.
    command("now")->Apply(m_performance);
    EXPECT_EQ(m_log, (Log{"prepare now", "handler 0", "process now", "handler 1", "finish now"}));

    m_log.clear();
    handler.listSizes.clear();
    fireTimer(MCCommandTimer::kTimerId + 1);  // another timer's message is not ours
    EXPECT_TRUE(m_log.empty());
    fireTimer();
    EXPECT_EQ(m_log, (Log{"prepare a", "prepare b", "prepare c", "handler 0", "process a", "process b",
                          "process c", "handler 1", "finish a", "finish b", "finish c"}));
    EXPECT_EQ(handler.listSizes, (std::vector<int>{3, 3}));
    EXPECT_FALSE(timer->IsTimerRunning());
    EXPECT_EQ(timer->GetQueueCount(), 0);
    EXPECT_EQ(m_performance->GetRefCount(), 1u);

    // An empty queue runs nothing when the timer fires.
    m_log.clear();
    fireTimer();
    EXPECT_TRUE(m_log.empty());
    m_performance->SetCommandRate(0);
}

TEST_F(CommandTimerTest, RemovingTheTimerRunsWhatWaits)
{
    m_performance->SetCommandRate(kRate);
    command("a", false)->Apply(m_performance);
    command("b", false)->Apply(m_performance);
    pump();
    EXPECT_TRUE(m_log.empty());
    m_performance->SetCommandRate(0);
    EXPECT_EQ(manager().GetCommandTimer(), nullptr);
    EXPECT_EQ(m_log, (Log{"prepare a", "prepare b", "process a", "process b", "finish a", "finish b"}));

    // Without a timer, asynchronous commands run one message at a time again.
    m_log.clear();
    command("c", false)->Apply(m_performance);
    command("d", false)->Apply(m_performance);
    pump();
    EXPECT_EQ(m_log, (Log{"prepare c", "process c", "finish c", "prepare d", "process d", "finish d"}));

    // A new rate replaces the timer, running the old one's queue first.
    m_log.clear();
    m_performance->SetCommandRate(kRate);
    command("e", false)->Apply(m_performance);
    pump();
    m_performance->SetCommandRate(kRate / 2);
    EXPECT_EQ(m_log, (Log{"prepare e", "process e", "finish e"}));
    m_performance->SetCommandRate(0);
}

TEST_F(CommandTimerTest, FailureInABatchReleasesEveryCommand)
{
    m_performance->SetCommandRate(kRate);
    bool deleted[3] = {false, false, false};
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        TestCommand* c = command(names[i], false);
        c->deleted = &deleted[i];
        if (i == 1)
            c->prepareResult = 0;
        c->Apply(m_performance);
    }
    pump();
    fireTimer();
    EXPECT_EQ(m_log, (Log{"prepare a", "prepare b", "abort b", "501: b"}));
    EXPECT_TRUE(deleted[0] && deleted[1] && deleted[2]);
    m_performance->SetCommandRate(0);
}

// --- Undo and notification --------------------------------------------------------------

TEST_F(CommandMgrTest, UndoBracketGathersUndoableCommandsAndNotifiesOnce)
{
    MCCommandMgr::BeginUndo(m_performance, "Add Notes");
    command("a")->Apply(m_performance);
    TestCommand* plain = command("plain");
    plain->SetCanUndo(0);
    plain->Apply(m_performance);
    command("b")->Apply(m_performance);
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "500: a plain b"), 0) << "not before the bracket ends";
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_EQ(m_log.back(), "500: a plain b");
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    EXPECT_EQ(m_performance->GetUndoIndex(), 0);
    std::string name;
    EXPECT_EQ(m_performance->GetUndoString(name, -1), 1);
    EXPECT_EQ(name, "Add Notes");
    EXPECT_EQ(m_performance->GetRedoString(name, -1), 0);
    EXPECT_EQ(name, "");

    // Undo runs the group's commands backwards; their inverses are reported together.
    m_log.clear();
    EXPECT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(m_log, (Log{"undo b", "prepare ~b", "process ~b", "finish ~b", "undo a", "prepare ~a",
                          "process ~a", "finish ~a", "500: ~b ~a"}));
    EXPECT_EQ(m_performance->GetRedoString(name, -1), 1);
    EXPECT_EQ(name, "Add Notes");
    EXPECT_EQ(m_performance->GetUndoString(name, -1), 0);

    // Redo runs the same commands again, forwards, and keeps them in their group.
    m_log.clear();
    EXPECT_EQ(m_performance->Redo(1), 1);
    EXPECT_EQ(m_log, (Log{"prepare a", "process a", "finish a", "prepare b", "process b", "finish b",
                          "500: a b"}));
    EXPECT_EQ(m_performance->GetUndoIndex(), 0);
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    EXPECT_EQ(m_performance->Redo(1), 0);
}

TEST_F(CommandMgrTest, NotifyBracketWithoutCommandsSendsNothing)
{
    MCCommandMgr::BeginNotify(m_performance);
    MCCommandMgr::EndNotify(m_performance);
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_performance->GetUndoCount(), 0);

    MCCommandMgr::BeginNotify(m_performance);
    command("a")->Apply(m_performance);
    command("b")->Apply(m_performance);
    MCCommandMgr::EndNotify(m_performance);
    EXPECT_EQ(m_log.back(), "500: a b");
    EXPECT_EQ(m_performance->GetUndoCount(), 0);
    EXPECT_EQ(m_performance->GetUndoIndex(), -1);
}

TEST_F(CommandMgrTest, UndoInsideANotifyBracketKeepsTheBracketOpen)
{
    addGroup("one");
    m_log.clear();
    MCCommandMgr::BeginNotify(m_performance);
    command("before")->Apply(m_performance);
    EXPECT_EQ(m_performance->Undo(1), 1);
    command("after")->Apply(m_performance);
    EXPECT_EQ(std::count_if(m_log.begin(), m_log.end(), [](const std::string& line) {
                  return line.rfind("500:", 0) == 0;
              }),
              0);
    MCCommandMgr::EndNotify(m_performance);
    EXPECT_EQ(m_log.back(), "500: before ~one after");
}

TEST_F(CommandMgrTest, PostedCommandOfAClosedBracketClosesItWhenItRuns)
{
    addGroup("Before");
    m_log.clear();
    MCCommandMgr::BeginUndo(m_performance, "Late");
    command("late", false)->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    EXPECT_EQ(m_performance->Undo(1), 0) << "refused while a command of the bracket is pending";

    pump();
    EXPECT_EQ(m_log, (Log{"prepare late", "process late", "finish late", "500: late"}));
    EXPECT_EQ(m_performance->GetUndoCount(), 2);
    std::string name;
    m_performance->GetUndoString(name, -1);
    EXPECT_EQ(name, "Late");
}

TEST_F(CommandMgrTest, LateCommandIsFiledUnderTheBracketItWasAppliedIn)
{
    MCCommandMgr::BeginUndo(m_performance, "First");
    command("a", false)->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    MCCommandMgr::BeginUndo(m_performance, "Second");
    command("b")->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    pump();  // a runs only now
    ASSERT_EQ(m_performance->GetUndoCount(), 2);

    m_log.clear();
    ASSERT_EQ(m_performance->Undo(1), 1);
    std::string name;
    m_performance->GetRedoString(name, -1);
    EXPECT_EQ(name, "First");
    EXPECT_EQ(m_log.front(), "undo a");
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "undo b"), 0);

    m_log.clear();
    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(m_log.front(), "undo b");
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "undo a"), 0);
}

TEST_F(CommandMgrTest, AbortedCommandsDoNotWedgeTheBrackets)
{
    ScriptedHandler refusing{&m_log, "refusing", {1}, 1};
    m_performance->AddCommandHandler(ScriptedHandler::call, &refusing);

    MCCommandMgr::BeginUndo(m_performance, "Mixed");
    command("a", false)->Apply(m_performance);
    TestCommand* failing = command("failing", false);
    failing->prepareResult = 0;
    failing->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    pump();
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "501: failing"), 1);
    EXPECT_EQ(m_log.back(), "500: a");
    EXPECT_EQ(m_performance->GetUndoCount(), 1);

    // A run a handler stops settles its commands too.
    m_log.clear();
    refusing.processAnswer = -1;
    MCCommandMgr::BeginUndo(m_performance, "Refused");
    command("refused", false)->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    pump();
    EXPECT_EQ(std::count(m_log.begin(), m_log.end(), "finish refused"), 0);
    EXPECT_EQ(m_performance->GetUndoCount(), 1) << "an empty group is not pushed";
    manager().RemoveCommandHandlers();

    m_log.clear();
    EXPECT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(m_log.front(), "undo a");
    MCCommandMgr::BeginUndo(m_performance, "Next");
    command("c")->Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
    EXPECT_EQ(m_performance->GetUndoIndex(), 0);
}

TEST_F(CommandMgrTest, UndoAndRedoWalkTheStack)
{
    addGroup("one");
    addGroup("two");
    std::string name;
    struct Step {
        const char* action;  // "undo", "redo" or "index"
        int count;
        int result;
        int index;
        const char* undoName;  // "" when there is none
        const char* redoName;
    };
    const Step steps[] = {
        {"undo", 1, 1, 1, "one", "two"},
        {"redo", 1, 1, 0, "two", ""},
        {"undo", 5, 1, 2, "", "one"},
        {"undo", 1, 0, 2, "", "one"},
        {"index", 0, -1, 0, "two", ""},
        {"redo", 1, 0, 0, "two", ""},
        {"index", 2, -1, 2, "", "one"},
        {"redo", 1, 1, 1, "one", "two"},
    };
    for (const Step& s : steps) {
        const std::string action = s.action;
        if (action == "undo")
            EXPECT_EQ(m_performance->Undo(s.count), s.result) << action << s.count;
        else if (action == "redo")
            EXPECT_EQ(m_performance->Redo(s.count), s.result) << action << s.count;
        else
            m_performance->SetUndoIndex(s.count);
        EXPECT_EQ(m_performance->GetUndoIndex(), s.index) << action << s.count;
        m_performance->GetUndoString(name, -1);
        EXPECT_EQ(name, s.undoName) << action << s.count;
        m_performance->GetRedoString(name, -1);
        EXPECT_EQ(name, s.redoName) << action << s.count;
    }
    EXPECT_EQ(m_performance->GetUndoString(name, 1), 1);
    EXPECT_EQ(name, "one");
    EXPECT_EQ(m_performance->GetUndoString(name, 2), 0);
}

TEST_F(CommandMgrTest, NewGroupDropsUndoneGroupsAndIdleTimeDeletesThem)
{
    bool oneDeleted = false, twoDeleted = false;
    addGroup("one", &oneDeleted);
    addGroup("two", &twoDeleted);
    m_performance->Undo(2);
    MCCommandMgr::OnIdle();
    EXPECT_FALSE(oneDeleted);

    addGroup("three");
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    EXPECT_EQ(m_performance->GetUndoIndex(), 0);
    EXPECT_FALSE(oneDeleted || twoDeleted) << "dropped groups wait for idle time";
    MCCommandMgr::OnIdle();
    EXPECT_TRUE(oneDeleted && twoDeleted);
}

TEST_F(CommandMgrTest, LevelLimitTrimsTheOldestGroups)
{
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 10);
    MCCommandMgr::SetUndoLevels(-5);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 0);
    MCCommandMgr::SetUndoLevels(20'000'000);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 10'000'000);

    MCCommandMgr::SetUndoLevels(3);
    bool firstDeleted = false;
    addGroup("1", &firstDeleted);
    for (const char* name : {"2", "3", "4"})
        addGroup(name);
    EXPECT_EQ(m_performance->GetUndoCount(), 3);
    std::string name;
    m_performance->GetUndoString(name, 2);
    EXPECT_EQ(name, "2");
    MCCommandMgr::OnIdle();
    EXPECT_TRUE(firstDeleted);

    // No levels: every closed group is trimmed at once and there is nothing to undo.
    MCCommandMgr::SetUndoLevels(0);
    addGroup("5");
    EXPECT_EQ(m_performance->GetUndoCount(), 0);
    EXPECT_EQ(m_performance->Undo(1), 0);
}

TEST_F(CommandMgrTest, ClearUndoDeletesTheHistoryAtOnce)
{
    bool deleted = false;
    addGroup("one", &deleted);
    addGroup("two");
    EXPECT_EQ(m_performance->ClearUndo(), 1);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(m_performance->GetUndoCount(), 0);
    EXPECT_EQ(m_performance->GetUndoIndex(), -1);
    EXPECT_EQ(m_performance->Undo(1), 0);
    EXPECT_EQ(m_performance->Redo(1), 0);
}

}  // namespace

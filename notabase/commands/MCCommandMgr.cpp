#include "notabase/commands/MCCommandMgr.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandTimer.h"
#include "notabase/commands/MCUndoItem.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCCommand.h"
#include "platform/core/HiddenWindow.h"
#include "platform/core/Trace.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace {

// The hidden window shared by every command manager of the process.
plat::HiddenWindow& commandWindowState()
{
    static plat::HiddenWindow window("MCCommandMgr");
    return window;
}

plat::WindowRef commandWindow()
{
    return commandWindowState().ref();
}

// Undo groups dropped from any stack wait here until the program is idle, so that a group is
// never deleted while one of its commands may still be running.
struct DeferredGroups {
    std::mutex mutex;
    std::vector<std::unique_ptr<MCUndoItem>> groups;
};

DeferredGroups& deferredGroups()
{
    static DeferredGroups instance;
    return instance;
}

std::atomic<int> s_undoLevels{10};

}  // namespace

MCCommandMgr::MCCommandMgr()
{
    Initialize();
}

MCCommandMgr::~MCCommandMgr()
{
    RemoveCommandHandlers();
    ClearUndo();
    m_pendingNotification.reset();
    m_timer.reset();
}

void MCCommandMgr::Initialize()
{
    const bool alive = commandWindowState().create(
        [](plat::MessageId id, uintptr_t wParam, intptr_t lParam) -> intptr_t {
            if (id != kCommandMessage || wParam > 1)
                return 0;
            OnCommandMsg(wParam, lParam);
            // Tells the sender the command was taken.
            return 1;
        });
    if (!alive)
        plat::trace("MCCommandMgr::Initialize -- CreateWindow FAILED\n");
}

void MCCommandMgr::Shutdown()
{
    commandWindowState().destroy();
}

MCCommandMgr* MCCommandMgr::managerOf(ECPerformanceBase* performance)
{
    return &performance->GetCommandMgr();
}

int MCCommandMgr::InitCommand(CCBase* command, ECPerformanceBase* performance)
{
    MCCommandMgr* manager = managerOf(performance);
    {
        std::lock_guard guard(manager->m_mutex);
        if ((manager->m_modes & kUndoMode) && command->CanUndo() && manager->m_openGroup) {
            ++manager->m_undoPending;
            ++manager->m_openGroup->m_pending;
            manager->m_undoOwners.emplace(command, manager->m_openGroup.get());
            command->SetRecordedForUndo(1);
        } else {
            command->SetRecordedForUndo(0);
        }
        if (manager->m_modes & kNotifyMode) {
            ++manager->m_notifyPending;
            command->SetRecordedForNotify(1);
        } else {
            command->SetRecordedForNotify(0);
        }
    }
    command->Ref();
    command->SetTarget(performance);
    return 1;
}

int MCCommandMgr::ApplyCommand(CCBase* command, ECPerformanceBase* performance)
{
    if (!command || !performance)
        return 0;
    performance->Ref();
    InitCommand(command, performance);
    const plat::WindowRef window = commandWindow();
    const intptr_t address = reinterpret_cast<intptr_t>(command);
    bool delivered = false;
    if (window.isAlive()) {
        delivered = command->IsSynchronous() ? window.send(kCommandMessage, 0, address) != 0
                                             : window.post(kCommandMessage, 0, address);
    }
    if (delivered)
        return 1;
    // No window took the command: withdraw the application. The command is released as a
    // run would release it, so that a command nobody holds does not leak.
    plat::trace("MCCommandMgr::ApplyCommand -- no command window\n");
    MCCommandMgr* manager = managerOf(performance);
    manager->settleUndo(command, false);
    manager->settleNotify(command, false);
    command->Unref(1);
    performance->Unref(0);
    return 0;
}

int MCCommandMgr::ApplyCommands(MCCommandList* commands, ECPerformanceBase* performance)
{
    if (!commands || !performance || commands->IsEmpty())
        return 0;
    performance->Ref();
    auto run = std::make_unique<MCCommandList>(10);
    for (CCBase* command : *commands) {
        InitCommand(command, performance);
        run->AddTail(command);
    }
    const plat::WindowRef window = commandWindow();
    if (window.isAlive()) {
        // The receiver owns and deletes the list it is given.
        MCCommandList* handed = run.release();
        const intptr_t address = reinterpret_cast<intptr_t>(handed);
        const bool delivered = commands->IsSynchronous()
            ? window.send(kCommandMessage, 1, address) != 0
            : window.post(kCommandMessage, 1, address);
        if (delivered)
            return 1;
        run.reset(handed);
    }
    plat::trace("MCCommandMgr::ApplyCommands -- no command window\n");
    MCCommandMgr* manager = managerOf(performance);
    for (CCBase* command : *run) {
        manager->settleUndo(command, false);
        manager->settleNotify(command, false);
        command->Unref(1);
    }
    run.reset();
    performance->Unref(0);
    return 0;
}

int MCCommandMgr::OnCommandMsg(uintptr_t wParam, intptr_t lParam)
{
    if (wParam == 0) {
        CCBase* command = reinterpret_cast<CCBase*>(lParam);
        if (!command || !command->GetTarget())
            return 0;
        MCCommandMgr* manager = managerOf(command->GetTarget());
        if (!command->IsSynchronous() && manager->m_timer) {
            manager->m_timer->AddCommand(command);
            return 0;
        }
        MCCommandList commands(10);
        commands.AddTail(command);
        manager->OnCommand(commands, 1);
    } else if (wParam == 1) {
        std::unique_ptr<MCCommandList> commands(reinterpret_cast<MCCommandList*>(lParam));
        if (!commands || !commands->GetTarget())
            return 0;
        MCCommandMgr* manager = managerOf(commands->GetTarget());
        if (!commands->IsSynchronous() && manager->m_timer) {
            manager->m_timer->AddCommands(commands.get());
            return 0;
        }
        manager->OnCommand(*commands, 1);
    }
    return 0;
}

int MCCommandMgr::OnCommand(MCCommandList& commands, int applications)
{
    if (commands.IsEmpty())
        return 0;
    ECPerformanceBase* performance = commands.GetTarget();
    if (performance)
        performance->Lock();
    int ok = performance ? Prepare(commands) : 0;
    if (ok)
        ok = Process(commands);
    if (ok)
        ok = Finish(commands, performance);
    // Commands that left the run early were counted when applied: settle them, so that an
    // abort does not leave the undo and notification brackets waiting for ever.
    for (CCBase* command : commands) {
        settleUndo(command, false);
        settleNotify(command, false);
    }
    for (CCBase* command : commands)
        command->Unref(1);
    commands.RemoveAll();
    if (performance) {
        performance->Unlock();
        // One reference for each application; the performance, and this manager with it,
        // may go with the last.
        for (int i = 0; i < applications; ++i)
            performance->Unref(1);
    }
    return ok;
}

int MCCommandMgr::callHandlers(MCCommandList& commands, int phase)
{
    int result = 1;
    const auto stops = [&result](int answer) {
        if (answer == 0)
            result = 0;
        return answer == -1;
    };
    return m_handlers.callUntil(stops, m_owner, phase, &commands) ? -1 : result;
}

int MCCommandMgr::Prepare(MCCommandList& commands)
{
    for (CCBase* command : commands) {
        command->SetCommandPhase(0);
        if (!command->Prepare())
            return Abort(command);
    }
    for (int pass = 0; pass < kMaxPreparePasses; ++pass) {
        const int answer = callHandlers(commands, 0);
        if (answer == -1)
            return 0;
        if (answer == 1)
            return 1;
    }
    plat::trace("MCCommandMgr::Prepare -- handlers did not agree after %d passes\n",
                kMaxPreparePasses);
    return 0;
}

int MCCommandMgr::Process(MCCommandList& commands)
{
    for (CCBase* command : commands) {
        command->SetCommandPhase(1);
        if (!command->Process())
            return Abort(command);
    }
    return callHandlers(commands, 1) == 1 ? 1 : 0;
}

int MCCommandMgr::Finish(MCCommandList& commands, ECPerformanceBase* /*performance*/)
{
    for (CCBase* command : commands) {
        command->SetCommandPhase(2);
        if (!command->Finish())
            return Abort(command);
        settleUndo(command, true);
        settleNotify(command, true);
    }
    return 1;
}

int MCCommandMgr::Abort(CCBase* command)
{
    command->Abort();
    auto state = std::make_unique<SCCommand>(SCCommand::kAborted);
    state->SetSynchronous(1);
    state->AddCommand(command);
    MCStateMgr::ApplyState(state.release(), m_owner);
    return 0;
}

void MCCommandMgr::settleUndo(CCBase* command, bool finished)
{
    std::lock_guard guard(m_mutex);
    if (!command->IsRecordedForUndo())
        return;
    command->SetRecordedForUndo(0);
    if (m_undoPending > 0)
        --m_undoPending;
    const auto owner = m_undoOwners.find(command);
    if (owner == m_undoOwners.end())
        return;
    MCUndoItem* group = owner->second;
    m_undoOwners.erase(owner);
    if (finished)
        group->AddCommand(command);
    --group->m_pending;
    closeGroupIfDone(group);
}

void MCCommandMgr::closeGroupIfDone(MCUndoItem* group)
{
    if (group->m_pending > 0)
        return;
    if (group == m_openGroup.get()) {
        if (!(m_modes & kUndoMode))
            FinishUndo(std::move(m_openGroup));
        return;
    }
    const auto closing = std::find_if(m_closingGroups.begin(), m_closingGroups.end(),
                                      [group](const auto& g) { return g.get() == group; });
    if (closing == m_closingGroups.end())
        return;
    std::unique_ptr<MCUndoItem> done = std::move(*closing);
    m_closingGroups.erase(closing);
    FinishUndo(std::move(done));
}

void MCCommandMgr::settleNotify(CCBase* command, bool finished)
{
    bool deliver = false;
    {
        std::lock_guard guard(m_mutex);
        if (!command->IsRecordedForNotify())
            return;
        command->SetRecordedForNotify(0);
        if (finished && m_pendingNotification)
            m_pendingNotification->AddCommand(command);
        if (m_notifyPending > 0)
            --m_notifyPending;
        deliver = !(m_modes & kNotifyMode) && m_notifyPending == 0;
    }
    if (deliver)
        FinishNotify();
}

void MCCommandMgr::FinishUndo(std::unique_ptr<MCUndoItem> group)
{
    if (!group)
        return;
    std::lock_guard guard(m_mutex);
    DeferredGroups& deferred = deferredGroups();
    std::lock_guard deferredGuard(deferred.mutex);
    if (group->IsEmpty()) {
        deferred.groups.push_back(std::move(group));
        return;
    }
    for (int i = 0; i < m_undoIndex && !m_undoStack.empty(); ++i) {
        deferred.groups.push_back(std::move(m_undoStack.front()));
        m_undoStack.pop_front();
    }
    m_undoStack.push_front(std::move(group));
    const size_t levels = static_cast<size_t>(GetUndoLevels());
    while (m_undoStack.size() > levels) {
        deferred.groups.push_back(std::move(m_undoStack.back()));
        m_undoStack.pop_back();
    }
    m_undoIndex = 0;
}

void MCCommandMgr::FinishNotify()
{
    std::unique_ptr<SCCommand> state;
    {
        std::lock_guard guard(m_mutex);
        if (!m_pendingNotification || m_pendingNotification->GetCommands().IsEmpty())
            return;
        state = std::move(m_pendingNotification);
    }
    // Synchronous and auto-delete: the handlers see it before this returns, and its
    // deletion releases the commands.
    MCStateMgr::ApplyState(state.release(), m_owner);
}

void MCCommandMgr::AddCommandHandler(Handler handler, void* userData, int position)
{
    // No token is kept: RemoveCommandHandlers removes them all together.
    const auto add = [this](const Registration& r) {
        m_handlers.add([r](ECBase* owner, int phase, void* commands) {
            return r.handler(owner, phase, commands, r.userData);
        }).release();
    };
    std::lock_guard guard(m_handlerMutex);
    if (position < 0 || static_cast<size_t>(position) >= m_handlerOrder.size()) {
        m_handlerOrder.push_back({handler, userData});
        add(m_handlerOrder.back());
        return;
    }
    m_handlerOrder.insert(m_handlerOrder.begin() + position, {handler, userData});
    m_handlers.clear();
    for (const Registration& r : m_handlerOrder)
        add(r);
}

void MCCommandMgr::RemoveCommandHandler(Handler handler, void* userData)
{
    std::lock_guard guard(m_handlerMutex);
    std::erase_if(m_handlerOrder, [&](const Registration& r) { return r.handler == handler && r.userData == userData; });
    m_handlers.clear();
    for (const Registration& r : m_handlerOrder) {
        m_handlers.add([r](ECBase* owner, int phase, void* commands) {
            return r.handler(owner, phase, commands, r.userData);
        }).release();
    }
}

void MCCommandMgr::RemoveCommandHandlers()
{
    std::lock_guard guard(m_handlerMutex);
    m_handlerOrder.clear();
    m_handlers.clear();
}

void MCCommandMgr::SetCommandRate(unsigned int rate)
{
    m_timer.reset();
    if (rate != 0)
        m_timer = std::make_unique<MCCommandTimer>(this, rate);
}

void MCCommandMgr::BeginUndo(ECPerformanceBase* performance, const std::string& name)
{
    if (!performance)
        return;
    MCCommandMgr* manager = managerOf(performance);
    manager->SetUndoMode(1, &name);
    manager->SetNotifyMode(1);
}

void MCCommandMgr::EndUndo(ECPerformanceBase* performance)
{
    if (!performance)
        return;
    MCCommandMgr* manager = managerOf(performance);
    manager->SetUndoMode(0, nullptr);
    manager->SetNotifyMode(0);
}

void MCCommandMgr::BeginNotify(ECPerformanceBase* performance)
{
    if (performance)
        managerOf(performance)->SetNotifyMode(1);
}

void MCCommandMgr::EndNotify(ECPerformanceBase* performance)
{
    if (performance)
        managerOf(performance)->SetNotifyMode(0);
}

int MCCommandMgr::GetUndoMode() const
{
    std::lock_guard guard(m_mutex);
    return (m_modes & kUndoMode) ? 1 : 0;
}

void MCCommandMgr::SetUndoMode(int on, const std::string* name)
{
    std::lock_guard guard(m_mutex);
    if (((m_modes & kUndoMode) != 0) == (on != 0))
        return;
    if (on) {
        if (!name) {
            plat::trace("MCCommandMgr::SetUndoMode -- no name\n");
            return;
        }
        m_modes |= kUndoMode;
        // A group of an earlier bracket still waiting for posted commands keeps waiting on
        // its own, so that they are filed under it and not under the new group.
        if (m_openGroup) {
            if (m_openGroup->m_pending > 0)
                m_closingGroups.push_back(std::move(m_openGroup));
            else
                FinishUndo(std::move(m_openGroup));
        }
        m_openGroup = std::make_unique<MCUndoItem>(*name);
    } else {
        m_modes &= static_cast<uint8_t>(~kUndoMode);
        if (m_openGroup && m_openGroup->m_pending == 0)
            FinishUndo(std::move(m_openGroup));
    }
}

int MCCommandMgr::GetNotifyMode() const
{
    std::lock_guard guard(m_mutex);
    return (m_modes & kNotifyMode) ? 1 : 0;
}

void MCCommandMgr::SetNotifyMode(int on)
{
    bool deliver = false;
    {
        std::lock_guard guard(m_mutex);
        if (((m_modes & kNotifyMode) != 0) == (on != 0))
            return;
        if (on) {
            m_modes |= kNotifyMode;
            if (!m_pendingNotification) {
                m_pendingNotification = std::make_unique<SCCommand>(SCCommand::kProcessed);
                m_pendingNotification->SetSynchronous(1);
            }
        } else {
            m_modes &= static_cast<uint8_t>(~kNotifyMode);
            deliver = m_notifyPending == 0;
        }
    }
    if (deliver)
        FinishNotify();
}

MCUndoItem* MCCommandMgr::groupAt(int position) const
{
    if (position < 0 || static_cast<size_t>(position) >= m_undoStack.size())
        return nullptr;
    return m_undoStack[static_cast<size_t>(position)].get();
}

void MCCommandMgr::Replay(int groups, bool undo)
{
    // The inverse commands are reported together as one state 500; inside a notify bracket
    // they join it, and the bracket stays open for what its caller applies next.
    const int notifying = GetNotifyMode();
    SetNotifyMode(1);
    for (int i = 0; i < groups; ++i) {
        MCUndoItem* group = nullptr;
        {
            std::lock_guard guard(m_mutex);
            group = groupAt(undo ? m_undoIndex : m_undoIndex - 1);
        }
        if (!group)
            break;
        if (undo)
            group->UndoCommands();
        else
            group->RedoCommands();
        std::lock_guard guard(m_mutex);
        m_undoIndex += undo ? 1 : -1;
    }
    SetNotifyMode(notifying);
}

int MCCommandMgr::Undo(int count)
{
    int n = 0;
    {
        std::lock_guard guard(m_mutex);
        if (m_undoIndex < 0 || m_undoPending > 0)
            return 0;
        n = std::min(count, static_cast<int>(m_undoStack.size()) - m_undoIndex);
        if (n < 1)
            return 0;
    }
    Replay(n, true);
    return 1;
}

int MCCommandMgr::Redo(int count)
{
    int n = 0;
    {
        std::lock_guard guard(m_mutex);
        if (m_undoIndex < 1)
            return 0;
        n = std::min(count, m_undoIndex);
        if (n < 1)
            return 0;
    }
    Replay(n, false);
    return 1;
}

int MCCommandMgr::GetUndoIndex() const
{
    std::lock_guard guard(m_mutex);
    return m_undoIndex;
}

void MCCommandMgr::SetUndoIndex(int index)
{
    const int current = GetUndoIndex();
    if (current <= index)
        Undo(index - current);
    else
        Redo(current - index);
}

int MCCommandMgr::GetUndoCount() const
{
    std::lock_guard guard(m_mutex);
    return static_cast<int>(m_undoStack.size());
}

int MCCommandMgr::GetUndoString(std::string& out, int position) const
{
    out.clear();
    std::lock_guard guard(m_mutex);
    if (m_undoIndex < 0)
        return 0;
    const MCUndoItem* group = groupAt(position == -1 ? m_undoIndex : position);
    if (!group)
        return 0;
    out = group->GetName();
    return 1;
}

int MCCommandMgr::GetRedoString(std::string& out, int position) const
{
    out.clear();
    std::lock_guard guard(m_mutex);
    if (m_undoIndex < 1)
        return 0;
    const MCUndoItem* group = groupAt(position == -1 ? m_undoIndex - 1 : position);
    if (!group)
        return 0;
    out = group->GetName();
    return 1;
}

int MCCommandMgr::ClearUndo()
{
    // Deleted after the lock is left: deleting a group releases its commands.
    std::vector<std::unique_ptr<MCUndoItem>> doomed;
    {
        std::lock_guard guard(m_mutex);
        // The group of a bracket still open survives; groups of closed brackets still
        // waiting for commands go with the history, and those commands join nothing.
        const MCUndoItem* survivor = (m_modes & kUndoMode) ? m_openGroup.get() : nullptr;
        if (!survivor && m_openGroup)
            doomed.push_back(std::move(m_openGroup));
        for (auto& group : m_closingGroups)
            doomed.push_back(std::move(group));
        m_closingGroups.clear();
        for (auto it = m_undoOwners.begin(); it != m_undoOwners.end();) {
            if (it->second == survivor) {
                ++it;
            } else {
                it = m_undoOwners.erase(it);
            }
        }
        for (auto& group : m_undoStack)
            doomed.push_back(std::move(group));
        m_undoStack.clear();
        m_undoIndex = -1;
    }
    return 1;
}

int MCCommandMgr::GetUndoLevels()
{
    return s_undoLevels.load();
}

void MCCommandMgr::SetUndoLevels(int levels)
{
    s_undoLevels.store(std::clamp(levels, 0, kMaxUndoLevels));
}

void MCCommandMgr::OnIdle()
{
    std::vector<std::unique_ptr<MCUndoItem>> doomed;
    {
        DeferredGroups& deferred = deferredGroups();
        std::lock_guard guard(deferred.mutex);
        doomed.swap(deferred.groups);
    }
}

#include "notabase/states/MCStateMgr.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/states/SCBase.h"
#include "platform/core/HiddenWindow.h"
#include "platform/core/Trace.h"

#include <memory>
#include <mutex>
#include <utility>

namespace {

// The hidden window shared by every state manager of the process, and the handlers that
// are not a performance's.
struct StateWindow {
    plat::HiddenWindow window{"MCStateMgr"};
    std::mutex mutex;  // guards the handlers
    MCStateMgr::Handler globalHandler = nullptr;
    void* globalUserData = nullptr;
    MCStateMgr::MainWindowHandler mainWindowHandler;
};

StateWindow& shared()
{
    static StateWindow instance;
    return instance;
}

plat::WindowRef stateWindow()
{
    return shared().window.ref();
}

}  // namespace

MCStateMgr::MCStateMgr()
{
    Initialize();
}

MCStateMgr::~MCStateMgr()
{
    RemoveStateHandlers();
}

void MCStateMgr::Initialize()
{
    const bool alive = shared().window.create(
        [](plat::MessageId id, uintptr_t wParam, intptr_t lParam) -> intptr_t {
            if (id != kStateMessage)
                return 0;
            OnStateMsg(wParam, lParam);
            // Tells the sender the state was delivered.
            return 1;
        });
    if (!alive)
        plat::trace("MCStateMgr::Initialize -- CreateWindow FAILED\n");
}

void MCStateMgr::Shutdown()
{
    shared().window.destroy();
}

void MCStateMgr::AddStateHandler(Handler handler, void* userData)
{
    // Removed all together by RemoveStateHandlers: no token is kept.
    m_handlers.add([handler, userData](ECBase* owner, void* state) {
        handler(owner, 0, state, userData);
    }).release();
}

void MCStateMgr::RemoveStateHandlers()
{
    m_handlers.clear();
}

void MCStateMgr::SetGlobalHandler(Handler handler, void* userData)
{
    Initialize();
    StateWindow& s = shared();
    std::lock_guard guard(s.mutex);
    s.globalHandler = handler;
    s.globalUserData = userData;
}

MCStateMgr::MainWindowHandler MCStateMgr::SetMainWindowHandler(MainWindowHandler handler)
{
    StateWindow& s = shared();
    std::lock_guard guard(s.mutex);
    return std::exchange(s.mainWindowHandler, std::move(handler));
}

void MCStateMgr::ApplyState(SCBase* state, ECPerformanceBase* performance)
{
    if (!state)
        return;
    const plat::WindowRef window = stateWindow();
    if (!window.isAlive()) {
        if (state->IsAutoDelete())
            delete state;
        return;
    }
    state->SetTarget(performance);
    if (performance)
        performance->Ref();
    const intptr_t address = reinterpret_cast<intptr_t>(state);
    const bool delivered = state->IsSynchronous()
        ? window.send(kStateMessage, 0, address) != 0
        : window.post(kStateMessage, 0, address);
    if (delivered)
        return;
    // The window went away before it took the state: give back what was taken.
    if (performance)
        performance->Unref(0);
    if (state->IsAutoDelete())
        delete state;
}

int MCStateMgr::OnStateMsg(uintptr_t /*wParam*/, intptr_t lParam)
{
    SCBase* state = reinterpret_cast<SCBase*>(lParam);
    if (!state)
        return 0;
    state->DoState();
    if (ECPerformanceBase* target = state->GetTarget()) {
        target->GetStateMgr().OnState(state);
    } else {
        MainWindowHandler mainWindow;
        {
            StateWindow& s = shared();
            std::lock_guard guard(s.mutex);
            mainWindow = s.mainWindowHandler;
        }
        if (mainWindow)
            mainWindow(state);
    }
    if (state->IsAutoDelete())
        delete state;
    return 0;
}

void MCStateMgr::OnState(SCBase* state)
{
    m_handlers.call(m_owner, state);
    Handler global = nullptr;
    void* globalUserData = nullptr;
    {
        StateWindow& s = shared();
        std::lock_guard guard(s.mutex);
        global = s.globalHandler;
        globalUserData = s.globalUserData;
    }
    if (global)
        global(m_owner, 0, state, globalUserData);
    // The reference ApplyState took; the performance, and this manager with it, may go here.
    if (ECPerformanceBase* target = state->GetTarget())
        target->Unref(1);
}

#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/CallbackList.h"
#include "platform/core/Message.h"

#include <cstdint>
#include <functional>

class ECBase;
class ECPerformanceBase;
class SCBase;

// Delivers the states applied to one performance to that performance's state handlers. Every
// performance holds one. States travel to one hidden window of the process ("MCStateMgr",
// made on the thread that builds the first manager: the main thread), so that handlers run
// on that thread whichever thread applied the state.
class NOTABASE_API MCStateMgr {
public:
    // Called as (owner performance, 0, state, user data); the answer is ignored.
    using Handler = int (*)(ECBase* owner, int phase, void* state, void* userData);
    // Receives the states applied without a performance: the program's main window.
    using MainWindowHandler = std::function<void(SCBase* state)>;

    static constexpr plat::MessageId kStateMessage = 0x3280;

    MCStateMgr();
    ~MCStateMgr();
    MCStateMgr(const MCStateMgr&) = delete;
    MCStateMgr& operator=(const MCStateMgr&) = delete;

    void SetOwner(ECPerformanceBase* owner) { m_owner = owner; }
    ECPerformanceBase* GetOwner() const { return m_owner; }

    // Handlers may be added and removed from any thread, and from inside a handler.
    void AddStateHandler(Handler handler, void* userData);
    // Once it returns, no handler of this manager runs on another thread or is called again.
    void RemoveStateHandlers();

    // The one global handler, called after the performance's own; a later call replaces it.
    static void SetGlobalHandler(Handler handler, void* userData);
    // Installs the receiver of states without a performance; returns the previous one.
    static MainWindowHandler SetMainWindowHandler(MainWindowHandler handler);

    // Sends a synchronous state (delivered before this returns) or posts any other. The
    // target performance is held until delivery ends. When the state cannot be delivered an
    // auto-delete state is deleted, and one with auto-delete off stays its sender's.
    static void ApplyState(SCBase* state, ECPerformanceBase* performance);
    static int OnStateMsg(uintptr_t wParam, intptr_t lParam);
    // Destroys the hidden window, on the thread that owns it, for an orderly end of the
    // program; until the next manager is made, applied states are not delivered.
    static void Shutdown();
    // The performance's handlers in registration order, then the global handler.
    void OnState(SCBase* state);

protected:
    static void Initialize();

private:
    ECPerformanceBase* m_owner = nullptr;
    // Called as (owner, state).
    plat::CallbackList<void(ECBase*, void*)> m_handlers;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/CallbackList.h"
#include "platform/core/Message.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CCBase;
class ECBase;
class ECPerformanceBase;
class MCCommandList;
class MCCommandTimer;
class MCUndoItem;
class SCCommand;

// Runs the commands of one performance and keeps its undo history. Every performance holds
// one. Commands reach the manager as a message to one hidden window of the process
// ("MCCommandMgr", made by the first manager on its thread: the main thread), so that every
// run happens on that thread, one at a time, under the performance lock. A run takes a list
// of commands through Prepare, Process and Finish, lets the command handlers take part, and
// aborts on the first failure.
//
// Undo: between BeginUndo and EndUndo the undoable commands applied are gathered into one
// named group of the undo stack; between BeginNotify and EndNotify (and inside an undo
// bracket) the commands processed are gathered into one state 500 delivered when the bracket
// closes. Membership is decided when a command is applied, so a posted command joins the
// bracket it was applied in, whenever it runs.
class NOTABASE_API MCCommandMgr {
public:
    // Called as (owner performance, phase, the MCCommandList being run, user data). Answers:
    // 1 agreed, 0 not yet (prepare) or failed (process), -1 stop the run.
    using Handler = int (*)(ECBase* owner, int phase, void* commands, void* userData);

    static constexpr plat::MessageId kCommandMessage = 12929;
    // A prepare phase whose handlers still ask for another pass after this many ends the run:
    // a handler that never agrees must not hang the main thread.
    static constexpr int kMaxPreparePasses = 1000;
    static constexpr int kMaxUndoLevels = 10'000'000;

    MCCommandMgr();
    ~MCCommandMgr();
    MCCommandMgr(const MCCommandMgr&) = delete;
    MCCommandMgr& operator=(const MCCommandMgr&) = delete;

    void SetOwner(ECPerformanceBase* owner) { m_owner = owner; }
    ECPerformanceBase* GetOwner() const { return m_owner; }

    // Hands a command (or a list) to the hidden window: synchronous ones run before this
    // returns, others are queued. 0 for a null or empty argument, and when the command could
    // not be handed over (then nothing of it stays applied); 1 otherwise, which says nothing
    // of whether the run succeeded.
    static int ApplyCommand(CCBase* command, ECPerformanceBase* performance);
    static int ApplyCommands(MCCommandList* commands, ECPerformanceBase* performance);
    // Files the command for the open undo group and notification, holds it and sets its
    // target. Always 1.
    static int InitCommand(CCBase* command, ECPerformanceBase* performance);
    static int OnCommandMsg(uintptr_t wParam, intptr_t lParam);
    // Destroys the hidden window, on the thread that owns it, for an orderly end of the
    // program; until the next manager is made, applying a command fails with 0.
    static void Shutdown();
    // One run of a list; 1 when every phase passed. The list is emptied, its commands
    // released, and `applications` references on the target performance are released: one
    // for each application the list gathers.
    int OnCommand(MCCommandList& commands, int applications = 1);

    // Inserts the handler before the one at index position; appends when there is none there.
    // Handlers may be added and removed from any thread, and from inside a handler.
    void AddCommandHandler(Handler handler, void* userData, int position);
    // Removes every registration of the handler with that user data, with the same promise as
    // RemoveCommandHandlers for what it removes.
    void RemoveCommandHandler(Handler handler, void* userData);
    // Once it returns, no handler of this manager runs on another thread or is called again.
    void RemoveCommandHandlers();
    // A non-zero rate batches asynchronous commands on a timer of that many milliseconds; 0
    // runs them one by one. The previous timer's waiting commands run first.
    void SetCommandRate(unsigned int rate);
    MCCommandTimer* GetCommandTimer() const { return m_timer.get(); }

    static void BeginUndo(ECPerformanceBase* performance, const std::string& name);
    static void EndUndo(ECPerformanceBase* performance);
    static void BeginNotify(ECPerformanceBase* performance);
    static void EndNotify(ECPerformanceBase* performance);

    int GetUndoMode() const;
    // Turning undo mode on requires a name.
    void SetUndoMode(int on, const std::string* name);
    int GetNotifyMode() const;
    void SetNotifyMode(int on);

    int Undo(int count);
    int Redo(int count);
    // -1 without history; otherwise the number of undone groups at the head of the stack.
    int GetUndoIndex() const;
    void SetUndoIndex(int index);
    int GetUndoCount() const;
    // Position -1 means the next group to undo (redo). 0 with an empty text when there is none.
    int GetUndoString(std::string& out, int position) const;
    int GetRedoString(std::string& out, int position) const;
    int ClearUndo();

    static int GetUndoLevels();
    static void SetUndoLevels(int levels);
    // Deletes the groups dropped from undo stacks; called from the program's idle time.
    static void OnIdle();

protected:
    int Prepare(MCCommandList& commands);
    int Process(MCCommandList& commands);
    int Finish(MCCommandList& commands, ECPerformanceBase* performance);
    int Abort(CCBase* command);
    static void Initialize();

private:
    static constexpr uint8_t kUndoMode = 0x01;
    static constexpr uint8_t kNotifyMode = 0x02;

    struct Registration {
        Handler handler;
        void* userData;
    };

    static MCCommandMgr* managerOf(ECPerformanceBase* performance);
    int callHandlers(MCCommandList& commands, int phase);
    // Ends the undo and notification membership of a command that finished (finished: it
    // joins its group and the notification) or left its run early (it joins nothing); a
    // bracket whose last pending command this was closes.
    void settleUndo(CCBase* command, bool finished);
    void settleNotify(CCBase* command, bool finished);
    void closeGroupIfDone(MCUndoItem* group);
    void FinishUndo(std::unique_ptr<MCUndoItem> group);
    void FinishNotify();
    MCUndoItem* groupAt(int position) const;
    // Undoes the next groups of the stack, or redoes the last undone ones.
    void Replay(int groups, bool undo);

    // Guards the modes, counts, groups and the pending notification: commands may be applied
    // (and so filed) from any thread.
    mutable std::recursive_mutex m_mutex;
    uint8_t m_modes = 0;
    int m_undoIndex = -1;
    int m_undoPending = 0;
    int m_notifyPending = 0;
    ECPerformanceBase* m_owner = nullptr;
    // The handlers in call order, and the list that calls them. The list calls in the order
    // callbacks were added, so a handler inserted before others makes the list anew.
    // Guards the order; the list may be called meanwhile. Held while a removal waits for a
    // handler running on another thread, which must not add or remove handlers itself then.
    std::mutex m_handlerMutex;
    std::vector<Registration> m_handlerOrder;
    plat::CallbackList<int(ECBase*, int, void*)> m_handlers;
    std::unique_ptr<MCCommandTimer> m_timer;
    std::deque<std::unique_ptr<MCUndoItem>> m_undoStack;  // newest group first
    std::unique_ptr<MCUndoItem> m_openGroup;
    // Groups of closed brackets whose posted commands have not all run yet.
    std::vector<std::unique_ptr<MCUndoItem>> m_closingGroups;
    // The group each pending undoable command was applied for.
    std::unordered_multimap<CCBase*, MCUndoItem*> m_undoOwners;
    std::unique_ptr<SCCommand> m_pendingNotification;
};

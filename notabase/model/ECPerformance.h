#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECWithTimeChild.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/core/RecursiveLock.h"

#include <string>

class ECConductor;

// The root element of one document's piece. It carries the document's format version, guards
// the graph below it with a re-entrant lock, and caches its conductor. One performance of the
// process is the active one; its version decides how elements are read from an archive that
// has no version of its own attached (MCLoadVersion).
class NOTABASE_API ECPerformance : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECPerformance)
public:
    // Version reported when no performance is active: everything reads in the newest form.
    static constexpr int newestVersion = 0x7FFFFFFF;

    ECPerformance();
    ~ECPerformance() override;
    ECPerformance(const ECPerformance&) = delete;
    ECPerformance& operator=(const ECPerformance&) = delete;
    bool operator==(const ECPerformance& other) const { return this == &other; }

    static ECPerformance* GetActivePerformance();
    // Makes the given performance (or null) the active one; returns the one that was.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);
    // The version a load from the archive reads under: the one attached to it, else the active
    // performance's, else the newest.
    static int GetActiveVersion(const plat::Archive& archive);
    // The same for the archive in use on this thread, or without one, the active
    // performance's version.
    static int GetActiveVersion();

    int GetVersion() const { return m_version; }
    void SetVersion(int version) { m_version = version; }

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }
    plat::RecursiveLock& GetLock() { return m_lock; }

    // The conductor: the first element of its id below the performance, cached once found as a
    // child of the performance. The cache is dropped when that child leaves. Null when there is
    // none.
    ECConductor* GetConductor();

    // The managers that run the commands and deliver the states applied to this performance.
    MCCommandMgr& GetCommandMgr() { return m_commandMgr; }
    MCStateMgr& GetStateMgr() { return m_stateMgr; }

    // Forwarded to the command manager; handlers are called after those already registered.
    void AddCommandHandler(MCCommandMgr::Handler handler, void* userData)
    {
        m_commandMgr.AddCommandHandler(handler, userData, 0x7FFFFFFF);
    }
    void RemoveCommandHandlers() { m_commandMgr.RemoveCommandHandlers(); }
    void SetCommandRate(unsigned int rate) { m_commandMgr.SetCommandRate(rate); }
    int Undo(int count) { return m_commandMgr.Undo(count); }
    int Redo(int count) { return m_commandMgr.Redo(count); }
    int GetUndoIndex() const { return m_commandMgr.GetUndoIndex(); }
    void SetUndoIndex(int index) { m_commandMgr.SetUndoIndex(index); }
    int GetUndoCount() const { return m_commandMgr.GetUndoCount(); }
    int ClearUndo() { return m_commandMgr.ClearUndo(); }
    int GetUndoString(std::string& out, int position) const
    {
        return m_commandMgr.GetUndoString(out, position);
    }
    int GetRedoString(std::string& out, int position) const
    {
        return m_commandMgr.GetRedoString(out, position);
    }

    // Forwarded to the state manager.
    void AddStateHandler(MCStateMgr::Handler handler, void* userData)
    {
        m_stateMgr.AddStateHandler(handler, userData);
    }
    void RemoveStateHandlers() { m_stateMgr.RemoveStateHandlers(); }

    // The ECWithTimeChild record, under the lock; after a load the conductor is looked up.
    void Serialize(plat::Archive& archive) override;
    // Takes over the voice/track word.
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;

private:
    static ECPerformance* s_pActivePerformance;

    plat::RecursiveLock m_lock{"performance", plat::LockLevel::performance};
    // Built after the lock and destroyed before it (the state manager first): a command
    // timer that goes runs its waiting commands under the lock.
    MCCommandMgr m_commandMgr;
    MCStateMgr m_stateMgr;
    int m_version = 0;
    ECBase* m_conductor = nullptr;
};

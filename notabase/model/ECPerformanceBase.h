#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"
#include "platform/core/RecursiveLock.h"

class MCCommandMgr;
class MCStateMgr;

// The performance as the code below its managers sees it: the root element of one
// document's piece. It carries the document's format version, guards the graph below it
// with a re-entrant lock, caches its conductor, and leads to the command and state managers
// that ECPerformance owns. One performance of the process is the active one; its version
// decides how elements are read from an archive that has no version of its own attached
// (MCLoadVersion).
class NOTABASE_API ECPerformanceBase : public ECWithTimeChild {
    PLAT_DECLARE_DYNAMIC(ECPerformanceBase)
public:
    // Version reported when no performance is active: everything reads in the newest form.
    static constexpr int newestVersion = 0x7FFFFFFF;

    ~ECPerformanceBase() override;
    ECPerformanceBase(const ECPerformanceBase&) = delete;
    ECPerformanceBase& operator=(const ECPerformanceBase&) = delete;

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

    // The conductor element: the first element of its id below the performance, cached once
    // found as a child of the performance. The cache is dropped when that child leaves. Null when
    // there is none. ECPerformance::GetConductor answers it as the conductor class.
    ECBase* FindConductor();

    // The managers that run the commands and deliver the states applied to this performance.
    virtual MCCommandMgr& GetCommandMgr() = 0;
    virtual MCStateMgr& GetStateMgr() = 0;

    // The ECWithTimeChild record, under the lock; after a load the conductor is looked up.
    void Serialize(plat::Archive& archive) override;
    int GetEventId() const override;
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;

protected:
    ECPerformanceBase();

    static ECPerformanceBase* GetActive();
    // Makes the given performance (or null) the active one; returns the one that was.
    static ECPerformanceBase* SetActive(ECPerformanceBase* performance);

private:
    static ECPerformanceBase* s_pActivePerformance;

    plat::RecursiveLock m_lock{"performance", plat::LockLevel::performance};
    int m_version = 0;
    ECBase* m_conductor = nullptr;
};

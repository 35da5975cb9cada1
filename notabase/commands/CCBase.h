#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/Object.h"

#include <cstdint>
#include <memory>

class ECBase;
class ECConductor;
class ECPerformanceBase;
class MCEventList;

// The base of every command: every change of a piece is made by one. A command is applied to
// a performance and then run by that performance's command manager in the phases Prepare,
// Process and Finish (Abort when one fails); the undo machinery keeps finished commands and
// calls their Undo, or applies them again to redo. A phase returns 1 to go on, 0 to abort.
//
// Commands are reference-counted: one made with new has count 0; the manager holds it while
// it runs and releases it afterwards, deleting it unless someone else holds a reference. A
// caller that reads a command after applying it calls Ref first and Unref(1) when done.
class NOTABASE_API CCBase : public plat::Object {
    PLAT_DECLARE_DYNCREATE(CCBase)

public:
    // Bits of the flag word.
    static constexpr uint32_t kSynchronous = 0x0001;
    static constexpr uint32_t kCanUndo = 0x0002;
    static constexpr uint32_t kRecordedForUndo = 0x0004;
    static constexpr uint32_t kRecordedForNotify = 0x0008;

    CCBase();
    ~CCBase() override;
    CCBase(const CCBase&) = delete;
    CCBase& operator=(const CCBase&) = delete;

    unsigned short Ref();
    // Lowers the count (not below 0); when deleteAtZero is non-zero and the count is 0, the
    // command is deleted and 0 returned. Held through plat::RefPtr, which releases with Unref().
    unsigned short Unref(int deleteAtZero = 1);
    unsigned short GetRefCount() const;

    int IsSynchronous() const { return (m_flags & kSynchronous) ? 1 : 0; }
    void SetSynchronous(int on) { setFlag(kSynchronous, on); }
    int CanUndo() const { return (m_flags & kCanUndo) ? 1 : 0; }
    void SetCanUndo(int on) { setFlag(kCanUndo, on); }
    int GetCommandPhase() const { return static_cast<int>((m_flags >> 12) & 0xF); }
    void SetCommandPhase(int phase);

    // The bookkeeping bits the command manager sets when the command is applied.
    int IsRecordedForUndo() const { return (m_flags & kRecordedForUndo) ? 1 : 0; }
    void SetRecordedForUndo(int on) { setFlag(kRecordedForUndo, on); }
    int IsRecordedForNotify() const { return (m_flags & kRecordedForNotify) ? 1 : 0; }
    void SetRecordedForNotify(int on) { setFlag(kRecordedForNotify, on); }

    ECPerformanceBase* GetTarget() const { return m_target; }
    void SetTarget(ECPerformanceBase* performance) { m_target = performance; }
    ECConductor* GetConductor() const { return m_conductor; }

    MCEventList* GetDiscardList() const { return m_discardList.get(); }
    // Elements taken out of the graph go on the discard list and are cut loose by Process.
    void Discard(ECBase* element);
    // Appends each element of the list, head to tail, that is not on the list yet.
    void Discard(MCEventList* elements);
    // Discards the mirrors of a key, clef, meter or tempo mark, which show it on other staves
    // and go with it; any other element has none.
    void DiscardMirrors(ECBase* element);

    virtual int GetCommandId();
    virtual int Apply(ECPerformanceBase* performance);
    // Fetches the target's conductor; fails when there is none.
    virtual int Prepare();
    // Cuts the discarded elements loose; a discarded mirror leaves the mirror list of the
    // element it mirrors first.
    virtual int Process();
    virtual int Finish();
    virtual void Abort();
    virtual void Undo();

protected:
    void ProcessDiscardList();

private:
    void setFlag(uint32_t bit, int on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }
    MCEventList& discardList();

    uint32_t m_flags;
    std::unique_ptr<MCEventList> m_discardList;
    ECPerformanceBase* m_target = nullptr;
    ECConductor* m_conductor = nullptr;
};

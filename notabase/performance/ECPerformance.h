#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/states/MCStateMgr.h"

#include <string>

class ECConductor;

// The root element of one document's piece (see ECPerformanceBase) together with the command
// manager that runs the commands applied to it, with its undo history, and the state manager
// that delivers its states.
class NOTABASE_API ECPerformance : public ECPerformanceBase {
    PLAT_DECLARE_SERIAL(ECPerformance)
public:
    ECPerformance();
    ~ECPerformance() override;
    ECPerformance(const ECPerformance&) = delete;
    ECPerformance& operator=(const ECPerformance&) = delete;
    bool operator==(const ECPerformance& other) const { return this == &other; }

    static ECPerformance* GetActivePerformance();
    // Makes the given performance (or null) the active one; returns the one that was.
    static ECPerformance* SetActivePerformance(ECPerformance* performance);

    // The conductor found below the performance (FindConductor); null when there is none, or
    // when the element found is not a conductor.
    ECConductor* GetConductor();

    MCCommandMgr& GetCommandMgr() override { return m_commandMgr; }
    MCStateMgr& GetStateMgr() override { return m_stateMgr; }

    // Forwarded to the command manager; handlers are called after those already registered.
    void AddCommandHandler(MCCommandMgr::Handler handler, void* userData)
    {
        m_commandMgr.AddCommandHandler(handler, userData, 0x7FFFFFFF);
    }
    void RemoveCommandHandler(MCCommandMgr::Handler handler, void* userData)
    {
        m_commandMgr.RemoveCommandHandler(handler, userData);
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

    // Takes over the voice/track word.
    ECBase* Copy(plat::Object* other) override;

private:
    // Built after the lock and destroyed before it (the state manager first): a command
    // timer that goes runs its waiting commands under the lock.
    MCCommandMgr m_commandMgr;
    MCStateMgr m_stateMgr;
};

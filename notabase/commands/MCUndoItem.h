#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandList.h"

#include <string>

class CCBase;
class ECPerformanceBase;

// One step of the undo history: the finished undoable commands of one user action, under the
// name the undo and redo menus show.
class NOTABASE_API MCUndoItem {
public:
    explicit MCUndoItem(const std::string& name);
    ~MCUndoItem();
    MCUndoItem(const MCUndoItem&) = delete;
    MCUndoItem& operator=(const MCUndoItem&) = delete;

    const std::string& GetName() const { return m_name; }
    ECPerformanceBase* GetTarget() const { return m_target; }
    const MCCommandList& GetCommands() const { return m_commands; }

    // Appends the command (the group holds a reference); the first command gives the target.
    void AddCommand(CCBase* command);
    void RemoveCommand(CCBase* command);
    int IsEmpty() const { return m_commands.IsEmpty() ? 1 : 0; }

    // Undo runs each command's Undo from the last to the first, redo applies the same commands
    // again from the first to the last; both run them synchronously.
    void UndoCommands();
    void RedoCommands();

private:
    friend class MCCommandMgr;

    std::string m_name;
    MCCommandList m_commands;
    ECPerformanceBase* m_target = nullptr;
    // Commands applied for this group that have not finished yet; kept by the manager so
    // that a command filed at application time lands in this group, whenever it runs.
    int m_pending = 0;
};

#include "notabase/commands/MCUndoItem.h"

#include "notabase/commands/CCBase.h"


MCUndoItem::MCUndoItem(const std::string& name) : m_name(name), m_commands(10) {}

MCUndoItem::~MCUndoItem()
{
    m_commands.RemoveAll();
}

void MCUndoItem::AddCommand(CCBase* command)
{
    if (!command)
        return;
    m_commands.AddTail(command);
    if (!m_target)
        m_target = command->GetTarget();
}

void MCUndoItem::RemoveCommand(CCBase* command)
{
    if (MCPosition position = m_commands.Find(command))
        m_commands.RemoveAt(position);
}

void MCUndoItem::UndoCommands()
{
    for (MCPosition position = m_commands.GetTailPosition(); position;) {
        CCBase* command = m_commands.GetPrev(position);
        const int synchronous = command->IsSynchronous();
        command->SetSynchronous(1);
        command->Undo();
        command->SetSynchronous(synchronous);
    }
}

void MCUndoItem::RedoCommands()
{
    for (CCBase* command : m_commands) {
        const int synchronous = command->IsSynchronous();
        command->SetSynchronous(1);
        command->Apply(m_target);
        command->SetSynchronous(synchronous);
    }
}

#include "notabase/states/SCCommand.h"

#include "notabase/commands/CCBase.h"

SCCommand::SCCommand(int code) : SCBase(code), m_commands(10) {}

SCCommand::~SCCommand()
{
    m_commands.RemoveAll();
}

void SCCommand::AddCommand(CCBase* command)
{
    if (command)
        m_commands.AddTail(command);
}

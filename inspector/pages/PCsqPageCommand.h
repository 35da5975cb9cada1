#pragma once

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandList.h"

// The command of that id and class in the list a page fills, made when the list has none.
// The page's apply runs it inside its undo step, so it runs at once rather than queued.
template <class Command>
Command* PCsqPageCommand(MCCommandList& commands, int commandId)
{
    auto* command = static_cast<Command*>(commands.GetCommand(commandId, plat::runtimeClassOf<Command>()));
    command->SetSynchronous(1);
    return command;
}

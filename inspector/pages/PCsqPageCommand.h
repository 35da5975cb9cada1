#pragma once

#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditItem.h"
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

// The copy that edit puts in element's place, for the page to give its new values; null when
// the edit cannot take the element or the copy is not an Element.
template <class Element>
Element* PCsqEditedCopy(CCEdit& edit, ECBase* element)
{
    CCEditItem* item = element ? edit.EditEvent(element) : nullptr;
    return item ? plat::dynamicDowncast<Element>(item->GetNewEvent()) : nullptr;
}

// The same for an element's sequencer data.
template <class Data>
Data* PCsqEditedData(CCEditData& edit, DCBase* data)
{
    CCEditDataItem* item = data ? edit.EditData(data, 0) : nullptr;
    return item ? plat::dynamicDowncast<Data>(item->GetNewData()) : nullptr;
}

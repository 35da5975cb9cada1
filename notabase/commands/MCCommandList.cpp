#include "notabase/commands/MCCommandList.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandMgr.h"

MCCommandList::MCCommandList(int blockSize) : MCPtrList(blockSize) {}

MCCommandList::~MCCommandList()
{
    RemoveAll();
}

void MCCommandList::SetAt(MCPosition position, void* item)
{
    if (!position)
        return;
    CCBase* next = static_cast<CCBase*>(item);
    CCBase* old = GetAt(position);
    if (next)
        next->Ref();
    MCPtrList::SetAt(position, item);
    if (old)
        old->Unref(1);
}

MCCommandList::Node* MCCommandList::NewNode(Node* prev, Node* next, void* item)
{
    if (item)
        static_cast<CCBase*>(item)->Ref();
    return MCPtrList::NewNode(prev, next, item);
}

void MCCommandList::FreeNode(Node* n)
{
    CCBase* command = static_cast<CCBase*>(n->data);
    MCPtrList::FreeNode(n);
    if (command)
        command->Unref(1);
}

ECPerformanceBase* MCCommandList::GetTarget() const
{
    CCBase* head = GetHead();
    return head ? head->GetTarget() : nullptr;
}

void MCCommandList::SetTarget(ECPerformanceBase* performance)
{
    for (CCBase* command : *this)
        command->SetTarget(performance);
}

int MCCommandList::IsSynchronous() const
{
    for (const CCBase* command : *this) {
        if (!command->IsSynchronous())
            return 0;
    }
    return 1;
}

void MCCommandList::SetSynchronous(int on)
{
    for (CCBase* command : *this)
        command->SetSynchronous(on);
}

CCBase* MCCommandList::GetCommand(int commandId, const plat::RuntimeClass* cls)
{
    for (CCBase* command : *this) {
        if (command->GetCommandId() == commandId)
            return command;
    }
    if (!cls || !cls->isDerivedFrom(&CCBase::classObject))
        return nullptr;
    plat::Object* object = cls->createObject();
    if (!object)
        return nullptr;
    CCBase* command = static_cast<CCBase*>(object);
    AddTail(command);
    return command;
}

int MCCommandList::Apply(ECPerformanceBase* performance)
{
    return MCCommandMgr::ApplyCommands(this, performance);
}

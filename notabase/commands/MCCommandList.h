#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCPtrList.h"

namespace plat {
struct RuntimeClass;
}

class CCBase;
class ECPerformanceBase;

// A list of commands applied and run as one unit. Every node holds a reference on its
// command (Ref when the node is made, Unref(1) when it is freed), so destroying or emptying
// the list releases them.
class NOTABASE_API MCCommandList : public MCPtrList {
public:
    using Iterator = MCListIterator<Node, CCBase*>;

    explicit MCCommandList(int blockSize = 10);
    ~MCCommandList() override;

    // Hands out the commands, head to tail: `for (CCBase* command : list)`.
    Iterator begin() const { return Iterator(headNode()); }
    Iterator end() const { return Iterator(); }

    CCBase* GetHead() const { return static_cast<CCBase*>(MCPtrList::GetHead()); }
    CCBase* GetTail() const { return static_cast<CCBase*>(MCPtrList::GetTail()); }
    CCBase* GetAt(MCPosition position) const { return static_cast<CCBase*>(MCPtrList::GetAt(position)); }
    CCBase* GetNext(MCPosition& position) const { return static_cast<CCBase*>(MCPtrList::GetNext(position)); }
    CCBase* GetPrev(MCPosition& position) const { return static_cast<CCBase*>(MCPtrList::GetPrev(position)); }
    MCPosition AddHead(CCBase* command) { return MCPtrList::AddHead(command); }
    MCPosition AddTail(CCBase* command) { return MCPtrList::AddTail(command); }
    // The removers hand back the command, which may have been deleted with its last reference.
    CCBase* RemoveHead() { return static_cast<CCBase*>(MCPtrList::RemoveHead()); }
    CCBase* RemoveTail() { return static_cast<CCBase*>(MCPtrList::RemoveTail()); }
    CCBase* RemoveAt(MCPosition position) { return static_cast<CCBase*>(MCPtrList::RemoveAt(position)); }
    MCPosition Find(CCBase* command, MCPosition after = nullptr) const { return MCPtrList::Find(command, after); }
    // Takes a reference on the new command, then releases the old one.
    void SetAt(MCPosition position, void* item) override;

    // The target of the head command; null for an empty list.
    ECPerformanceBase* GetTarget() const;
    void SetTarget(ECPerformanceBase* performance);
    // 1 when every command is synchronous (also for an empty list).
    int IsSynchronous() const;
    void SetSynchronous(int on);

    // The first command with that id; when there is none and a class is given, a new command
    // of that class, appended to the list (which holds it). Null otherwise.
    CCBase* GetCommand(int commandId, const plat::RuntimeClass* cls = nullptr);

    int Apply(ECPerformanceBase* performance);

protected:
    Node* NewNode(Node* prev, Node* next, void* item) override;
    void FreeNode(Node* n) override;
};

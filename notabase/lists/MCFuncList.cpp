#include "notabase/lists/MCFuncList.h"

MCFuncList::~MCFuncList()
{
    RemoveCallbacks();
}

void MCFuncList::AddCallback(MCCallback callback, void* data)
{
    AddTail(new Record{callback, 0, 0, data});
}

void MCFuncList::InsertCallback(MCCallback callback, void* data, MCPosition position)
{
    InsertBefore(position, new Record{callback, 0, 0, data});
}

void MCFuncList::RemoveCallback(MCCallback callback)
{
    for (MCPosition p = GetHeadPosition(); p;) {
        const MCPosition here = p;
        if (record(GetNext(p))->callback == callback) {
            delete record(RemoveAt(here));
            return;
        }
    }
}

void MCFuncList::RemoveCallbacks()
{
    while (!IsEmpty())
        delete record(RemoveTail());
}

int MCFuncList::CallCallbacks(ECBase* element, int code, void* param)
{
    // A callback may remove callbacks: the records called are those listed at the start that
    // are still listed when their turn comes.
    for (void* item : items()) {
        if (!Find(item))
            continue;
        const Record* r = record(item);
        r->callback(element, code, param, r->data);
    }
    return 0;
}

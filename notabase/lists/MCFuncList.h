#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCPtrList.h"

#include <cstdint>

class ECBase;

// A callback of the model: (element, code, parameter, user data) -> result.
using MCCallback = int (*)(ECBase* element, int code, void* param, void* data);

// A list of callbacks, each with the user data given when it was registered. The list owns its
// records.
class NOTABASE_API MCFuncList : public MCPtrList {
public:
    struct Record {
        MCCallback callback;
        uintptr_t reserved1;  // always zero
        uintptr_t reserved2;  // always zero
        void* data;
    };

    MCFuncList() = default;
    ~MCFuncList() override;

    void AddCallback(MCCallback callback, void* data);
    // Before the position, or at the head for a null position.
    void InsertCallback(MCCallback callback, void* data, MCPosition position);
    // Removes the first record of that callback; nothing happens when there is none.
    void RemoveCallback(MCCallback callback);
    void RemoveCallbacks();
    // Calls every callback in list order; their results are not looked at. Returns 0.
    int CallCallbacks(ECBase* element, int code, void* param);

    static Record* record(void* item) { return static_cast<Record*>(item); }
};

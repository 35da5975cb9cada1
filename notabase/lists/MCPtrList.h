#pragma once

#include "notabase/lists/MCListBase.h"

// A linked list of plain pointers; it owns nothing.
class MCPtrList : public MCListBase<void*> {
public:
    explicit MCPtrList(int /*blockSize*/ = 10) {}
};

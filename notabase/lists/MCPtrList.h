#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCListBase.h"

// A linked list of plain pointers; it owns nothing.
class NOTABASE_API MCPtrList : public MCListBase<void*> {
public:
    explicit MCPtrList(int /*blockSize*/ = 10) {}
};

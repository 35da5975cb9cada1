#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/states/SCBase.h"

// Document file events (1302 saved, 1303 closed, 1306 modified by recording, among
// 1300-1306). Delivered synchronously.
class NOTABASE_API SCFile : public SCBase {
public:
    SCFile();
    explicit SCFile(int code);
};

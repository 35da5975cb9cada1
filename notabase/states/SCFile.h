#pragma once

#include "notabase/states/SCBase.h"

// Document file events (1302 saved, 1303 closed, 1306 modified by recording, among
// 1300-1306). Delivered synchronously.
class SCFile : public SCBase {
public:
    SCFile();
    explicit SCFile(int code);
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/states/SCBase.h"

class ECBase;

// The edit mode of the program (1500-1503), kept for the process, with the element type
// being entered and a hook that names the element being edited in mode 1502. Delivered
// synchronously; the mode changes before any handler sees the state.
class NOTABASE_API SCMode : public SCBase {
public:
    using EventFunc = ECBase* (*)(void* userData);

    static constexpr int kFirstMode = 1500;
    static constexpr int kEventMode = 1502;
    static constexpr int kLastMode = 1503;

    SCMode();
    explicit SCMode(int code);

    void DoState() override;

    static int GetMode();
    static void SetMode(int mode);
    static int GetEventType();
    static void SetEventType(int type);
    static void SetEventFunc(EventFunc function, void* userData);
    // In mode 1502, what the event function gives; null otherwise.
    static ECBase* GetEvent();
};

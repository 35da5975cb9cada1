#pragma once

#include "notabase/NotabaseExport.h"

// A window that can take the keyboard focus back, as the interface library provides it for
// a window that sent a selection request. It may outlive the window it stands for, so it
// tells whether that window still exists.
class NOTABASE_API MCFocusWnd {
public:
    virtual ~MCFocusWnd() = default;

    virtual bool IsWindow() const = 0;
    virtual void SetFocus() = 0;
};

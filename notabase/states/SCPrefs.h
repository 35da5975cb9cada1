#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/states/SCBase.h"

// Preferences changed (1600). Acting on itself it rereads the settings of this library
// (selection colour, undo levels), so every handler already sees the new values.
class NOTABASE_API SCPrefs : public SCBase {
public:
    static constexpr int kPrefsChanged = 1600;

    explicit SCPrefs(int code = kPrefsChanged);

    void DoState() override;
};

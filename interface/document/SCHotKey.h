#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/states/SCBase.h"

class MCHotKey;

// Carries a hot key (not owned) to the handlers of a performance; synchronous.
class INTERFACE_API SCHotKey : public SCBase {
public:
    SCHotKey() { SetSynchronous(1); }
    explicit SCHotKey(int code) : SCBase(code) { SetSynchronous(1); }
    SCHotKey(const SCHotKey& other) = default;
    SCHotKey& operator=(const SCHotKey& other) = default;

    void SetHotKey(MCHotKey* hotKey) { m_hotKey = hotKey; }
    MCHotKey* GetHotKey() const { return m_hotKey; }

private:
    MCHotKey* m_hotKey = nullptr;
};

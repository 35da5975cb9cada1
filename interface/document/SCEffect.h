#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/states/SCBase.h"

class CPluginEffects;

// Carries the command id of an effect (5100); synchronous.
class INTERFACE_API SCEffect : public SCBase {
public:
    SCEffect() { SetSynchronous(1); }
    explicit SCEffect(int code) : SCBase(code) { SetSynchronous(1); }
    SCEffect(const SCEffect& other) = default;
    SCEffect& operator=(const SCEffect& other) = default;

    void SetCommandID(unsigned id) { m_commandId = id; }
    unsigned GetCommandID() const { return m_commandId; }
    // The effect registered with that command id, or null.
    CPluginEffects* GetPlugin() const;

private:
    unsigned m_commandId = 0;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/Object.h"

#include <cstdint>

// The base of the processing layers (filters) that the sequencer applies to a performance's
// events on their way out. It holds whether the layer is enabled and its priority; the
// layers themselves live in the libraries that register them with CPluginFilter.
class NOTABASE_API LCBase : public plat::Object {
    PLAT_DECLARE_SERIAL(LCBase)
public:
    LCBase() = default;
    LCBase(const LCBase&) = default;
    LCBase& operator=(const LCBase&) = default;
    bool operator==(const LCBase& other) const { return m_enabled == other.m_enabled && m_priority == other.m_priority; }
    bool operator!=(const LCBase& other) const { return !(*this == other); }

    // The enabled byte, then the priority byte.
    void Serialize(plat::Archive& archive) override;
    // Assigns the given layer to this one (when it is of this class) and returns this.
    virtual LCBase* Copy(plat::Object* other);

    int IsEnabled() const { return m_enabled; }
    // The setters keep the low 8 bits.
    void SetEnabled(int enabled) { m_enabled = static_cast<uint8_t>(enabled); }
    int GetPriority() const { return m_priority; }
    void SetPriority(int priority) { m_priority = static_cast<uint8_t>(priority); }

private:
    uint8_t m_enabled = 1;
    uint8_t m_priority = 0;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// The envelope of one MIDI controller of a staff or track: 7-bit values, or 14-bit ones when
// the controller is sent as a pair.
class NOTABASE_API ECControllerEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECControllerEnv)
public:
    // Controller 0, 7-bit: limits 0..127.
    ECControllerEnv();
    ECControllerEnv(const ECControllerEnv& other);
    // The envelope, the controller type and the 14-bit flag.
    ECControllerEnv& operator=(const ECControllerEnv& other);

    // The ECEnvelope record, then one byte: the controller type and the 14-bit flag.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    int GetControllerType() const { return (GetFlags() >> 8) & 0x7F; }
    // Takes controller numbers 0..119 (120 and above are channel-mode messages) and gives the
    // envelope the controller's resting value: 127 for volume and expression, 64 for balance
    // and pan, else 0. Any other number changes nothing.
    void SetControllerType(int controller);
    int Is14Bit() const { return (GetFlags() & flag14Bit) ? 1 : 0; }
    // Bit 0 of on; the limits become 0..16383 or 0..127.
    void Set14Bit(int on);

private:
    static constexpr uint16_t flag14Bit = 0x8000;
};

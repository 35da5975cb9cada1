#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"

// A channel-mode message: all sounds off, reset all controllers, local control on or off, all
// notes off, or one of the four omni/poly modes.
class NOTABASE_API ECChannelMode : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECChannelMode)
public:
    enum : unsigned char {
        allSoundsOff = 0,
        resetAllControllers = 1,
        localControlOn = 2,
        localControlOff = 3,
        allNotesOff = 4,
        omniOnPoly = 5,  // mode 1
        omniOnMono = 6,  // mode 2
        omniOffPoly = 7, // mode 3
        omniOffMono = 8, // mode 4
    };

    ECChannelMode() = default;
    ECChannelMode(const ECChannelMode& other) = default;
    // The controller point and the channel-mode type.
    ECChannelMode& operator=(const ECChannelMode& other);

    // The ECControlChange record, then the channel-mode type. Documents before version 4 hold
    // only the time and the voice/track word; the rest keeps its constructed values.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetChannelModeType() const { return m_modeType; }
    // Stores only 0..8.
    void SetChannelModeType(unsigned char type);

private:
    unsigned char m_modeType = omniOnPoly;
};

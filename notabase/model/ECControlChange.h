#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A controller value at a time: a point of a controller envelope that knows its controller
// number. Bank selects, pan, channel-mode messages, dynamics and pedal marks build on it.
class NOTABASE_API ECControlChange : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECControlChange)
public:
    ECControlChange() = default;
    explicit ECControlChange(unsigned char controller);
    ECControlChange(const ECControlChange& other) = default;
    // The point (not its time) and the controller number.
    ECControlChange& operator=(const ECControlChange& other);
    // Equal controller numbers, whatever the times and values.
    bool operator==(const ECControlChange& other) const { return m_controller == other.m_controller; }
    bool operator!=(const ECControlChange& other) const { return !(*this == other); }

    // The ECEnvPoint record, then the controller number (read from version 3 on).
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetControllerNum() const { return m_controller; }
    void SetControllerNum(unsigned char controller) { m_controller = controller; }

private:
    unsigned char m_controller = 0;
};

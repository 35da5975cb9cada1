#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

#include <cstdint>

// One point of an envelope: a value at a time, the style of the segment that starts at it
// (0 a step, 1 a linear ramp to the next point), and whether it belongs to an anchor group
// (a group of points added as one unit) and heads it. Subclasses present their own quantity
// through GetValue and SetValue.
class NOTABASE_API ECEnvPoint : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECEnvPoint)
public:
    enum : uint8_t {
        flagAnchor = 0x01,
        flagAnchorHead = 0x02,
        styleShift = 2,
        styleMask = 0x3C,
    };
    enum Style { styleStep = 0, styleLinear = 1 };

    ECEnvPoint() = default;
    ECEnvPoint(const ECEnvPoint& other) = default;
    // Copies the element (not its time), the flags and the value.
    ECEnvPoint& operator=(const ECEnvPoint& other);
    // Compares the flags and the value, not the time.
    bool operator==(const ECEnvPoint& other) const;
    bool operator!=(const ECEnvPoint& other) const { return !(*this == other); }

    // The ECWithTime record, the flags byte, the value. Below version 3 nothing of the point
    // is stored, and a loaded point becomes an anchor head with a linear segment.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    virtual float GetValue();
    virtual void SetValue(float value);
    // Appends the points of this point's anchor group, found through the envelope above it;
    // 1 when the list is not empty afterwards, 0 when there is no envelope above.
    virtual int GetAnchorList(MCEventList& list);

    int IsAnchor() const { return (m_flags & flagAnchor) ? 1 : 0; }
    void SetAnchor(int anchor) { setFlag(flagAnchor, anchor); }
    int IsAnchorHead() const { return (m_flags & flagAnchorHead) ? 1 : 0; }
    void SetAnchorHead(int head) { setFlag(flagAnchorHead, head); }
    // 0..15.
    int GetStyle() const { return (m_flags & styleMask) >> styleShift; }
    void SetStyle(int style);

private:
    void setFlag(uint8_t flag, int on) { m_flags = static_cast<uint8_t>(on ? (m_flags | flag) : (m_flags & ~flag)); }

    uint8_t m_flags = 0;
    float m_value = 3.4028235e38f;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"
#include "notabase/values/MCTime.h"

#include <string>

// A dynamic mark: a point of a controller envelope that sets a loudness ("pppp" .. "ffff") or,
// with a duration, changes it gradually (cresc., decresc., dim.). It may carry a text of its
// own in place of its name.
class NOTABASE_API ECDynamic : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECDynamic)
public:
    // Types: 0..9 "pppp" .. "ffff", 11 cresc., 12 decresc., 13 dim., 16 user defined; 10, 14 and
    // 15 have no name.
    enum : unsigned char { typeMF = 5, typeCrescendo = 11, typeDecrescendo = 12, typeDiminuendo = 13 };

    // mf, no duration, no text.
    ECDynamic();
    ECDynamic(unsigned char type, const MCTime& duration);
    // Takes the time and the duration too.
    ECDynamic(const ECDynamic& other);
    // The controller point (not its time), the type and the text; not the duration.
    ECDynamic& operator=(const ECDynamic& other);
    // Equal types, durations and texts.
    bool operator==(const ECDynamic& other) const;
    bool operator!=(const ECDynamic& other) const { return !(*this == other); }

    // The ECControlChange record, the type, the duration (types with one only), the text.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // 1 for the gradual types 10 to 15, which store a duration.
    static int HasDuration(unsigned char type) { return type >= 10 && type <= 15 ? 1 : 0; }

    virtual unsigned char GetDynamicType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    virtual void SetDynamicType(unsigned char type);
    // The text, or when it is empty the name of the type.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& text) { m_text = text; }

private:
    MCTime m_duration{0.0f};
    std::string m_text;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

class MCTime;

// A silence. It has no duration of its own: its length follows from its rest type, a code
// for the written rest (whole, half, ... with their dotted forms).
class NOTABASE_API ECRest : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECRest)
public:
    ECRest() = default;
    explicit ECRest(unsigned char type);
    // Takes the time and the rest type too.
    ECRest(const ECRest& other);
    // Takes the voice/track word and the rest type, not the time.
    ECRest& operator=(const ECRest& other);
    // Equal rest types.
    bool operator==(const ECRest& other) const { return GetRestType() == other.GetRestType(); }
    bool operator!=(const ECRest& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then the rest type. Records stored before the type was
    // (class schema below 3) end after the base record and load as type 0.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetRestType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetRestType(unsigned char type);

    // The rest type that a type becomes with a number of augmentation dots: one dot or two
    // (any count above one) for the whole to thirty-second rests, one for the sixty-fourth;
    // other types have no dotted forms.
    static int GetRestType(unsigned char type, unsigned char dots);
    // The length in quarter notes of a rest type with its dots folded in; the null time for
    // type 0 and types above 22.
    static MCTime GetRestDuration(unsigned char type, unsigned char dots);
};

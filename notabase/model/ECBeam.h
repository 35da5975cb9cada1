#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECGroup.h"

// A beam joining the stems of a run of notes, rests and chords of one measure. Unlike the
// other groups it keeps whatever remains when members are removed.
class NOTABASE_API ECBeam : public ECGroup {
    PLAT_DECLARE_SERIAL(ECBeam)
public:
    static constexpr unsigned char initialType = typeLeaveWhenEmpty;

    ECBeam() : ECGroup(initialType) {}
    // Takes the group type of the source, like the assignment.
    ECBeam(const ECBeam& other) = default;
    ECBeam& operator=(const ECBeam& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};

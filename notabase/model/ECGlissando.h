#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECGroup.h"

// A glissando sliding between notes of one staff.
class NOTABASE_API ECGlissando : public ECGroup {
    PLAT_DECLARE_SERIAL(ECGlissando)
public:
    static constexpr unsigned char initialType = typeLeaveWhenEmpty | typeLockWhenParentless;

    ECGlissando() : ECGroup(initialType) {}
    // Takes the time; the group type is this kind's own, whatever the source had.
    ECGlissando(const ECGlissando& other);
    ECGlissando& operator=(const ECGlissando& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the child; the group empties itself (and so leaves its parents) when no note is left.
    int RemoveChild(ECBase* child, int recursive) override;
};

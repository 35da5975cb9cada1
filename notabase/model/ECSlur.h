#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECGroup.h"

// A slur phrasing a run of notes of one staff.
class NOTABASE_API ECSlur : public ECGroup {
    PLAT_DECLARE_SERIAL(ECSlur)
public:
    static constexpr unsigned char initialType = typeLeaveWhenEmpty | typeLockWhenParentless;

    ECSlur() : ECGroup(initialType) {}
    // Takes the time; the group type is this kind's own, whatever the source had.
    ECSlur(const ECSlur& other);
    ECSlur& operator=(const ECSlur& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the child; the group empties itself (and so leaves its parents) when no note or
    // fewer than two children are left.
    int RemoveChild(ECBase* child, int recursive) override;
};

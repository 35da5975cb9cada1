#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECGroup.h"

// A tie joining notes of one pitch into one sounding note.
class NOTABASE_API ECTie : public ECGroup {
    PLAT_DECLARE_SERIAL(ECTie)
public:
    static constexpr unsigned char initialType = typeLeaveWhenEmpty;

    ECTie() : ECGroup(initialType) {}
    // Takes the time; the group type is this kind's own, whatever the source had.
    ECTie(const ECTie& other);
    ECTie& operator=(const ECTie& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the child; the group empties itself (and so leaves its parents) when no note is left.
    int RemoveChild(ECBase* child, int recursive) override;
};

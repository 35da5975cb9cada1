#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

class ECStaff;

// One bar of one staff: its children are the notes, rests and marks of that bar on that staff.
// The conductor staff places each measure and gives it voice 14 and its staff's number. Clefs
// and keys that come and go keep the cache of the staff above in step.
class NOTABASE_API ECMeasure : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECMeasure)
public:
    // Voice 14, no track.
    ECMeasure();
    ECMeasure(const ECMeasure& other);
    ECMeasure& operator=(const ECMeasure& other);

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    int AddChild(ECBase* child, int sorted) override;
    // A clef or key leaving the measure leaves the cache too; one of its kind and hand that it
    // hid at its time takes its place.
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;

private:
    ECStaff* staff();
};

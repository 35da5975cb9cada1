#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// One bar of one staff: its children are the notes, rests and marks of that bar on that staff.
// The conductor staff places each measure and gives it voice 14 and its staff's number.
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
};

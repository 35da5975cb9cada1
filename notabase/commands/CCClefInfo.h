#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCMarkInfo.h"
#include "notabase/score/ECClef.h"

class ECStaff;

// A snapshot of a clef that a clef command adds, removes or looks at as a neighbour.
class NOTABASE_API CCClefInfo : public MCMarkInfo<ECClef> {
public:
    static constexpr int kEventId = EventId::Clef;

    using MCMarkInfo::MCMarkInfo;

    ECClef* GetClef() const { return GetMark(); }

    // The clef of a hand in force on the staff at the time, or the one in force just before it.
    static ECClef* InForce(ECStaff& staff, const MCTime& time, unsigned char hand, bool before);
};

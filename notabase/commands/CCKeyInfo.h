#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCMarkInfo.h"
#include "notabase/score/ECKey.h"

class ECStaff;

// A snapshot of a key that a key command adds, removes or looks at as a neighbour.
class NOTABASE_API CCKeyInfo : public MCMarkInfo<ECKey> {
public:
    static constexpr int kEventId = EventId::Key;

    using MCMarkInfo::MCMarkInfo;

    ECKey* GetKey() const { return GetMark(); }

    // The key of a hand in force on the staff at the time, or the one in force just before it.
    static ECKey* InForce(ECStaff& staff, const MCTime& time, unsigned char hand, bool before);
};

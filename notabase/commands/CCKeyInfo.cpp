#include "notabase/commands/CCKeyInfo.h"

#include "notabase/score/ECStaff.h"

ECKey* CCKeyInfo::InForce(ECStaff& staff, const MCTime& time, unsigned char hand, bool before)
{
    return before ? staff.GetKeyBeforeTime(time, hand) : staff.GetKeyAtTime(time, hand);
}

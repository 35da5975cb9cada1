#include "notabase/commands/CCClefInfo.h"

#include "notabase/score/ECStaff.h"

ECClef* CCClefInfo::InForce(ECStaff& staff, const MCTime& time, unsigned char hand, bool before)
{
    return before ? staff.GetClefBeforeTime(time, hand) : staff.GetClefAtTime(time, hand);
}

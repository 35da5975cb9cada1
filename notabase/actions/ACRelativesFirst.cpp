#include "notabase/actions/ACRelativesFirst.h"

#include "notabase/model/ECBase.h"

int ACRelativesFirst::Apply(ECBase* element)
{
    if (!element)
        return 0;
    if (!begin())
        return -1;
    Nesting nesting(*this);

    bool first = true;
    Meeting* meeting = meet(element, first);
    if (!first && !walkAgain(*meeting))
        return meeting->result;
    if (meeting)
        meeting->depth = m_curDepth;

    const bool bypassed = ShouldBypass(element);
    MCEventList* relatives = relativesOf(element);
    int r = 0;
    if (relatives && !relatives->IsEmpty()) {
        bool limited = !bypassed && depthLimited();
        bool skip = false;
        if (limited && ++m_curDepth > m_maxDepth) {
            --m_curDepth;
            limited = false;
            skip = true;
        }
        if (!skip) {
            const Fork fork(*this, *relatives);
            for (ECBase* relative : *relatives) {
                r = Apply(relative);
                if (r == -1 || r == 2 || r == 3)
                    break;
            }
        }
        if (limited)
            --m_curDepth;
        if (meeting)
            meeting->descended = true;
    }
    if (r == -1 || r == 2) {
        if (meeting)
            meeting->result = r;
        return r;
    }
    // Met before: acted on then, only its relatives were in reach again.
    if (!first)
        return meeting->result;
    r = DoAction(element);
    if (r == 0 && ShouldClip(element))
        r = 1;
    if (meeting)
        meeting->result = r;
    return r;
}

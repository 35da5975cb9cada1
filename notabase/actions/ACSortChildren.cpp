#include "notabase/actions/ACSortChildren.h"

#include "notabase/model/ECBase.h"

int ACSortChildren::DoAction(ECBase* element)
{
    if (Matches(element)) {
        if (MCEventList* children = element->GetChildren())
            children->Sort();
    }
    return 0;
}

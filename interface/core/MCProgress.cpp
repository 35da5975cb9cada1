#include "interface/core/MCProgress.h"

#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCStatus.h"

namespace {

void apply(SCStatus& state)
{
    state.SetSynchronous(1);
    state.SetAutoDelete(0);
    MCStateMgr::ApplyState(&state, nullptr);
}

}  // namespace

void MCProgressBegin(const std::string& text, int low, int high)
{
    SCStatus state(1801, text);
    state.SetProgressRange(low, high);
    apply(state);
}

void MCProgressSet(int position)
{
    SCStatus state(1802);
    state.SetProgressStep(position);
    apply(state);
}

void MCProgressStep()
{
    SCStatus state(1803);
    apply(state);
}

void MCProgressEnd()
{
    SCStatus state(1804);
    apply(state);
}

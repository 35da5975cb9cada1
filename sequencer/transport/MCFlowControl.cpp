#include "sequencer/transport/MCFlowControl.h"

#include "notabase/model/ECFlowControl.h"
#include "notabase/model/MCEventList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/transport/CSequence.h"

namespace {

int flowType(ECBase* mark)
{
    const auto* flow = plat::dynamicDowncast<ECFlowControl>(mark);
    return flow ? flow->GetFlowControlType() : -1;
}

float timeOf(ECBase* mark)
{
    const MCTime* time = mark->GetTime();
    return time ? time->GetSeconds() : 0.0f;
}

}  // namespace

template <typename Visit>
void MCFlowControl::WithMarks(CSequence* sequence, Visit visit, int make)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    ECTrack* staff = conductor ? conductor->GetTrack(ECConductor::conductorTrack, 0, make) : nullptr;
    if (!staff)
        return;
    // The marks are the staff's direct children: one pass over its list finds them. A file
    // is written a track at a time and each track's pass starts here, so this stays cheap on
    // a staff of many bars.
    std::vector<ECBase*> marks;
    if (MCEventList* children = staff->GetChildren()) {
        for (ECBase* child : *children) {
            if (child && child->GetEventId() == EventId::FlowControl)
                marks.push_back(child);
        }
    }
    visit(marks);
}

DCsqFlowControl* MCFlowControl::DataOf(ECBase* mark, int create)
{
    return plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, create));
}

void MCFlowControl::Reset(CSequence* sequence)
{
    if (!sequence)
        return;
    WithMarks(sequence, [](const std::vector<ECBase*>& marks) {
        for (ECBase* mark : marks) {
            if (DCsqFlowControl* data = DataOf(mark, 0))
                data->Reset();
        }
    });
    sequence->SetFlowState(0);
}

void MCFlowControl::Coordinate(CSequence* sequence)
{
    WithMarks(sequence, [this, sequence](const std::vector<ECBase*>& marks) {
        for (size_t i = 0; i < marks.size(); ++i) {
            DCsqFlowControl* data = DataOf(marks[i], 0);
            if (!data)
                continue;
            data->ClearTargets();
            DCsqBase* initial = nullptr;
            DCsqBase* final = nullptr;
            switch (flowType(marks[i])) {
            case 1:
                initial = GetPrevFlow(0, marks, i);
                break;
            case 2:
                final = GetNextFlow(1, marks, i);
                break;
            case 3:
            case 4:
                final = GetNextFlow(4, marks, i);
                break;
            case 10:
            case 11:
            case 12:
                initial = GetPrevFlow(3, marks, i);
                break;
            case 18:
                initial = GetPrevFlow(17, marks, i);
                break;
            default:
                break;
            }
            data->SetTargets(initial, final, sequence);
        }
    });
}

const MCTime* MCFlowControl::PerformIntro(CSequence* sequence)
{
    const MCTime* intro = nullptr;
    WithMarks(sequence, [&intro](const std::vector<ECBase*>& marks) {
        for (ECBase* mark : marks) {
            const DCsqFlowControl* data = flowType(mark) == 19 ? DataOf(mark, 0) : nullptr;
            if (data && data->IsEnabled()) {
                intro = mark->GetTime();
                return;
            }
        }
    });
    return intro;
}

DCsqFlowControl* MCFlowControl::GetPrevFlow(int type, const std::vector<ECBase*>& marks, size_t position)
{
    const float time = timeOf(marks[position]);
    for (size_t i = position; i-- > 0;) {
        if (flowType(marks[i]) == type && timeOf(marks[i]) < time)
            return DataOf(marks[i], 1);
    }
    return nullptr;
}

DCsqFlowControl* MCFlowControl::GetNextFlow(int type, const std::vector<ECBase*>& marks, size_t position)
{
    const float time = timeOf(marks[position]);
    for (size_t i = position + 1; i < marks.size(); ++i) {
        if (flowType(marks[i]) == type && timeOf(marks[i]) > time)
            return DataOf(marks[i], 1);
    }
    return nullptr;
}

void MCFlowControl::Release(CSequence* sequence)
{
    WithMarks(
        sequence,
        [sequence](const std::vector<ECBase*>& marks) {
            for (ECBase* mark : marks) {
                if (DCsqFlowControl* data = DataOf(mark, 0); data && data->GetSequence() == sequence)
                    data->ClearTargets();
            }
        },
        0);
}

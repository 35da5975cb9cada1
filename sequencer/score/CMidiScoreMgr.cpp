#include "sequencer/score/CMidiScoreMgr.h"

#include "notabase/model/ECFlowControl.h"
#include "sequencer/data/DCsqBase.h"

int CMidiScoreMgr::GetPrecedence(const DCsqBase* data)
{
    if (!data)
        return 0;
    switch (data->GetClassType()) {
    case SeqClassType::ConductorStaff:
    case SeqClassType::Staff:
    case SeqClassType::WaveTrack:
        return 2000;
    case SeqClassType::FlowControl: {
        const auto* flow = plat::dynamicDowncast<ECFlowControl>(data->GetOwner());
        if (!data->GetOwner())
            return 0;
        const int type = flow ? flow->GetFlowControlType() : 0;
        return type == 1 ? 1000 : type == 4 ? 950 : 900;
    }
    case SeqClassType::SysMsg:
        return 800;
    case SeqClassType::ChannelMode:
        return 750;
    case SeqClassType::Meter:
        return 700;
    case SeqClassType::Key:
        return 650;
    case SeqClassType::Text:
        return 600;
    case SeqClassType::Midi:
        return 500;
    case SeqClassType::Note:
        return 400;
    case SeqClassType::Wave:
        return 300;
    case SeqClassType::Lyric:
        return 200;
    default:
        return 0;
    }
}

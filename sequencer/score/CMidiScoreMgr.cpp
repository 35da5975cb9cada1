#include "sequencer/score/CMidiScoreMgr.h"

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
    case SeqClassType::FlowControl:
        // The flow type that lifts repeat starts and jumps above the other marks is read from
        // the flow-control element, which the data model does not have yet.
        return data->GetOwner() ? 900 : 0;
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

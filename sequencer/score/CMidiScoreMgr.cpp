#include "sequencer/score/CMidiScoreMgr.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/model/ECEnvelope.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/transport/CSequence.h"

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

DCsqBase* CMidiScoreMgr::AddEventData(ECBase* element, const FCMidi& message)
{
    if (!element || !m_sequence)
        return nullptr;
    const int id = element->GetEventId();
    switch (id) {
    case EventId::Accent:
    case EventId::ConductorStaff:
    case EventId::Staff:
        return plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
    case EventId::Note:
    case EventId::GraceNote: {
        auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 1));
        if (!data)
            return nullptr;
        if (message.HasData()) {
            if (message.IsNoteOn()) {
                data->SetNoteOnData(message);
                FCMidi off = message;
                off.SetDataByte2(0);
                data->SetNoteOffData(off);
            } else if (message.IsNoteOff()) {
                data->SetNoteOffData(message);
            } else {
                return nullptr;
            }
        }
        m_sequence->InsertData(data);
        if (id == EventId::Note) {
            // Grace notes hang under their note and play from their own note on when they
            // have one.
            if (MCEventList* children = element->GetChildren()) {
                for (ECBase* child : *children) {
                    if (child->GetEventId() != EventId::GraceNote)
                        continue;
                    const auto* own = plat::dynamicDowncast<DCsqNote>(child->GetData(0, 0));
                    const FCMidi graceOn = own && own->GetMidiData().HasData() ? own->GetMidiData() : message;
                    AddEventData(child, graceOn);
                }
            }
        }
        return data;
    }
    case EventId::SystemMessage: {
        auto* data = plat::dynamicDowncast<DCsqSysMsg>(element->GetData(0, 1));
        if (!data)
            return nullptr;
        // A system-exclusive message comes with its own bytes, not in a short message.
        if (message.HasData() && message.GetStatusByte() != 0xF0)
            data->SetMidiData(message);
        m_sequence->InsertData(data);
        return data;
    }
    case EventId::ChannelMode: {
        auto* data = plat::dynamicDowncast<DCsqMidi>(element->GetData(0, 1));
        if (!data)
            return nullptr;
        if (message.HasData())
            data->SetMidiData(message);
        m_sequence->InsertData(data);
        return data;
    }
    case EventId::FlowControl:
    case EventId::Key:
    case EventId::Lyric:
    case EventId::Meter:
    case EventId::Text: {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        if (data)
            m_sequence->InsertData(data);
        return data;
    }
    case EventId::ChanPressureEnv:
    case EventId::ControllerEnv:
    case EventId::NRPNEnv:
    case EventId::PatchEnv:
    case EventId::PitchBendEnv:
    case EventId::PolyPressureEnv:
    case EventId::RPNEnv: {
        // An envelope put (back) into the score plays through its staff voice's manager.
        const MCVoiceTrack* voiceTrack = element->GetVoiceTrack();
        auto* staff = plat::dynamicDowncast<DCsqStaff>(DCsqTrack::GetTrackData(element, 1, m_sequence));
        CMidiEnvelopeMgr* manager = staff && voiceTrack ? staff->GetMidiEnvelopeMgr(voiceTrack->GetVoice(), 1) : nullptr;
        if (manager)
            manager->AddEnvelope(static_cast<ECEnvelope*>(element));
        return nullptr;
    }
    default:
        return nullptr;
    }
}

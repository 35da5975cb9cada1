#include "sequencer/actions/ACChannelContent.h"

#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqMidi.h"

ACChannelContent::ACChannelContent()
{
    SetDepth(0);
}

int ACChannelContent::DoAction(ECBase* element)
{
    auto* data = element ? plat::dynamicDowncast<DCsqMidi>(element->GetData(0, 0)) : nullptr;
    if (!data)
        return 0;
    switch (data->GetClassType()) {
    case SeqClassType::BankLSB:
    case SeqClassType::BankMSB:
    case SeqClassType::Midi:
    case SeqClassType::Note:
    case SeqClassType::Program:
        m_channels = static_cast<uint16_t>(m_channels | (1u << data->GetMidiData().GetStatusLSB()));
        break;
    default:
        break;
    }
    return 0;
}

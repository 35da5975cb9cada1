#include "sequencer/InitSequencer.h"

#include "notabase/model/EventTypes.h"
#include "notabase/plugins/CPluginData.h"
#include "sequencer/data/DCsqAccent.h"
#include "sequencer/data/DCsqBankLSB.h"
#include "sequencer/data/DCsqBankMSB.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqConductorStaff.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqKey.h"
#include "sequencer/data/DCsqLyric.h"
#include "sequencer/data/DCsqMeter.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqProgram.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/data/DCsqText.h"
#include "sequencer/data/DCsqTranspose.h"
#include "sequencer/data/DCsqWave.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/prefs/MCSeqPreferences.h"

#include <iterator>

namespace {

// Data type 0 is the sequencer's column of the data-class table. Plain MIDI data serves the
// controller-like elements.
const CPluginData s_registrations[] = {
    {&DCsqAccent::classObject, 0, EventId::Accent},
    {&DCsqBankLSB::classObject, 0, EventId::BankLSB},
    {&DCsqBankMSB::classObject, 0, EventId::BankMSB},
    {&DCsqChannelMode::classObject, 0, EventId::ChannelMode},
    {&DCsqMidi::classObject, 0, EventId::ChannelPressure},
    {&DCsqConductorStaff::classObject, 0, EventId::ConductorStaff},
    {&DCsqMidi::classObject, 0, EventId::ControlChange},
    {&DCsqDynamic::classObject, 0, EventId::Dynamic},
    {&DCsqFlowControl::classObject, 0, EventId::FlowControl},
    {&DCsqNote::classObject, 0, EventId::GraceNote},
    {&DCsqKey::classObject, 0, EventId::Key},
    {&DCsqLyric::classObject, 0, EventId::Lyric},
    {&DCsqMeter::classObject, 0, EventId::Meter},
    {&DCsqNote::classObject, 0, EventId::Note},
    {&DCsqMidi::classObject, 0, EventId::Pedal},
    {&DCsqMidi::classObject, 0, EventId::PitchBend},
    {&DCsqMidi::classObject, 0, EventId::PolyPressure},
    {&DCsqProgram::classObject, 0, EventId::ProgramChange},
    {&DCsqStaff::classObject, 0, EventId::Staff},
    {&DCsqSysMsg::classObject, 0, EventId::SystemMessage},
    {&DCsqTempo::classObject, 0, EventId::Tempo},
    {&DCsqText::classObject, 0, EventId::Text},
    {&DCsqTranspose::classObject, 0, EventId::Transpose},
    {&DCsqWave::classObject, 0, EventId::Wave},
    {&DCsqWaveTrack::classObject, 0, EventId::WaveTrack},
};

}  // namespace

int InitSequencer()
{
    for (const CPluginData& registration : s_registrations)
        CPluginData::AddPlugin(&registration);
    MCSeqPreferences::InitPreferences();
    return static_cast<int>(std::size(s_registrations));
}

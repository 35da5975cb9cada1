#include "inspector/pages/CVoiceInfo.h"

#include "interface/pickers/MCDeviceList.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/commands/CCEditPatch.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "wavegate/CWavegate.h"

#include <set>
#include <utility>

namespace {

constexpr int kDrumChannel = 9;
constexpr int kInstrumentMap = 1;
constexpr int kDrumMap = 2;

uint32_t shortMessage(int status, int data1, int data2)
{
    return static_cast<uint32_t>(status & 0xFF) | static_cast<uint32_t>(data1 & 0x7F) << 8 |
           static_cast<uint32_t>(data2 & 0x7F) << 16;
}

// The patch a voice plays at the time: the last change at or before it, else the first after
// it; a voice without a patch envelope plays the output's first program until one is set.
float PatchAt(DCsqStaff* data, int voice, const MCTime& time)
{
    float patch = 0.0f;
    if (ECEnvelope* envelope = data->GetEnvelope(DCsqStaff::envPatch, 0, voice, -1, -1)) {
        if (ECEnvPoint* point = envelope->GetPointBeforeEqual(time))
            patch = point->GetValue();
        else if (ECEnvPoint* later = envelope->GetPointAfter(time))
            patch = later->GetValue();
        else
            envelope->GetValue(time, patch, 0);
    }
    return patch;
}

int BankOf(float patch)
{
    return ECPatchEnv::GetBankMSB(patch) << 7 | ECPatchEnv::GetBankLSB(patch);
}

}  // namespace

bool CVoiceInfo::operator==(const CVoiceInfo& other) const
{
    return m_states == other.m_states && m_time == other.m_time && m_voice == other.m_voice &&
           m_device == other.m_device && m_channel == other.m_channel && m_bank == other.m_bank &&
           m_program == other.m_program && m_file == other.m_file;
}

void CVoiceInfo::Reset()
{
    m_states.Reset();
    m_device = m_channel = m_bank = m_program = -1;
    m_file.clear();
}

bool CVoiceInfo::IsChanged() const
{
    for (Field field : {fieldDevice, fieldChannel, fieldBank, fieldProgram, fieldFile})
        if (m_states.IsChanged(field))
            return true;
    return false;
}

void CVoiceInfo::Merge(Field field, int& member, int value)
{
    if (m_states.Merge(field, member, value))
        member = -1;
}

void CVoiceInfo::SetDevice(int device)
{
    m_device = device;
    m_states.Set(fieldDevice, stateChanged);
    UpdateInstrumentFile();
}

void CVoiceInfo::SetChannel(int channel)
{
    m_channel = channel;
    m_states.Set(fieldChannel, stateChanged);
    UpdateInstrumentFile();
}

void CVoiceInfo::SetBank(int bank)
{
    m_bank = bank;
    m_states.Set(fieldBank, stateChanged);
}

void CVoiceInfo::SetProgram(int program)
{
    m_program = program;
    m_states.Set(fieldProgram, stateChanged);
}

void CVoiceInfo::UpdateInstrumentFile()
{
    if (m_device < 0) {
        m_file.clear();
        return;
    }
    m_file = MCDeviceList::GetInstrumentFile(m_channel == kDrumChannel ? kDrumMap : kInstrumentMap, m_device);
}

DCsqStaff* CVoiceInfo::StaffData(ECBase* element)
{
    if (!element || element->GetEventId() != EventId::Staff)
        return nullptr;
    return plat::dynamicDowncast<DCsqStaff>(element->GetData(0, 0));
}

ECEnvelope* CVoiceInfo::PatchEnvelope(ECBase* staff, int voice)
{
    DCsqStaff* data = StaffData(staff);
    return data ? data->GetEnvelope(DCsqStaff::envPatch, 0, voice, -1, -1) : nullptr;
}

void CVoiceInfo::UpdateInfo(MCEventList* list)
{
    if (!list)
        return;
    for (ECBase* element : *list) {
        DCsqStaff* data = StaffData(element);
        MCVoiceMap* map = data ? data->GetVoiceMap(m_voice) : nullptr;
        if (!map)
            continue;
        // Showing must not change the piece: a missing patch envelope is made by the first
        // change the user applies, not here.
        const float patch = PatchAt(data, m_voice, m_time);
        const int device = static_cast<int>(map->GetDevice());
        const int channel = static_cast<int>(map->GetChannel());
        Merge(fieldDevice, m_device, device);
        Merge(fieldChannel, m_channel, channel);
        Merge(fieldBank, m_bank, BankOf(patch));
        Merge(fieldProgram, m_program, ECPatchEnv::GetProgram(patch));
        const std::string file =
            MCDeviceList::GetInstrumentFile(channel == kDrumChannel ? kDrumMap : kInstrumentMap, device);
        if (m_states.Merge(fieldFile, m_file, file))
            m_file.clear();
        // The file is the last field.
        if (m_states.AllMixed(fieldFile + 1))
            break;
    }
}

bool CVoiceInfo::UpdateEvent(ECBase* event, MCCommandList& commands) const
{
    if (!IsChanged())
        return false;
    auto* staff = plat::dynamicDowncast<ECStaff>(event);
    DCsqStaff* data = StaffData(staff);
    if (!data || !data->GetVoiceMap(m_voice))
        return false;
    auto* edit = static_cast<CCEditPatch*>(commands.GetCommand(CommandIds::CCEditPatch, plat::runtimeClassOf<CCEditPatch>()));
    CCEditPatchItem* item = edit->EditPatch(staff, m_voice, m_time);
    // Only what the user changed is written; the rest keeps each staff's own value.
    const int device = m_states.IsChanged(fieldDevice) ? m_device : -1;
    const int channel = m_states.IsChanged(fieldChannel) ? m_channel : -1;
    item->SetVoiceMap(device, channel);
    int bank = m_states.IsChanged(fieldBank) ? m_bank : -1;
    int program = m_states.IsChanged(fieldProgram) ? m_program : -1;
    // A voice moved to an output that has no instrument yet would play that output's first
    // program: it keeps the instrument the page shows (each staff its own where they differ).
    if ((device >= 0 || channel >= 0) && (bank < 0 || program < 0) && !OutputHasPatch(data, device, channel)) {
        const float own = PatchAt(data, m_voice, m_time);
        if (bank < 0)
            bank = m_bank >= 0 ? m_bank : BankOf(own);
        if (program < 0)
            program = m_program >= 0 ? m_program : ECPatchEnv::GetProgram(own);
    }
    item->SetPatch(program, bank);
    return true;
}

bool CVoiceInfo::OutputHasPatch(DCsqStaff* data, int device, int channel) const
{
    const MCVoiceMap* own = data->GetVoiceMap(m_voice);
    const unsigned wantedDevice = device >= 0 ? static_cast<unsigned>(device) : own->GetDevice();
    const unsigned wantedChannel = channel >= 0 ? static_cast<unsigned>(channel) : own->GetChannel();
    // The voice takes the envelopes of the first voice on that output, itself when no voice
    // before it is there.
    for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
        const MCVoiceMap* map = data->GetVoiceMap(voice);
        if (voice != m_voice && (!map || map->GetDevice() != wantedDevice || map->GetChannel() != wantedChannel))
            continue;
        CMidiEnvelopeMgr* manager = data->GetMidiEnvelopeMgr(voice, 0);
        ECEnvelope* envelope = manager ? manager->GetPatchEnv(0) : nullptr;
        return envelope && envelope->GetPointBeforeEqual(m_time);
    }
    return false;
}

void CVoiceInfo::SendProgram(MCEventList* list) const
{
    CWavegate* manager = CWavegate::GetWavegate();
    if (!list || !manager || m_bank < 0 || m_program < 0)
        return;
    std::set<std::pair<int, int>> sent;
    for (ECBase* element : *list) {
        DCsqStaff* data = StaffData(element);
        MCVoiceMap* map = data ? data->GetVoiceMap(m_voice) : nullptr;
        if (!map)
            continue;
        const int device = m_device >= 0 ? m_device : static_cast<int>(map->GetDevice());
        const int channel = m_channel >= 0 ? m_channel : static_cast<int>(map->GetChannel());
        if (channel > 15 || !sent.insert({device, channel}).second)
            continue;
        const int controller = 0xB0 | channel;
        manager->SendMidiMsg(device, shortMessage(controller, 120, 0), 0);
        manager->SendMidiMsg(device, shortMessage(controller, 0, (m_bank >> 7) & 127), 0);
        manager->SendMidiMsg(device, shortMessage(controller, 32, m_bank & 127), 0);
        manager->SendMidiMsg(device, shortMessage(0xC0 | channel, m_program, 0), 0);
    }
}

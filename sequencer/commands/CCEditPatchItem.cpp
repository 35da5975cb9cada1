#include "sequencer/commands/CCEditPatchItem.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/data/DCsqStaff.h"

CCEditPatchItem::CCEditPatchItem(ECStaff* staff, int voice, const MCTime& time)
    : m_staff(staff), m_voice(voice), m_time(time)
{
}

CCEditPatchItem::~CCEditPatchItem() = default;

void CCEditPatchItem::SetPatch(int program, int bank)
{
    m_newProgram = program;
    m_newBank = bank;
}

void CCEditPatchItem::SetVoiceMap(int device, int channel)
{
    m_newDevice = device;
    m_newChannel = channel;
}

void CCEditPatchItem::Process()
{
    auto* data = m_staff ? plat::dynamicDowncast<DCsqStaff>(m_staff->GetData(0, 1)) : nullptr;
    MCVoiceMap* map = data ? data->GetVoiceMap(m_voice) : nullptr;
    if (!map)
        return;
    // Undo gives the voice its old output back, where its old patch still stands: what it
    // restores there is that patch (-1 keeps it; nothing stood there when there is none).
    ECEnvelope* oldEnvelope = data->GetEnvelope(DCsqStaff::envPatch, 0, m_voice, -1, -1);
    ECEnvPoint* oldPatch = oldEnvelope ? oldEnvelope->GetPointBeforeEqual(m_time) : nullptr;
    m_oldDevice = static_cast<int>(map->GetDevice());
    if (m_newDevice >= 0 && m_newDevice != m_oldDevice)
        map->SetDevice(static_cast<unsigned>(m_newDevice));
    m_oldChannel = static_cast<int>(map->GetChannel());
    if (m_newChannel >= 0 && m_newChannel != m_oldChannel)
        map->SetChannel(static_cast<unsigned>(m_newChannel));

    ECEnvelope* envelope = data->GetEnvelope(DCsqStaff::envPatch, DCsqStaff::envCreate, m_voice, -1, -1);
    if (!envelope)
        return;
    ECEnvPoint* point = envelope->GetPointAt(m_time);
    const bool make = point == nullptr;
    ECEnvPoint* before = make ? envelope->GetPointBefore(m_time) : point;
    float oldValue = -1.0f;
    m_oldProgram = 0;
    m_oldBank = 0;
    if (before) {
        oldValue = before->GetValue();
        m_oldProgram = ECPatchEnv::GetProgram(oldValue);
        m_oldBank = ECPatchEnv::GetBankMSB(oldValue) * 128 + ECPatchEnv::GetBankLSB(oldValue);
    }
    const int bank = m_newBank == -1 ? m_oldBank : m_newBank;
    const int program = m_newProgram == -1 ? m_oldProgram : m_newProgram;
    const float value = ECPatchEnv::MakePatchValue(static_cast<unsigned char>((bank >> 7) & 127),
                                                   static_cast<unsigned char>(bank & 127), static_cast<unsigned char>(program));
    if (value == oldValue) {
        m_oldProgram = -1;
        m_oldBank = -1;
        return;
    }
    if (envelope != oldEnvelope) {
        m_oldProgram = oldPatch ? ECPatchEnv::GetProgram(oldPatch->GetValue()) : -1;
        m_oldBank = oldPatch ? ECPatchEnv::GetBankMSB(oldPatch->GetValue()) * 128 + ECPatchEnv::GetBankLSB(oldPatch->GetValue()) : -1;
    }
    const int track = envelope->GetVoiceTrack() ? envelope->GetVoiceTrack()->GetTrack() : 0;
    m_replacedOther = point && envelope != oldEnvelope;
    if (m_replacedOther) {
        m_replacedValue = point->GetValue();
        m_replacedVoice = point->GetVoice();
        m_replacedTrack = point->GetTrack();
    }
    if (point) {
        point->SetValue(value);
        point->SetTime(&m_time);
        point->SetVoice(m_voice);
        point->SetTrack(track);
    } else {
        point = new ECProgramChange;
        point->SetTime(&m_time);
        point->SetVoice(m_voice);
        point->SetTrack(track);
        envelope->AddChild(point, 1);
        // A point takes its envelope's range once it stands in it.
        point->SetValue(value);
    }
    m_newPoint = plat::RefPtr<ECEnvPoint>(point);
    m_madePoint = make;
}

#include "inspector/pages/ACPlayNotes.h"

#include "inspector/pages/ACFindSpanEvents.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvelope.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CWavegate.h"

#include <algorithm>

namespace {

constexpr int kStaffTrackData = 1;

}  // namespace

ACPlayNotes::ACPlayNotes(bool transpose) : m_transpose(transpose) {}

int ACPlayNotes::BeginAction()
{
    if (!m_document)
        return 0;
    m_sequence = m_document->GetSequence();
    m_sounds.clear();
    return ACBase::BeginAction();
}

int ACPlayNotes::DoAction(ECBase* element)
{
    if (!ACFindSpanEvents::IsPlayingNote(element) || !element->GetTime())
        return 0;
    auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 0));
    if (!data)
        return 0;
    const MCVoiceTrack* word = element->GetVoiceTrack();
    const int voice = word ? word->GetVoice() : MCVoiceTrack::noVoice;
    DCsqTrack* track = DCsqTrack::GetTrackData(element, kStaffTrackData, m_sequence);
    MCVoiceMap* map = track ? track->GetVoiceMap(voice) : nullptr;
    if (!map)
        return 0;
    FCMidi noteOn = data->GetNoteOnData();
    FCMidi noteOff = data->GetNoteOffData();
    int key = noteOn.GetDataByte1();
    if (m_transpose) {
        key += static_cast<int>(track->GetTrackTransposition());
        if (auto* staff = plat::dynamicDowncast<DCsqStaff>(track)) {
            if (ECEnvelope* envelope = staff->GetTranspositionEnv(0)) {
                float shift = 0.0f;
                envelope->GetValue(*element->GetTime(), shift, 1);
                key += static_cast<int>(shift);
            }
        }
    }
    key = std::clamp(key, 0, 127);
    const auto channel = static_cast<uint8_t>(map->GetChannel());
    for (FCMidi* message : {&noteOn, &noteOff}) {
        message->SetStatusLSB(channel);
        message->SetDataByte1(static_cast<uint8_t>(key));
    }
    const Sound sound{static_cast<int>(map->GetDevice()), noteOn.GetValue(), noteOff.GetValue()};
    if (std::find(m_sounds.begin(), m_sounds.end(), sound) == m_sounds.end())
        m_sounds.push_back(sound);
    return 0;
}

void ACPlayNotes::EndAction()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return;
    for (const Sound& sound : m_sounds)
        wavegate->SendMidiNote(sound.device, sound.noteOn, sound.noteOff, kSoundMs, 0);
}

#include "sequencer/data/DCsqNote.h"

#include "notabase/model/ECBase.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/events/CSeqEventPool.h"
#include "sequencer/layers/LCsqBase.h"
#include "sequencer/transport/CSequence.h"

PLAT_IMPLEMENT_SERIAL(DCsqNote, DCsqMidi, plat::kVersionableSchema | 2)

DCsqNote& DCsqNote::operator=(const DCsqNote& other)
{
    if (this != &other) {
        DCsqMidi::operator=(other);
        m_noteOff = other.m_noteOff;
    }
    return *this;
}

void DCsqNote::Serialize(plat::Archive& archive)
{
    DCsqMidi::Serialize(archive);
    if (archive.isStoring())
        archive.writeU32(m_noteOff.GetValue());
    else
        m_noteOff = LoadedMessage(archive.readU32());
}

DCBase* DCsqNote::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqNote>(other))
        *this = *data;
    return this;
}

void DCsqNote::ChangeMidiPitch(int key)
{
    GetNoteOnData().SetDataByte1(static_cast<uint8_t>(key));
    m_noteOff.SetDataByte1(static_cast<uint8_t>(key));
}

int DCsqNote::GetClassType() const
{
    return SeqClassType::Note;
}

void DCsqNote::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    if (!Plays(sequence))
        return;
    ECBase* owner = GetOwner();
    // The note goes after what the filters of its marks make of it.
    CSeqEventList note;
    CSeqEvent* event = CSeqEventPool::Take(&sequence->GetPlayer().GetEventPool(), note);
    if (!event)
        return;
    const MCTime* time = owner->GetTime();
    const MCTime* duration = owner->GetDuration();
    const MCVoiceTrack* word = owner->GetVoiceTrack();
    event->SetNoteEvent(GetMidiData(), m_noteOff.GetDataByte2(), duration ? *duration : MCTime::TimeZero(), owner,
                        DCsqTrack::GetTrackData(owner, 1, sequence), time ? *time : MCTime::TimeZero(),
                        word ? *word : MCVoiceTrack());
    // The marks under the note (accents and the like) act on its event through their filters.
    if (!sequence->IgnoreFilters()) {
        if (MCEventList* children = owner->GetChildren()) {
            for (ECBase* child : *children) {
                auto* data = plat::dynamicDowncast<DCsqBase>(child->GetData(0, 1));
                if (auto* filter = plat::dynamicDowncast<LCsqBase>(data ? data->GetFilter() : nullptr))
                    filter->ProcessEvent(event, list);
            }
        }
    }
    list.splice(list.end(), note);
}

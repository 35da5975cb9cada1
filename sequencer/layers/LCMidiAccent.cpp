#include "sequencer/layers/LCMidiAccent.h"

#include "notabase/values/FCMidi.h"
#include "platform/core/Archive.h"
#include "sequencer/layers/LCsqAccent.h"

PLAT_IMPLEMENT_SERIAL(LCMidiAccent, LCMidiFilter, plat::kVersionableSchema | 2)

bool LCMidiAccent::operator==(const LCMidiAccent& other) const
{
    return m_processNotesOff == other.m_processNotesOff && m_durationChange == other.m_durationChange
        && m_velocityOnChange == other.m_velocityOnChange && m_velocityOffChange == other.m_velocityOffChange;
}

void LCMidiAccent::Serialize(plat::Archive& archive)
{
    LCMidiFilter::Serialize(archive);
    if (archive.isStoring()) {
        archive << m_processNotesOff << m_durationChange << m_velocityOnChange << m_velocityOffChange;
        return;
    }
    if (LoadVersion(archive) >= 1)
        archive >> m_processNotesOff >> m_durationChange >> m_velocityOnChange >> m_velocityOffChange;
}

LCBase* LCMidiAccent::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiAccent>(other))
        *this = *filter;
    return this;
}

void LCMidiAccent::ProcessNoteOn(FCMidi& message) const
{
    LCsqAccent::ApplyNoteOn(message, m_velocityOnChange);
}

void LCMidiAccent::ProcessNoteOff(FCMidi& message) const
{
    if (m_processNotesOff)
        LCsqAccent::ApplyNoteOff(message, m_velocityOffChange);
}

void LCMidiAccent::ProcessDuration(MCTime& duration) const
{
    LCsqAccent::ApplyDuration(duration, m_durationChange);
}

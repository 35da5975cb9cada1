#include "sequencer/layers/LCMidiVoiceMap.h"

#include "platform/core/Archive.h"
#include "wavegate/CWavegate.h"

PLAT_IMPLEMENT_SERIAL(LCMidiVoiceMap, LCMidiFilter, plat::kVersionableSchema | 2)

unsigned int LCMidiVoiceMap::s_uDefaultDevice = 0;

LCMidiVoiceMap::LCMidiVoiceMap()
{
    for (DevChan& voice : m_voices)
        voice = {static_cast<int32_t>(s_uDefaultDevice), 0};
}

void LCMidiVoiceMap::Serialize(plat::Archive& archive)
{
    LCMidiFilter::Serialize(archive);
    if (archive.isStoring()) {
        for (const DevChan& voice : m_voices)
            archive << voice.device << voice.channel;
        return;
    }
    CWavegate* wavegate = CWavegate::GetWavegate();
    const int outputs = wavegate ? wavegate->GetDeviceCount(0, 1) : 0;
    for (DevChan& voice : m_voices) {
        archive >> voice.device >> voice.channel;
        if (voice.device < 0 || voice.device >= outputs)
            voice.device = static_cast<int32_t>(s_uDefaultDevice);
    }
}

LCBase* LCMidiVoiceMap::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCMidiVoiceMap>(other))
        *this = *filter;
    return this;
}

void LCMidiVoiceMap::SetVoiceDevChan(unsigned int voice, int device, int channel)
{
    if (voice < voiceCount)
        m_voices[voice] = {device, channel};
}

int LCMidiVoiceMap::GetVoiceDevice(unsigned int voice) const
{
    return voice < voiceCount ? m_voices[voice].device : 0;
}

int LCMidiVoiceMap::GetVoiceChannel(unsigned int voice) const
{
    return voice < voiceCount ? m_voices[voice].channel : 0;
}

int LCMidiVoiceMap::AllVoiceMapsEqual() const
{
    for (int voice = 1; voice < voiceCount; ++voice) {
        if (!(m_voices[static_cast<size_t>(voice)] == m_voices[0]))
            return 0;
    }
    return 1;
}

#include "sequencer/data/DCsqTrack.h"

#include "notabase/model/ECBase.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/transport/CSequence.h"

PLAT_IMPLEMENT_SERIAL(DCsqTrack, DCsqFilter, plat::kVersionableSchema | 2)

DCsqTrack::DCsqTrack(const DCsqTrack& other) : DCsqFilter(other), m_voiceMaps(other.m_voiceMaps)
{
}

DCsqTrack& DCsqTrack::operator=(const DCsqTrack& other)
{
    if (this != &other) {
        DCsqFilter::operator=(other);
        m_voiceMaps = other.m_voiceMaps;
    }
    return *this;
}

DCBase* DCsqTrack::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqTrack>(other))
        *this = *data;
    return this;
}

int DCsqTrack::GetClassType() const
{
    return SeqClassType::Track;
}

int DCsqTrack::GetTrackType() const
{
    return -1;
}

MCVoiceMap* DCsqTrack::GetVoiceMap(int voice)
{
    if (voice < 0 || voice >= voiceCount)
        return nullptr;
    return &m_voiceMaps[static_cast<size_t>(voice)];
}

DCsqTrack* DCsqTrack::GetTrackData(unsigned int track, int kind, CSequence* sequence)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    if (!conductor || track > 0x7FFFFFFFu)
        return nullptr;
    ECTrack* element = conductor->GetTrack(kind, static_cast<int>(track), 0);
    if (!element)
        return nullptr;
    return plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0));
}

DCsqTrack* DCsqTrack::GetTrackData(ECBase* element, int kind, CSequence* sequence)
{
    if (!element)
        return nullptr;
    return GetTrackData(static_cast<unsigned int>(element->GetTrack()), kind, sequence);
}
